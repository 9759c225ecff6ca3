// Where the entries turn a failure into words for their result.
#pragma once

#include <string>

namespace quillon {

// The full text of the exception being handled, file names included; call
// only inside a catch block.
std::string CurrentFailureText();

// The same as a short reason for a report that already names the file:
// "not found", "permission denied", "not a regular file", "not a JPEG file
// (JPEG error #53: ...)". Call only inside a catch block.
std::string CurrentFailureReason();

// Why no regular file stands at Path: "not found", or "not a regular file"
// for a folder or another kind of file.
std::string MissingFileReason(const std::string& Path);

} // namespace quillon
