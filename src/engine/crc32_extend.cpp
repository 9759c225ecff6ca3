#include "crc32_extend.h"

#include "CRC32.h"

#include <algorithm>
#include <array>

namespace quillon {

void FeedCRC32(const void* Data, size_t Len, uint32_t& CRC) {
    const auto* P = static_cast<const uint8_t*>(Data);
    while (Len > 0) {
        const uint16_t Piece = static_cast<uint16_t>(std::min<size_t>(Len, 0xFFFF));
        UpdateCRC32(P, Piece, CRC);
        P += Piece;
        Len -= Piece;
    }
}

namespace {

constexpr uint32_t Poly = 0xEDB88320u;

// Product of two polynomials modulo the generator, bit-reflected (bit 31 is x^0).
constexpr uint32_t MultModP(uint32_t A, uint32_t B) {
    uint32_t M = 1u << 31;
    uint32_t P = 0;
    for (;;) {
        if (A & M) {
            P ^= B;
            if ((A & (M - 1)) == 0)
                break;
        }
        M >>= 1;
        B = (B & 1) ? (B >> 1) ^ Poly : B >> 1;
    }
    return P;
}

// Powers[K] = x^(2^K) modulo the generator.
constexpr std::array<uint32_t, 64> MakePowers() {
    std::array<uint32_t, 64> T{};
    T[0] = 1u << 30; // x^1
    for (size_t K = 1; K < T.size(); ++K)
        T[K] = MultModP(T[K - 1], T[K - 1]);
    return T;
}

constexpr std::array<uint32_t, 64> Powers = MakePowers();

} // namespace

uint32_t AdvanceCRC32OverZeros(uint32_t CRC, uint64_t Count) {
    if (CRC == 0 || Count == 0)
        return CRC;
    // Each zero byte multiplies the register by x^8; Count bytes by x^(8 Count).
    uint32_t Factor = 1u << 31; // x^0
    unsigned K = 3;             // 8 = 2^3
    for (; Count != 0; Count >>= 1, ++K)
        if (Count & 1)
            Factor = MultModP(Powers[K % 64], Factor);
    return MultModP(Factor, CRC);
}

} // namespace quillon
