// The Open dialog of the window system, with the window's picture filter.
#pragma once

#include <optional>
#include <string>

struct HWND__;

namespace quillon {

// The filter as the dialog takes it: label and patterns, each ended by a
// NUL, and one more NUL at the end.
std::wstring OpenDialogFilter();

// Runs the dialog modally over Owner, opening with Previous as its file
// name; the chosen file's full path, or nothing when cancelled.
std::optional<std::string> RunOpenPictureDialog(HWND__* Owner, const std::string& Previous);

} // namespace quillon
