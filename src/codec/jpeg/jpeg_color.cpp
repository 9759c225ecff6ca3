#include "jpeg_color.h"

#include <array>
#include <cstddef>

namespace quillon {

namespace {

struct TChromaTables {
    std::array<int, 256> CrR{};
    std::array<int, 256> CbB{};
    std::array<int32_t, 256> CrG{};
    std::array<int32_t, 256> CbG{};
};

constexpr TChromaTables MakeChromaTables() {
    TChromaTables T;
    for (int C = 0; C < 256; ++C) {
        const int32_t K = C - 128;
        T.CrR[C] = (91881 * K + 32768) >> 16;
        T.CbB[C] = (116130 * K + 32768) >> 16;
        T.CrG[C] = -46802 * K;
        T.CbG[C] = -22554 * K + 32768;
    }
    return T;
}

constexpr TChromaTables Chroma = MakeChromaTables();

const bool UseVector = ColorVectorAvailable();

inline uint8_t Clamp(int V) {
    return static_cast<uint8_t>(V < 0 ? 0 : (V > 255 ? 255 : V));
}

inline uint8_t Product255(int A, int B) {
    return static_cast<uint8_t>((A * B + 127) / 255);
}

} // namespace

void YCbCrToBgrRow(const uint8_t* Y, const uint8_t* Cb, const uint8_t* Cr, int Width,
                   uint8_t* Out) {
    const int Done = UseVector ? YCbCrToBgrRowVector(Y, Cb, Cr, Width, Out) : 0;
    Out += 3 * static_cast<size_t>(Done);
    for (int X = Done; X < Width; ++X) {
        const int L = Y[X];
        const int B = Cb[X];
        const int R = Cr[X];
        Out[0] = Clamp(L + Chroma.CbB[B]);
        Out[1] = Clamp(L + ((Chroma.CbG[B] + Chroma.CrG[R]) >> 16));
        Out[2] = Clamp(L + Chroma.CrR[R]);
        Out += 3;
    }
}

void YcckToCmykRow(const uint8_t* Y, const uint8_t* Cb, const uint8_t* Cr, const uint8_t* K,
                   int Width, uint8_t* Out) {
    for (int X = 0; X < Width; ++X) {
        const int L = Y[X];
        const int B = Cb[X];
        const int R = Cr[X];
        Out[0] = Clamp(255 - (L + Chroma.CrR[R]));
        Out[1] = Clamp(255 - (L + ((Chroma.CbG[B] + Chroma.CrG[R]) >> 16)));
        Out[2] = Clamp(255 - (L + Chroma.CbB[B]));
        Out[3] = K[X];
        Out += 4;
    }
}

void InterleaveRow(const uint8_t* const* Planes, int Count, int Width, uint8_t* Out) {
    for (int X = 0; X < Width; ++X)
        for (int C = 0; C < Count; ++C)
            *Out++ = Planes[C][X];
}

void CmykToBgrRow(const uint8_t* In, int Width, bool AdobeInverted, uint8_t* Out) {
    for (int X = 0; X < Width; ++X) {
        int C = In[0], M = In[1], Ye = In[2], K = In[3];
        if (!AdobeInverted) {
            C = 255 - C;
            M = 255 - M;
            Ye = 255 - Ye;
            K = 255 - K;
        }
        // Read all four before writing: Out may trail In in the same row.
        const uint8_t B = Product255(Ye, K), G = Product255(M, K), R = Product255(C, K);
        Out[0] = B;
        Out[1] = G;
        Out[2] = R;
        In += 4;
        Out += 3;
    }
}

} // namespace quillon
