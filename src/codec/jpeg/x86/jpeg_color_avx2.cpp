// YCbCr to blue, green, red sixteen pixels at a time, with the same integer
// arithmetic as the scalar conversion (the products fit 32 bits, and the
// final clamp is the saturation of the byte packing).
#include "codec/jpeg/jpeg_color.h"
#include "x86_features.h"

#include <immintrin.h>

namespace quillon {

namespace {

#define QUILLON_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

struct TShuffleMasks {
    alignas(16) int8_t M[3][3][16]; // [output block][source channel][byte]
};

constexpr TShuffleMasks MakeMasks() {
    TShuffleMasks T{};
    for (int Block = 0; Block < 3; ++Block)
        for (int Channel = 0; Channel < 3; ++Channel)
            for (int Byte = 0; Byte < 16; ++Byte) {
                const int I = Block * 16 + Byte;
                T.M[Block][Channel][Byte] = static_cast<int8_t>(I % 3 == Channel ? I / 3 : -128);
            }
    return T;
}

constexpr TShuffleMasks Masks = MakeMasks();

// Eight pixels' blue, green and red as 16-bit values in order.
QUILLON_AVX2_INLINE void Convert8(__m128i Y8, __m128i Cb8, __m128i Cr8, __m128i& B, __m128i& G,
                                  __m128i& R) {
    const __m256i Y = _mm256_cvtepu8_epi32(Y8);
    const __m256i Kb = _mm256_sub_epi32(_mm256_cvtepu8_epi32(Cb8), _mm256_set1_epi32(128));
    const __m256i Kr = _mm256_sub_epi32(_mm256_cvtepu8_epi32(Cr8), _mm256_set1_epi32(128));
    const __m256i Half = _mm256_set1_epi32(32768);
    const __m256i Rv = _mm256_add_epi32(
        Y, _mm256_srai_epi32(
               _mm256_add_epi32(_mm256_mullo_epi32(Kr, _mm256_set1_epi32(91881)), Half), 16));
    const __m256i Bv = _mm256_add_epi32(
        Y, _mm256_srai_epi32(
               _mm256_add_epi32(_mm256_mullo_epi32(Kb, _mm256_set1_epi32(116130)), Half), 16));
    const __m256i Gsum =
        _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(Kb, _mm256_set1_epi32(-22554)), Half),
                         _mm256_mullo_epi32(Kr, _mm256_set1_epi32(-46802)));
    const __m256i Gv = _mm256_add_epi32(Y, _mm256_srai_epi32(Gsum, 16));
    B = _mm_packs_epi32(_mm256_castsi256_si128(Bv), _mm256_extracti128_si256(Bv, 1));
    G = _mm_packs_epi32(_mm256_castsi256_si128(Gv), _mm256_extracti128_si256(Gv, 1));
    R = _mm_packs_epi32(_mm256_castsi256_si128(Rv), _mm256_extracti128_si256(Rv, 1));
}

QUILLON_AVX2_INLINE __m128i Mask(int Block, int Channel) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(Masks.M[Block][Channel]));
}

} // namespace

__attribute__((target("avx2"))) int YCbCrToBgrRowVector(const uint8_t* Y, const uint8_t* Cb,
                                                        const uint8_t* Cr, int Width,
                                                        uint8_t* Out) {
    int X = 0;
    for (; X + 16 <= Width; X += 16) {
        const __m128i Yv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Y + X));
        const __m128i Cbv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Cb + X));
        const __m128i Crv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Cr + X));
        __m128i B0, G0, R0, B1, G1, R1;
        Convert8(Yv, Cbv, Crv, B0, G0, R0);
        Convert8(_mm_srli_si128(Yv, 8), _mm_srli_si128(Cbv, 8), _mm_srli_si128(Crv, 8), B1, G1, R1);
        const __m128i B = _mm_packus_epi16(B0, B1);
        const __m128i G = _mm_packus_epi16(G0, G1);
        const __m128i R = _mm_packus_epi16(R0, R1);
        uint8_t* O = Out + 3 * static_cast<size_t>(X);
        for (int Block = 0; Block < 3; ++Block) {
            const __m128i V = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(B, Mask(Block, 0)),
                                                        _mm_shuffle_epi8(G, Mask(Block, 1))),
                                           _mm_shuffle_epi8(R, Mask(Block, 2)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(O + 16 * Block), V);
        }
    }
    return X;
}

bool ColorVectorAvailable() {
    return X86Features().Avx2;
}

} // namespace quillon
