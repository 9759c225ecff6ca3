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

void InverseDctBlock(const int16_t* Coef, const float* M, uint8_t* Out, size_t OutStride) {
    if (OnlyDc(Coef)) {
        // With every AC coefficient zero each pass passes its input through
        // unchanged (x + 0, x - 0), so all 64 samples come from the DC term.
        const float Dc = static_cast<float>(Coef[0]) * M[0];
        const uint8_t Sample = IdctOutputSample(static_cast<double>(Dc));
        for (int R = 0; R < 8; ++R)
            std::memset(Out + R * OutStride, Sample, 8);
        return;
    }
    if (UseVector && InverseDctBlockVector(Coef, M, Out, OutStride))
        return;
    InverseDctBlockReference(Coef, M, Out, OutStride);
}

} // namespace quillon
