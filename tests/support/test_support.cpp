#include "support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <stdexcept>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quillon::test {

std::filesystem::path TestDataPath() {
    return QUILLON_TESTDATA_DIR;
}

std::set<std::string> EntryNames(const std::filesystem::path& Dir) {
    std::set<std::string> Names;
    for (const auto& E : std::filesystem::directory_iterator(Dir))
        Names.insert(E.path().filename().string());
    return Names;
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

namespace {

#ifdef _WIN32
// The C runtime's copy of the environment and the system's must agree: the
// program reads the system's, the stand-in library the runtime's.
std::wstring Wide(const std::string& Text) {
    const int N =
        ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
    std::wstring Out(static_cast<size_t>(N), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), Out.data(), N);
    return Out;
}

std::optional<std::string> GetVariable(const std::string& Name) {
    const wchar_t* Value = ::_wgetenv(Wide(Name).c_str());
    if (Value == nullptr)
        return std::nullopt;
    const int N = ::WideCharToMultiByte(CP_UTF8, 0, Value, -1, nullptr, 0, nullptr, nullptr);
    std::string Out(static_cast<size_t>(N), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, Value, -1, Out.data(), N, nullptr, nullptr);
    Out.resize(Out.size() - 1);
    return Out;
}

// An empty value unsets: the C runtime keeps no empty variables.
void SetVariable(const std::string& Name, const char* Value) {
    ::_wputenv_s(Wide(Name).c_str(), Value ? Wide(Value).c_str() : L"");
}
#else
std::optional<std::string> GetVariable(const std::string& Name) {
    const char* Value = std::getenv(Name.c_str());
    return Value ? std::optional<std::string>(Value) : std::nullopt;
}

void SetVariable(const std::string& Name, const char* Value) {
    if (Value)
        ::setenv(Name.c_str(), Value, 1);
    else
        ::unsetenv(Name.c_str());
}
#endif

} // namespace

TScopedEnv::TScopedEnv(const char* Name, const char* Value) : FName(Name) {
    if (const std::optional<std::string> Old = GetVariable(FName)) {
        FHad = true;
        FOld = *Old;
    }
    SetVariable(FName, Value);
}

TScopedEnv::~TScopedEnv() {
    SetVariable(FName, FHad ? FOld.c_str() : nullptr);
}

#ifdef _WIN32
TUnreadableFile::TUnreadableFile(const std::string& Path) {
    WriteBytes(Path, std::string("locked"));
    const HANDLE H = ::CreateFileW(Wide(Path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    FReady = H != INVALID_HANDLE_VALUE;
    if (FReady)
        FHandle = reinterpret_cast<intptr_t>(H);
}

TUnreadableFile::~TUnreadableFile() {
    if (FReady)
        ::CloseHandle(reinterpret_cast<HANDLE>(FHandle));
}
#else
TUnreadableFile::TUnreadableFile(const std::string& Path) {
    // Permissions do not stop root; a write-only kernel setting does.
    if (::geteuid() == 0) {
        if (::symlink("/proc/sys/vm/compact_memory", Path.c_str()) != 0)
            return;
    } else {
        WriteBytes(Path, std::string("locked"));
        ::chmod(Path.c_str(), 0);
    }
    struct stat St;
    const int Fd = ::open(Path.c_str(), O_RDONLY);
    FReady = Fd < 0 && errno == EACCES && ::stat(Path.c_str(), &St) == 0 && S_ISREG(St.st_mode);
    if (Fd >= 0)
        ::close(Fd);
}

TUnreadableFile::~TUnreadableFile() {}
#endif

#ifndef _WIN32
int WithFileSizeLimit(uint64_t Limit, const std::function<int()>& Body) {
    const pid_t Pid = ::fork();
    if (Pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit R{static_cast<rlim_t>(Limit), static_cast<rlim_t>(Limit)};
        if (::setrlimit(RLIMIT_FSIZE, &R) != 0)
            ::_exit(255);
        ::_exit(Body() + 100);
    }
    int Status = 0;
    EXPECT_EQ(::waitpid(Pid, &Status, 0), Pid);
    EXPECT_TRUE(WIFEXITED(Status));
    EXPECT_NE(WEXITSTATUS(Status), 255) << "setrlimit failed";
    return WEXITSTATUS(Status) - 100;
}
#endif

} // namespace quillon::test
