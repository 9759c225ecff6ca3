#include "codec/jpeg/jpeg_render.h"
#include "engine/CRC32.h"
#include "engine/jpeg_checksum.h"

#include <gtest/gtest.h>
#include <vector>

namespace quillon {
namespace {

uint32_t Plain(const std::vector<uint8_t>& Bytes) {
    uint32_t Crc = 0;
    for (const uint8_t B : Bytes)
        Crc = CRC32Table[(B ^ Crc) & 0xFF] ^ (Crc >> 8);
    return Crc;
}

TRenderedImage Image(int32_t W, int32_t H, size_t Stride) {
    TRenderedImage I;
    I.Width = W;
    I.Height = H;
    I.Stride = Stride;
    I.Pixels = std::make_unique<uint8_t[]>(Stride * static_cast<size_t>(H));
    for (size_t K = 0; K < Stride * static_cast<size_t>(H); ++K)
        I.Pixels[K] = static_cast<uint8_t>(K * 7 + 3);
    return I;
}

// The register over the site code and then the first Count bytes of each row.
uint32_t Expected(const std::string& Site, const TRenderedImage& I, size_t Count) {
    std::vector<uint8_t> All(Site.begin(), Site.end());
    for (int32_t Y = 0; Y < I.Height; ++Y)
        All.insert(All.end(), I.Row(Y), I.Row(Y) + Count);
    return Plain(All);
}

TEST(JpegChecksum, SiteCodeThenRowsWithoutPadding) {
    const TRenderedImage I = Image(5, 4, 20); // 15 bytes a row, 5 of padding
    uint32_t Crc = 0;
    FeedSiteCode("SITE-42", Crc);
    FeedRenderedRows(I, Crc);
    EXPECT_EQ(Crc, Expected("SITE-42", I, 15));
}

TEST(JpegChecksum, SiteCodeEndsAtItsNul) {
    uint32_t A = 0, B = 0;
    FeedSiteCode("abc\0def", A);
    FeedSiteCode("abc", B);
    EXPECT_EQ(A, 0xCA6598D0u);
    EXPECT_EQ(A, B);
    uint32_t Empty = 0;
    FeedSiteCode("", Empty);
    EXPECT_EQ(Empty, 0u);
}

TEST(JpegChecksum, WideRowsCoverCountModulo65536) {
    for (const int32_t W : {21845, 21846, 22000}) {
        const size_t RowBytes = static_cast<size_t>(W) * 3;
        const TRenderedImage I = Image(W, 2, RowBytes);
        uint32_t Crc = 0;
        FeedRenderedRows(I, Crc);
        EXPECT_EQ(Crc, Expected("", I, RowBytes % 65536)) << W;
    }
}

} // namespace
} // namespace quillon
