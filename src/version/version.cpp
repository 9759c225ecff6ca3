#include "version/version.h"

#include "quillon_version.h" // generated into the build folder

namespace quillon {

std::string_view QuillonVersion() {
    return QUILLON_VERSION;
}

} // namespace quillon
