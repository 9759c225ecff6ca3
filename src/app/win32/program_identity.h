// What tells the Windows window apart: the program's icon in its title bar
// and an "About Quillon" entry in its system menu that shows the version.
#pragma once

#include "fMain.h"

#include <functional>
#include <string>

namespace quillon {

// The system menu's own commands lie from 0xF000 up; ours is below them and
// a multiple of 16, as the system menu expects.
constexpr unsigned AboutCommand = 0x0110;

// Gives Window the icon of the program's resources (none without them).
void SetProgramIcon(THwnd Window);

// Appends "About Quillon..." to Window's system menu; choosing it passes
// AboutText() to Show, by default a message box owned by the window. Once a
// window: the entry and Show live as long as the window.
void AddAboutEntry(THwnd Window, std::function<void(const std::string& Text)> Show = {});

} // namespace quillon
