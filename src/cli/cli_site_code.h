// The site code as the commands receive it.
#pragma once

#include <istream>
#include <string>

namespace quillon::cli {

// Verification takes at most this many characters, as the window does; a
// longer site code is refused like an empty one.
inline constexpr size_t kMaxSiteCodeLength = 255;

// The first line of In without its line end ("\n", or "\r\n"); "" when In is
// empty. Blanks and every other byte are kept: they are part of the key.
std::string ReadSiteCodeLine(std::istream& In);

} // namespace quillon::cli
