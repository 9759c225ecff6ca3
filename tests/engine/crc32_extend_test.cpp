#include "engine/CRC32.h"
#include "engine/crc32_extend.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace quillon {
namespace {

uint32_t InPieces(const std::vector<uint8_t>& Data, uint32_t CRC, size_t Piece) {
    for (size_t At = 0; At < Data.size(); At += Piece) {
        const size_t N = std::min(Piece, Data.size() - At);
        UpdateCRC32(Data.data() + At, static_cast<uint16_t>(N), CRC);
    }
    return CRC;
}

TEST(CRC32Extend, AdvanceOverZerosEqualsFeedingZeros) {
    std::mt19937 Rng(11);
    for (size_t Count : {0u, 1u, 2u, 3u, 7u, 8u, 100u, 1023u, 65535u, 65536u, 200001u}) {
        const uint32_t Start = static_cast<uint32_t>(Rng());
        const std::vector<uint8_t> Zeros(Count, 0);
        EXPECT_EQ(AdvanceCRC32OverZeros(Start, Count), InPieces(Zeros, Start, 65535)) << Count;
    }
}

TEST(CRC32Extend, RegisterJoinsWithChecksumFromZero) {
    std::mt19937 Rng(13);
    std::vector<uint8_t> Data(100003);
    for (auto& B : Data)
        B = static_cast<uint8_t>(Rng());
    const uint32_t Start = 0xDEADBEEFu;
    uint32_t FromZero = 0;
    FeedCRC32(Data.data(), Data.size(), FromZero);
    uint32_t Direct = Start;
    FeedCRC32(Data.data(), Data.size(), Direct);
    EXPECT_EQ(AdvanceCRC32OverZeros(Start, Data.size()) ^ FromZero, Direct);
}

} // namespace
} // namespace quillon
