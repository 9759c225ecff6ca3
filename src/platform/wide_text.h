// Windows only: UTF-8 inside the program, UTF-16 at the system's wide API.
// The platform layer and the Win32 window share these two.
#pragma once

#ifdef _WIN32

#include <string>
#include <string_view>

namespace quillon {

std::wstring WideText(std::string_view Text);
std::string Utf8Text(std::wstring_view Text);

} // namespace quillon

#endif
