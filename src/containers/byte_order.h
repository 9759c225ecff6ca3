// Little-endian 32-bit numbers in byte buffers, independent of the host's order.
#pragma once

#include <cstdint>

namespace quillon {

inline uint32_t LoadLE32(const uint8_t* P) {
    return static_cast<uint32_t>(P[0]) | static_cast<uint32_t>(P[1]) << 8 |
           static_cast<uint32_t>(P[2]) << 16 | static_cast<uint32_t>(P[3]) << 24;
}

inline void StoreLE32(uint8_t* P, uint32_t V) {
    P[0] = static_cast<uint8_t>(V);
    P[1] = static_cast<uint8_t>(V >> 8);
    P[2] = static_cast<uint8_t>(V >> 16);
    P[3] = static_cast<uint8_t>(V >> 24);
}

} // namespace quillon
