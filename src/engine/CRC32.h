// The keyed checksum's one primitive: the reflected CRC-32 step of polynomial
// 0xEDB88320, with no start or end inversion and a 16-bit byte count.
#pragma once

#include <array>
#include <cstdint>

namespace quillon {

namespace detail {
constexpr std::array<uint32_t, 256> MakeCRC32Table() {
    std::array<uint32_t, 256> T{};
    for (uint32_t N = 0; N < 256; ++N) {
        uint32_t C = N;
        for (int K = 0; K < 8; ++K)
            C = (C & 1) ? (C >> 1) ^ 0xEDB88320u : C >> 1;
        T[N] = C;
    }
    return T;
}
} // namespace detail

inline constexpr std::array<uint32_t, 256> CRC32Table = detail::MakeCRC32Table();

// Runs the caller's register over Len bytes of Data. Callers holding a wider
// count pass its low 16 bits, so at most 65535 bytes are covered a call.
void UpdateCRC32(const void* Data, uint16_t Len, uint32_t& CRC);

} // namespace quillon
