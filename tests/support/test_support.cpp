#include "support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

namespace quillon::test {

std::filesystem::path TestDataPath() {
    return QUILLON_TESTDATA_DIR;
}

std::filesystem::path TestDataDir() {
    const std::filesystem::path Dir = TestDataPath();
    if (!std::filesystem::is_directory(Dir)) {
        ADD_FAILURE() << "reference test data missing: " << Dir
                      << " (set the CMake cache variable QUILLON_TESTDATA_DIR)";
        throw std::runtime_error("reference test data missing");
    }
    return Dir;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& Path) {
    std::ifstream In(Path, std::ios::binary);
    if (!In)
        throw std::runtime_error("cannot read " + Path.string());
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& Path, const std::vector<uint8_t>& Bytes) {
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write(reinterpret_cast<const char*>(Bytes.data()),
              static_cast<std::streamsize>(Bytes.size()));
    if (!Out)
        throw std::runtime_error("cannot write " + Path.string());
}

void WriteBytes(const std::filesystem::path& Path, const std::string& Bytes) {
    WriteBytes(Path, std::vector<uint8_t>(Bytes.begin(), Bytes.end()));
}

TScratchDir::TScratchDir() {
    std::random_device Rd;
    const auto Base = std::filesystem::temp_directory_path();
    for (;;) {
        FPath = Base / ("quillon-test-" + std::to_string(Rd()));
        if (std::filesystem::create_directory(FPath))
            break;
    }
}

TScratchDir::~TScratchDir() {
    std::error_code Ec;
    std::filesystem::remove_all(FPath, Ec);
}

TScopedEnv::TScopedEnv(const char* Name, const char* Value) : FName(Name) {
    if (const char* Old = std::getenv(Name)) {
        FHad = true;
        FOld = Old;
    }
    if (Value)
        ::setenv(Name, Value, 1);
    else
        ::unsetenv(Name);
}

TScopedEnv::~TScopedEnv() {
    if (FHad)
        ::setenv(FName.c_str(), FOld.c_str(), 1);
    else
        ::unsetenv(FName.c_str());
}

} // namespace quillon::test
