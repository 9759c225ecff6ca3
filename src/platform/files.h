// File-system services outside a stream: existence, delete, rename, and the
// platform's path rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// True when a regular file exists at Path, after following links: not a
// folder, FIFO, socket or device.
bool FileExists(const std::string& Path);
// The size of the regular file at Path; -1 when there is none.
int64_t FileSizeOf(const std::string& Path);
// True when anything exists at Path, after following links.
bool PathExists(const std::string& Path);
// True when a folder exists at Path.
bool DirectoryExists(const std::string& Path);
// Deletes a file; false when it could not be deleted.
bool DeleteFile(const std::string& Path);
// Renames From to To in one step, replacing a file at To; false on failure.
bool RenameFile(const std::string& From, const std::string& To);
// Renames From to To only when nothing stands at To, checked in the same
// step; false on failure.
bool RenameFileNoReplace(const std::string& From, const std::string& To);
// The permission bits (0777) of the file at Path; nothing where the system
// keeps none (Windows) or nothing is there.
std::optional<uint32_t> FilePermissions(const std::string& Path);
// Swaps the files at A and B in one step; false on failure, also where the
// system or the file system cannot.
bool ExchangeFiles(const std::string& A, const std::string& B);
// Gives an existing file a second name (a hard link); false on failure,
// also where the file system has no such links.
bool LinkFile(const std::string& Existing, const std::string& NewName);

// The platform's folder separator ('/' here, '\\' on Windows).
char PathSeparator();
// True for the characters that end a folder or drive part of a path.
bool IsPathDelimiter(char C);
// The part of Path behind its last delimiter.
std::string ExtractFileName(std::string_view Path);
// The part of Path up to and including its last delimiter ("" when there is none).
std::string ExtractFilePath(std::string_view Path);
// From the last dot, if no delimiter follows it; otherwise "".
std::string ExtractFileExt(std::string_view Path);
// Compares ignoring the case of the letters A to Z only.
bool SameTextAscii(std::string_view A, std::string_view B);

// The system's text for the last error of the calling thread.
std::string LastErrorText();

} // namespace quillon
