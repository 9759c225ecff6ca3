// UTF-8 inside the program, UTF-16 at the window system.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

std::wstring WideText(std::string_view Text);
std::string Utf8Text(std::wstring_view Text);

} // namespace quillon
