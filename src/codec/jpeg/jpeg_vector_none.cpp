// Builds for processors without a vector variant: every block and row takes
// the scalar route, which gives the same samples.
#include "jpeg_color.h"
#include "jpeg_idct.h"

namespace quillon {

bool InverseDctBlockVector(const int16_t*, const float*, uint8_t*, size_t) {
    return false;
}

bool VectorIdctAvailable() {
    return false;
}

int YCbCrToBgrRowVector(const uint8_t*, const uint8_t*, const uint8_t*, int, uint8_t*) {
    return 0;
}

bool ColorVectorAvailable() {
    return false;
}

} // namespace quillon
