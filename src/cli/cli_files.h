// Which files a command acts on: the kinds a folder walk picks up, and the
// walk itself.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli {

// Paths are UTF-8 inside the program; std::filesystem's narrow strings are
// the ANSI code page on Windows.
std::filesystem::path PathFromUtf8(const std::string& Path);
std::string Utf8FromPath(const std::filesystem::path& Path);

// Paths are UTF-8 inside the program; std::filesystem's narrow strings are
// the ANSI code page on Windows.
std::filesystem::path PathFromUtf8(const std::string& Path);
std::string Utf8FromPath(const std::filesystem::path& Path);

// The file kinds a folder walk picks up: .avi, .jpg and .jpeg in any case.
bool IsMediaPath(std::string_view Path);

// A signed copy by its name: ".mod.jpg" or ".mod.avi" at the end, any case.
bool IsSignedCopyPath(std::string_view Path);

struct TTargets {
    std::vector<std::string> Files;
    // One line each: folders that could not be read or held nothing.
    std::vector<std::string> Problems;
};

enum class TWalkFilter { AllMedia, SkipSignedCopies };

// Every argument that names a folder is replaced by the media files below it
// (sorted, folder by folder); every other argument stands as given, so that a
// missing file still gets its verdict. Symbolic links to folders are not
// followed, which keeps a link cycle from walking forever. Signing skips the
// signed copies a folder already holds, which are no sources.
TTargets CollectTargets(const std::vector<std::string>& Args,
                        TWalkFilter Filter = TWalkFilter::AllMedia);

} // namespace quillon::cli
