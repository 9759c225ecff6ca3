// The site code as the commands receive it.
#pragma once

#include <istream>
#include <string>

namespace quillon::cli {

// The first line of In without its line end ("\n", or "\r\n"); "" when In is
// empty. Blanks and every other byte are kept: they are part of the key.
std::string ReadSiteCodeLine(std::istream& In);

} // namespace quillon::cli
