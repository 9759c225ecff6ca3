// Environment variables and the temporary folder.
#pragma once

#include <optional>
#include <string>

namespace quillon {

// The variable's value, or nothing when it is unset.
std::optional<std::string> GetEnvironmentVariable(const std::string& Name);

// The folder of this program's settings, ending in the separator:
// $XDG_CONFIG_HOME/quillon/ (default ~/.config/quillon/) on POSIX,
// %APPDATA%\Quillon\ on Windows; nothing when neither can be told. It
// may not exist yet.
std::optional<std::string> UserConfigDirectory();

// The folder for temporary copies, ending in the platform's separator, or
// nothing when it is missing. TEMP decides when it is set; set but empty
// counts as missing. Where TEMP is unset (usual on POSIX desktops) TMPDIR and
// then /tmp are taken; Windows always has TEMP.
std::optional<std::string> TempDirectory();

} // namespace quillon
