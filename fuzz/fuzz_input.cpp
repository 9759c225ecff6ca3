#include "fuzz_input.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace quillon::fuzz {

namespace fs = std::filesystem;

const std::string& ScratchDir() {
    // Never destroyed: the removal at exit still needs the name.
    static const std::string* const Dir = [] {
        const fs::path P =
            fs::temp_directory_path() / ("quillon-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(P / "temp");
        ::setenv("TEMP", (P / "temp/").c_str(), 1);
        std::atexit([] { fs::remove_all(ScratchDir()); });
        return new std::string(P.string() + "/");
    }();
    return *Dir;
}

std::string InputFile(const uint8_t* Data, size_t Size, const char* Ext) {
    const std::string Path = ScratchDir() + "input" + Ext;
    std::ofstream(Path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
    return Path;
}

} // namespace quillon::fuzz
