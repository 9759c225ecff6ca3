// The tiled pixel digest and the blocked movie digest against the same
// digests computed the plain way (each tile's or block's bytes gathered
// first), so the feeds' bookkeeping of edges and pieces shows.
#include "crypto/movie_digest.h"
#include "crypto/pixel_digest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace quillon {
namespace {

std::vector<uint8_t> Noise(size_t Size, uint32_t Seed) {
    std::mt19937 Rng(Seed);
    std::vector<uint8_t> Out(Size);
    for (uint8_t& B : Out)
        B = static_cast<uint8_t>(Rng());
    return Out;
}

struct TImageCase {
    const char* Name;
    uint32_t Width, Height, TileSize;
};

const TImageCase ImageCases[] = {
    {"OneTile", 10, 7, 16},           {"ExactTiles", 32, 48, 16},
    {"RaggedEdges", 37, 21, 16},      {"OnePixel", 1, 1, 64},
    {"TallNarrow", 3, 200, 64},
};

class PixelDigest : public testing::TestWithParam<TImageCase> {};

TEST_P(PixelDigest, EqualsTheDigestOfGatheredTiles) {
    const TImageCase& C = GetParam();
    const std::vector<uint8_t> Image = Noise(size_t{C.Width} * C.Height * 3, C.Width * 31 + C.Height);
    TPixelDigestFeed Feed(C.Width, C.Height, C.TileSize);
    for (uint32_t Y = 0; Y < C.Height; ++Y) {
        EXPECT_FALSE(Feed.Complete());
        Feed.AddRow(Image.data() + size_t{Y} * C.Width * 3);
    }
    ASSERT_TRUE(Feed.Complete());

    std::vector<TDigestBytes> Tiles;
    std::vector<uint8_t> Means;
    for (uint32_t Ty = 0; Ty < C.Height; Ty += C.TileSize)
        for (uint32_t Tx = 0; Tx < C.Width; Tx += C.TileSize) {
            std::vector<uint8_t> Bytes;
            double Sum[3] = {0, 0, 0}; // blue, green, red
            for (uint32_t Y = Ty; Y < std::min(C.Height, Ty + C.TileSize); ++Y)
                for (uint32_t X = Tx; X < std::min(C.Width, Tx + C.TileSize); ++X)
                    for (int K = 0; K < 3; ++K) {
                        const uint8_t V = Image[(size_t{Y} * C.Width + X) * 3 + K];
                        Bytes.push_back(V);
                        Sum[K] += V;
                    }
            Tiles.push_back(Blake2b256(Bytes));
            const double N = static_cast<double>(Bytes.size() / 3);
            const double B = Sum[0] / N, G = Sum[1] / N, R = Sum[2] / N;
            Means.push_back(static_cast<uint8_t>(std::lround(0.299 * R + 0.587 * G + 0.114 * B)));
            Means.push_back(static_cast<uint8_t>(
                std::lround(128 - 0.168736 * R - 0.331264 * G + 0.5 * B)));
            Means.push_back(static_cast<uint8_t>(
                std::lround(128 + 0.5 * R - 0.418688 * G - 0.081312 * B)));
        }
    EXPECT_EQ(Feed.TileDigests(), Tiles);
    EXPECT_EQ(Feed.PixelDigest(), PixelDigestOfTiles(C.Width, C.Height, C.TileSize, Tiles));
    const std::vector<uint8_t> Short = Feed.ShortTileDigests(8);
    ASSERT_EQ(Short.size(), Tiles.size() * 8);
    EXPECT_TRUE(std::equal(Short.begin(), Short.begin() + 8, Tiles[0].begin()));
    const std::vector<uint8_t> Got = Feed.MeanYCbCr();
    ASSERT_EQ(Got.size(), Means.size());
    for (size_t I = 0; I < Got.size(); ++I) // the float route may round a half the other way
        EXPECT_LE(std::abs(int{Got[I]} - int{Means[I]}), 1) << I;
}

INSTANTIATE_TEST_SUITE_P(Shapes, PixelDigest, testing::ValuesIn(ImageCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(PixelDigest, OneChangedSampleChangesItsTileAndThePixelDigestOnly) {
    const uint32_t W = 40, H = 40, T = 16;
    std::vector<uint8_t> Image = Noise(W * H * 3, 5);
    const auto Digest = [&] {
        TPixelDigestFeed Feed(W, H, T);
        for (uint32_t Y = 0; Y < H; ++Y)
            Feed.AddRow(Image.data() + Y * W * 3);
        return std::make_pair(Feed.PixelDigest(), Feed.TileDigests());
    };
    const auto Before = Digest();
    Image[(20 * W + 35) * 3 + 1] ^= 1; // tile column 2, tile row 1
    const auto After = Digest();
    EXPECT_NE(Before.first, After.first);
    for (size_t I = 0; I < Before.second.size(); ++I)
        EXPECT_EQ(Before.second[I] == After.second[I], I != 5) << I;
}

// Detail counts luma steps inside a tile only: stripes of grey 90 and 100
// step by 40 quarter levels, 63 times in a 64-wide row; a flat tile has none,
// and the edge between two tiles belongs to neither.
TEST(PixelDigest, DetailIsTheMeanLumaStepInsideEachTile) {
    constexpr uint32_t W = 128, H = 70;
    std::vector<uint8_t> Row(W * 3);
    for (uint32_t X = 0; X < W; ++X) {
        const uint8_t V = X < 64 ? (X % 2 ? 100 : 90) : 200;
        Row[3 * X] = Row[3 * X + 1] = Row[3 * X + 2] = V;
    }
    TPixelDigestFeed Feed(W, H, 64);
    for (uint32_t Y = 0; Y < H; ++Y)
        Feed.AddRow(Row.data());
    // Tiles: striped, flat; then the 6-row strip below them, the same.
    EXPECT_EQ(Feed.TileDetail(), (std::vector<uint8_t>{39, 0, 39, 0}));
    const std::vector<uint8_t> Prints = Feed.MeanYCbCrDetail();
    ASSERT_EQ(Prints.size(), 16u);
    EXPECT_EQ(std::vector<uint8_t>(Prints.begin() + 4, Prints.begin() + 8),
              (std::vector<uint8_t>{200, 128, 128, 0}));
    EXPECT_EQ(Prints[3], 39);
}

TEST(PixelDigest, RowsBeyondTheImageAndEarlyResultsAreRefused) {
    TPixelDigestFeed Feed(2, 1, 16);
    EXPECT_THROW(Feed.PixelDigest(), std::logic_error);
    const uint8_t Row[6] = {};
    Feed.AddRow(Row);
    EXPECT_THROW(Feed.AddRow(Row), std::logic_error);
}

TEST(TileSize, GrowsSoThatEveryImageStaysWithinTheTileBudget) {
    EXPECT_EQ(ChooseTileSize(4000, 3000), 64u); // 12 MP: 63 x 47 = 2961 tiles
    EXPECT_EQ(ChooseTileSize(6000, 4000), 128u);
    EXPECT_EQ(ChooseTileSize(1, 1), 64u);
    for (const auto& [W, H] : {std::pair{65535u, 65535u}, std::pair{65535u, 1u}, std::pair{8000u, 6000u}}) {
        const uint32_t T = ChooseTileSize(W, H);
        EXPECT_LE(uint64_t{(W + T - 1) / T} * ((H + T - 1) / T), MaxTiles) << W << "x" << H;
    }
}

TEST(MovieDigest, EqualsTheDigestOfGatheredBlocksWhateverThePieces) {
    const uint32_t Block = 4096;
    for (const size_t Length : {size_t{0}, size_t{1}, size_t{4096}, size_t{4097}, size_t{20000}}) {
        const std::vector<uint8_t> Bytes = Noise(Length, static_cast<uint32_t>(Length));
        std::vector<TDigestBytes> Blocks;
        for (size_t At = 0; At < Length; At += Block)
            Blocks.push_back(Blake2b256(std::span<const uint8_t>(Bytes).subspan(
                At, std::min<size_t>(Block, Length - At))));
        const TDigestBytes Expected = MovieDigestOfBlocks(Length, Block, Blocks);
        for (const size_t Piece : {size_t{1}, size_t{1000}, size_t{4096}, size_t{65536}}) {
            TMovieDigestFeed Feed(Length, Block);
            for (size_t At = 0; At < Length; At += Piece)
                Feed.Add(std::span<const uint8_t>(Bytes).subspan(At, std::min(Piece, Length - At)));
            ASSERT_TRUE(Feed.Complete());
            EXPECT_EQ(Feed.BlockDigests(), Blocks) << Length << "/" << Piece;
            EXPECT_EQ(Feed.MovieDigest(), Expected) << Length << "/" << Piece;
        }
    }
}

TEST(MovieDigest, BytesBeyondTheSignedLengthAreRefused) {
    TMovieDigestFeed Feed(3, 4096);
    const uint8_t Four[4] = {};
    EXPECT_THROW(Feed.Add(Four), std::logic_error);
}

TEST(BlockSize, KeepsTheMapOfA2GBMovieAt4096Blocks) {
    EXPECT_EQ(ChooseBlockSize(0), 256u << 10);
    EXPECT_EQ(ChooseBlockSize(512ull << 20), 256u << 10); // 2048 blocks
    EXPECT_EQ(ChooseBlockSize(2ull << 30), 512u << 10);   // 4096 blocks
    EXPECT_EQ(ChooseBlockSize((2ull << 30) + 1), 1u << 20);
    EXPECT_EQ(ChooseBlockSize(4ull << 30), 1u << 20);
}

} // namespace
} // namespace quillon
