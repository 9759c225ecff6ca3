// The straightforward evaluation of the inverse DCT. Each assignment to a
// float rounds the extended-precision expression once.
#include "jpeg_idct.h"

#include <cstdint>

namespace quillon {

namespace {

constexpr double AanScale[8] = {1.0, 1.387039845, 1.306562965, 1.175875602,
                                1.0, 0.785694958, 0.541196100, 0.275899379};

constexpr float C1 = 1.414213562f;
constexpr float C2 = 1.847759065f;
constexpr float C3 = 1.082392200f;
constexpr float C4 = -2.613125930f;

// Short: it marks every extended-precision step of the arithmetic below.
using TX = TExtended;

// One 8-point pass; In and Out are strided views of the work data.
struct TPassResult {
    float E0, E1, E2, E3, O4, O5, O6, O7;
};

TPassResult Pass(const float* V) {
    const float T10 = static_cast<float>(TX(V[0]) + V[4]);
    const float T11 = static_cast<float>(TX(V[0]) - V[4]);
    const float T13 = static_cast<float>(TX(V[2]) + V[6]);
    const float T12 = static_cast<float>((TX(V[2]) - V[6]) * C1 - T13);
    TPassResult R;
    R.E0 = static_cast<float>(TX(T10) + T13);
    R.E3 = static_cast<float>(TX(T10) - T13);
    R.E1 = static_cast<float>(TX(T11) + T12);
    R.E2 = static_cast<float>(TX(T11) - T12);
    const float Z13 = static_cast<float>(TX(V[5]) + V[3]);
    const float Z10 = static_cast<float>(TX(V[5]) - V[3]);
    const float Z11 = static_cast<float>(TX(V[1]) + V[7]);
    const float Z12 = static_cast<float>(TX(V[1]) - V[7]);
    R.O7 = static_cast<float>(TX(Z11) + Z13);
    const float P11 = static_cast<float>((TX(Z11) - Z13) * C1);
    const float Z5 = static_cast<float>((TX(Z10) + Z12) * C2);
    const float P10 = static_cast<float>(TX(C3) * Z12 - Z5);
    const float P12 = static_cast<float>(TX(C4) * Z10 + Z5);
    R.O6 = static_cast<float>(TX(P12) - R.O7);
    R.O5 = static_cast<float>(TX(P11) - R.O6);
    R.O4 = static_cast<float>(TX(P10) + R.O5);
    return R;
}

} // namespace

void MakeDequantTable(const uint16_t* Quant, float M[64]) {
    for (int U = 0; U < 8; ++U)
        for (int V = 0; V < 8; ++V)
            M[U * 8 + V] =
                Quant == nullptr
                    ? 0.0f
                    : static_cast<float>(TX(Quant[U * 8 + V]) * TX(AanScale[U]) * TX(AanScale[V]));
}

uint8_t IdctOutputSample(double Value) {
    // Out-of-range conversions give the hardware's "integer indefinite".
    const int32_t T =
        (Value > -2147483649.0 && Value < 2147483648.0) ? static_cast<int32_t>(Value) : INT32_MIN;
    const uint32_t Index = ((static_cast<uint32_t>(T) + 4u) >> 3) & 1023u;
    const int D = static_cast<int>(Index ^ 512u) - 512 + 128;
    return static_cast<uint8_t>(D < 0 ? 0 : (D > 255 ? 255 : D));
}

void InverseDctBlockReference(const int16_t* Coef, const float* M, uint8_t* Out, size_t OutStride) {
    float Work[64];
    for (int Col = 0; Col < 8; ++Col) {
        float In[8];
        for (int K = 0; K < 8; ++K)
            In[K] = static_cast<float>(TX(Coef[K * 8 + Col]) * M[K * 8 + Col]);
        const TPassResult R = Pass(In);
        Work[0 * 8 + Col] = static_cast<float>(TX(R.E0) + R.O7);
        Work[7 * 8 + Col] = static_cast<float>(TX(R.E0) - R.O7);
        Work[1 * 8 + Col] = static_cast<float>(TX(R.E1) + R.O6);
        Work[6 * 8 + Col] = static_cast<float>(TX(R.E1) - R.O6);
        Work[2 * 8 + Col] = static_cast<float>(TX(R.E2) + R.O5);
        Work[5 * 8 + Col] = static_cast<float>(TX(R.E2) - R.O5);
        Work[4 * 8 + Col] = static_cast<float>(TX(R.E3) + R.O4);
        Work[3 * 8 + Col] = static_cast<float>(TX(R.E3) - R.O4);
    }
    for (int Row = 0; Row < 8; ++Row) {
        const TPassResult R = Pass(Work + Row * 8);
        uint8_t* O = Out + Row * OutStride;
        O[0] = IdctOutputSample(static_cast<double>(TX(R.E0) + R.O7));
        O[7] = IdctOutputSample(static_cast<double>(TX(R.E0) - R.O7));
        O[1] = IdctOutputSample(static_cast<double>(TX(R.E1) + R.O6));
        O[6] = IdctOutputSample(static_cast<double>(TX(R.E1) - R.O6));
        O[2] = IdctOutputSample(static_cast<double>(TX(R.E2) + R.O5));
        O[5] = IdctOutputSample(static_cast<double>(TX(R.E2) - R.O5));
        O[4] = IdctOutputSample(static_cast<double>(TX(R.E3) + R.O4));
        O[3] = IdctOutputSample(static_cast<double>(TX(R.E3) - R.O4));
    }
}

} // namespace quillon
