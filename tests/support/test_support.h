// Helpers shared by the tests: the reference data folder and scratch folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace quillon::test {

// The reference data folder (avi/, jpeg/, jpeg-signed/). Fails the running
// test (fatally) when it is missing: the data is always there in CI.
std::filesystem::path TestDataDir();
// The same folder unchecked, for test registration before any test runs.
std::filesystem::path TestDataPath();

std::vector<uint8_t> ReadBytes(const std::filesystem::path& Path);
void WriteBytes(const std::filesystem::path& Path, const std::vector<uint8_t>& Bytes);
void WriteBytes(const std::filesystem::path& Path, const std::string& Bytes);

// The names of the entries of a folder (links not followed).
std::set<std::string> EntryNames(const std::filesystem::path& Dir);

// A fresh folder below the system's temporary folder, removed with its content.
class TScratchDir {
  public:
    TScratchDir();
    ~TScratchDir();
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;
    const std::filesystem::path& Path() const { return FPath; }
    std::string operator/(const std::string& Name) const { return (FPath / Name).string(); }

  private:
    std::filesystem::path FPath;
};

// Sets (or unsets, with nullptr) an environment variable for the object's
// lifetime. On Windows an empty value unsets it.
class TScopedEnv {
  public:
    TScopedEnv(const char* Name, const char* Value);
    ~TScopedEnv();
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

  private:
    std::string FName;
    bool FHad = false;
    std::string FOld;
};

// A regular file that cannot be opened for reading: one without permissions
// (a write-only kernel setting when running as root) on POSIX, a file held
// open without sharing on Windows.
class TUnreadableFile {
  public:
    explicit TUnreadableFile(const std::string& Path);
    ~TUnreadableFile();
    TUnreadableFile(const TUnreadableFile&) = delete;
    TUnreadableFile& operator=(const TUnreadableFile&) = delete;
    bool Ready() const { return FReady; }

  private:
    intptr_t FHandle = -1;
    bool FReady = false;
};

#ifndef _WIN32
// Runs Body in a child process whose files may not grow past Limit bytes
// (writes beyond fail instead of killing it) and returns Body's result, a
// number from 0 to 100. POSIX only: Windows has no such limit.
int WithFileSizeLimit(uint64_t Limit, const std::function<int()>& Body);
#endif

} // namespace quillon::test
