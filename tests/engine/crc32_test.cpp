#include "engine/CRC32.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace quillon {
namespace {

// The plain one-byte table step, the definition every faster route must match.
uint32_t TableStep(const uint8_t* Data, size_t Len, uint32_t Crc) {
    for (size_t I = 0; I < Len; ++I)
        Crc = CRC32Table[(Data[I] ^ Crc) & 0xFF] ^ (Crc >> 8);
    return Crc;
}

uint32_t Feed(const std::string& Text, uint32_t Crc = 0) {
    UpdateCRC32(Text.data(), static_cast<uint16_t>(Text.size()), Crc);
    return Crc;
}

TEST(CRC32, TableEntries) {
    EXPECT_EQ(CRC32Table[0], 0u);
    EXPECT_EQ(CRC32Table[1], 0x77073096u);
    EXPECT_EQ(CRC32Table[128], 0xEDB88320u);
    EXPECT_EQ(CRC32Table[255], 0x2D02EF8Du);
}

TEST(CRC32, KnownVectors) {
    EXPECT_EQ(Feed(std::string(1, '\x01')), 0x77073096u);
    EXPECT_EQ(Feed("abc"), 0xCA6598D0u);
    // With the usual inversions around it the step is the standard CRC-32.
    EXPECT_EQ(~Feed("123456789", 0xFFFFFFFFu), 0xCBF43926u);
}

TEST(CRC32, ZeroLengthLeavesRegister) {
    uint32_t Crc = 0x12345678u;
    UpdateCRC32(nullptr, 0, Crc);
    EXPECT_EQ(Crc, 0x12345678u);
}

TEST(CRC32, CountIsSixteenBits) {
    std::vector<uint8_t> Data(65537, 0xA5);
    uint32_t Crc = 7;
    UpdateCRC32(Data.data(), static_cast<uint16_t>(65536u), Crc);
    EXPECT_EQ(Crc, 7u);
    UpdateCRC32(Data.data(), static_cast<uint16_t>(65537u), Crc);
    EXPECT_EQ(Crc, TableStep(Data.data(), 1, 7));
    Crc = 0;
    UpdateCRC32(Data.data(), 65535, Crc);
    EXPECT_EQ(Crc, TableStep(Data.data(), 65535, 0));
}

TEST(CRC32, SplitFeedingGivesSameRegister) {
    const std::string Text = "The site code, then the data it covers.";
    const uint32_t Whole = Feed(Text, 0x4B56574Du);
    for (size_t A = 0; A <= Text.size(); ++A)
        for (size_t B = A; B <= Text.size(); B += 3) {
            uint32_t Crc = 0x4B56574Du;
            UpdateCRC32(Text.data(), static_cast<uint16_t>(A), Crc);
            UpdateCRC32(Text.data() + A, static_cast<uint16_t>(B - A), Crc);
            UpdateCRC32(Text.data() + B, static_cast<uint16_t>(Text.size() - B), Crc);
            ASSERT_EQ(Crc, Whole) << A << "," << B;
        }
}

TEST(CRC32, MatchesTableStepAtEveryLengthAndAlignment) {
    std::mt19937 Rng(20261208);
    std::vector<uint8_t> Data(4096 + 64);
    for (auto& B : Data)
        B = static_cast<uint8_t>(Rng());
    for (size_t Align = 0; Align < 16; ++Align)
        for (size_t Len = 0; Len <= 4096; ++Len) {
            const uint32_t Start = static_cast<uint32_t>(Rng());
            uint32_t Crc = Start;
            UpdateCRC32(Data.data() + Align, static_cast<uint16_t>(Len), Crc);
            ASSERT_EQ(Crc, TableStep(Data.data() + Align, Len, Start))
                << "length " << Len << " alignment " << Align;
        }
}

} // namespace
} // namespace quillon
