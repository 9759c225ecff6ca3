#include "cli/cli_render.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <random>

namespace quillon::cli {
namespace {

// A bit-at-a-time register step, independent of the table-driven one.
uint32_t SlowCrc(uint32_t Crc, const uint8_t* Data, size_t Len) {
    for (size_t I = 0; I < Len; ++I) {
        Crc ^= Data[I];
        for (int K = 0; K < 8; ++K)
            Crc = (Crc & 1) ? (Crc >> 1) ^ 0xEDB88320u : Crc >> 1;
    }
    return Crc;
}

// Random pixels; the padding beyond 3 x Width is filled too, so that a
// checksum or writer reading it shows.
TRenderedImage MakeImage(int32_t Width, int32_t Height, size_t Padding, unsigned Seed) {
    TRenderedImage Image;
    Image.Width = Width;
    Image.Height = Height;
    Image.Stride = static_cast<size_t>(Width) * 3 + Padding;
    const size_t Size = Image.Stride * static_cast<size_t>(Height);
    Image.Pixels = std::make_unique<uint8_t[]>(Size);
    std::mt19937 Rng(Seed);
    for (size_t I = 0; I < Size; ++I)
        Image.Pixels[I] = static_cast<uint8_t>(Rng());
    return Image;
}

// The slow register run over the first Fed bytes of every row, top to bottom.
uint32_t SlowRowsCrc(const TRenderedImage& Image, size_t Fed) {
    uint32_t Crc = 0;
    for (int32_t Y = 0; Y < Image.Height; ++Y)
        Crc = SlowCrc(Crc, Image.Row(Y), Fed);
    return Crc;
}

TEST(CliRenderRows, ChecksumCoversThreeBytesAPixelOnly) {
    const TRenderedImage Image = MakeImage(7, 5, 9, 1);
    EXPECT_EQ(RowsChecksum(Image), SlowRowsCrc(Image, 21));
}

TEST(CliRenderRows, ChecksumCountWrapsAt65536BytesARow) {
    // 21846 pixels = 65538 bytes a row, of which 2 are fed.
    const TRenderedImage Wide = MakeImage(21846, 2, 0, 2);
    EXPECT_EQ(RowsChecksum(Wide), SlowRowsCrc(Wide, 2));
    // 21845 pixels = 65535 bytes, all fed.
    const TRenderedImage Widest = MakeImage(21845, 1, 0, 3);
    EXPECT_EQ(RowsChecksum(Widest), SlowCrc(0, Widest.Row(0), 65535));
}

TEST(CliRenderRows, BgrNameGetsTheRawRowsWithoutPadding) {
    test::ScratchDir Dir;
    const TRenderedImage Image = MakeImage(5, 3, 7, 5);
    const std::string Path = Dir / "out.BGR";
    WriteRenderedImage(Image, Path);
    std::vector<uint8_t> Expected;
    for (int32_t Y = 0; Y < 3; ++Y)
        Expected.insert(Expected.end(), Image.Row(Y), Image.Row(Y) + 15);
    EXPECT_EQ(test::ReadBytes(Path), Expected);
}

TEST(CliRenderRows, UnwritableDestinationRaisesAndLeavesNothing) {
    test::ScratchDir Dir;
    const TRenderedImage Image = MakeImage(2, 2, 0, 6);
    const std::string Path = Dir / "missing/out.ppm";
    EXPECT_THROW(WriteRenderedImage(Image, Path), EFileError);
    EXPECT_FALSE(std::filesystem::exists(Path));
}

} // namespace
} // namespace quillon::cli
