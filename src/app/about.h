// What the window's About entry shows: the program's name and version.
#pragma once

#include <string>

namespace quillon {

// "Quillon <version>", a blank line, and what the program does.
std::string AboutText();

} // namespace quillon
