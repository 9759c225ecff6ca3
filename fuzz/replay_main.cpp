// Runs a fuzz target's entry over files and folders of inputs without the
// fuzzer, so every build replays the seed corpus and the past crashes as an
// ordinary test. Usage: <target> PATH...
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int Inputs = 0;
    for (int I = 1; I < argc; ++I) {
        std::vector<fs::path> Files;
        if (fs::is_directory(argv[I])) {
            for (const auto& E : fs::directory_iterator(argv[I]))
                if (E.is_regular_file() && E.path().filename() != ".keep")
                    Files.push_back(E.path());
        } else {
            Files.push_back(argv[I]);
        }
        for (const fs::path& F : Files) {
            std::ifstream In(F, std::ios::binary);
            const std::vector<uint8_t> Data((std::istreambuf_iterator<char>(In)), {});
            LLVMFuzzerTestOneInput(Data.data(), Data.size());
            ++Inputs;
        }
    }
    std::printf("%d inputs replayed\n", Inputs);
    return Inputs > 0 ? 0 : 1;
}
