// The version of this build: the VERSION file plus what git describe adds
// (cmake/version.cmake), e.g. "0.1.0" or "0.1.0+git42.g4961d09abc".
#pragma once

#include <string_view>

namespace quillon {

std::string_view QuillonVersion();

} // namespace quillon
