#include "jpeg_idct.h"

#include <cstring>

namespace quillon {

namespace {

const bool UseVector = VectorIdctAvailable();

bool OnlyDc(const int16_t* Coef) {
    uint64_t Words[16];
    std::memcpy(Words, Coef, sizeof(Words));
    uint64_t Any = Words[0] & ~uint64_t{0xFFFF};
    for (int I = 1; I < 16; ++I)
        Any |= Words[I];
    return Any == 0;
}

} // namespace

void InverseDctDcBlock(int16_t Dc, float M0, uint8_t* Out, size_t OutStride) {
    const uint8_t Sample = IdctOutputSample(static_cast<double>(static_cast<float>(Dc) * M0));
    for (int R = 0; R < 8; ++R)
        std::memset(Out + R * OutStride, Sample, 8);
}

void InverseDctBlock(const int16_t* Coef, const float* M, uint8_t* Out, size_t OutStride) {
    if (UseVector) {
        if (InverseDctBlockVector(Coef, M, Out, OutStride))
            return;
    } else if (OnlyDc(Coef)) {
        InverseDctDcBlock(Coef[0], M[0], Out, OutStride);
        return;
    }
    InverseDctBlockReference(Coef, M, Out, OutStride);
}

} // namespace quillon
