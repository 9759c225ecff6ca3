// The words a verification code is shown with, the same in the window and
// on the command line. The texts are the system's own, typos included.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillon {

inline constexpr const char* TextOriginal = "Original image file !!";
inline constexpr const char* TextChanged = "Entire image changed or wrong SITE-CODE !!";
inline constexpr const char* TextInvalidGroupCode = "Invalid group code";
inline constexpr const char* TextInvalidFile = "Invalid file";
inline constexpr const char* TextUnknownError = "unknown error";
inline constexpr const char* TextNoTemp =
    "In your system, the environment value as \"TEMP\" is not set.\r\n"
    "It is very important system environment value. Pleas check it, and try again.";
inline constexpr const char* TextNoSpace =
    "Not enough free space in TEMP directory.\r\nPleas check it, and try again.";

// The verdict line or message text for a code ("\r\n" inside the two long
// messages); every code without a meaning of its own is an unknown error.
std::string_view VerdictText(int32_t Code);

} // namespace quillon
