#include "about.h"

#include "version/version.h"

namespace quillon {

std::string AboutText() {
    return "Quillon " + std::string(QuillonVersion()) +
           "\n\nChecks the keyed signatures of JPEG photos and AVI movies.";
}

} // namespace quillon
