#include "win32_text.h"

#include <windows.h>

namespace quillon {

std::wstring WideText(std::string_view Text) {
    if (Text.empty())
        return {};
    const int Size = static_cast<int>(Text.size());
    const int N = ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), Size, nullptr, 0);
    std::wstring Out(static_cast<size_t>(N), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), Size, Out.data(), N);
    return Out;
}

std::string Utf8Text(std::wstring_view Text) {
    if (Text.empty())
        return {};
    const int Size = static_cast<int>(Text.size());
    const int N =
        ::WideCharToMultiByte(CP_UTF8, 0, Text.data(), Size, nullptr, 0, nullptr, nullptr);
    std::string Out(static_cast<size_t>(N), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, Text.data(), Size, Out.data(), N, nullptr, nullptr);
    return Out;
}

} // namespace quillon
