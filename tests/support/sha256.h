// SHA-256, enough to compare decoded rows with recorded digests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon::test {

class TSha256 {
  public:
    TSha256();
    void Update(const void* Data, size_t Size);
    // Lower-case hex digest; the object is spent afterwards.
    std::string HexDigest();

  private:
    void Compress(const uint8_t* Block);

    std::array<uint32_t, 8> FState;
    uint8_t FBuffer[64];
    size_t FBuffered = 0;
    uint64_t FTotal = 0;
};

std::string Sha256Hex(const void* Data, size_t Size);

} // namespace quillon::test
