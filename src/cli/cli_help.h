// The texts that explain the tool.
#pragma once

#include <string_view>

namespace quillon::cli {

// The full explanation printed by --help.
std::string_view HelpText();
// The short reminder printed after a usage error.
std::string_view UsageText();

} // namespace quillon::cli
