#include "jpeg_idct.h"

namespace quillon {

void InverseDctBlock(const int16_t* Coef, const float* M, uint8_t* Out, size_t OutStride) {
    InverseDctBlockReference(Coef, M, Out, OutStride);
}

} // namespace quillon
