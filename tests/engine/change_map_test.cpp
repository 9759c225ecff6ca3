// Where a photo changed: tile tables compared as a verifier compares a
// signed copy's tables with those of the photo at hand.
#include "engine/change_map.h"
#include "engine/tile_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <stdexcept>

namespace quillon {
namespace {

// A W x H photo cut into tiles of T, every digest and fingerprint distinct.
TTileTables Table(uint32_t W, uint32_t H, uint32_t T) {
    TTileTables Tb;
    Tb.Width = W, Tb.Height = H, Tb.TileSize = T, Tb.DigestBytes = 8;
    Tb.Digests.resize(Tb.TileCount() * 8);
    Tb.Fingerprints.resize(Tb.TileCount() * 3);
    Tb.Detail.assign(Tb.TileCount(), 40);
    if (Tb.TileCount() > 8)
        Tb.Detail[8] = 4; // a tile with little detail
    for (size_t I = 0; I < Tb.Digests.size(); ++I)
        Tb.Digests[I] = static_cast<uint8_t>(I * 7 + 1);
    for (size_t I = 0; I < Tb.Fingerprints.size(); ++I)
        Tb.Fingerprints[I] = static_cast<uint8_t>(100 + I % 50);
    return Tb;
}

// The tile at (C, R) with another digest and its fingerprint moved by Move.
void Change(TTileTables& Tb, uint32_t C, uint32_t R, int Move) {
    const size_t I = size_t{R} * Tb.Columns() + C;
    ++Tb.Digests[I * 8]; // differs after any number of changes below 256
    Tb.Fingerprints[I * 3 + 1] = static_cast<uint8_t>(Tb.Fingerprints[I * 3 + 1] + Move);
}

void ChangeAll(TTileTables& Tb, int Move) {
    for (uint32_t R = 0; R < Tb.Rows(); ++R)
        for (uint32_t C = 0; C < Tb.Columns(); ++C)
            Change(Tb, C, R, Move);
}

struct TCase {
    const char* Name;
    void (*Edit)(TTileTables& Now);
    TChangeClass Class;
    std::vector<TChangeRegion> Regions;
    const char* Summary;
};

// 300 x 200 in tiles of 64: 5 x 4 tiles, the last column 44 wide and the
// last row 8 high.
const TCase Cases[] = {
    {"Untouched", [](TTileTables&) {}, TChangeClass::PixelsIdentical, {}, "pixels identical"},
    {"SavedAgain", [](TTileTables& T) { ChangeAll(T, 1); }, TChangeClass::SavedAgain, {},
     "saved again, content unchanged"},
    {"SavedAgainWithOnePatch",
     [](TTileTables& T) {
         ChangeAll(T, 1);
         // Two tiles side by side moved by 9 and 20 on top of the noise.
         Change(T, 1, 1, 8), Change(T, 2, 1, 19);
     },
     TChangeClass::Edited,
     {{64, 64, 128, 64, TTileChange::Content, 20}},
     "edited: 1 region"},
    {"TwoPatchesStrongestFirst",
     [](TTileTables& T) {
         ChangeAll(T, 1);
         Change(T, 0, 0, 4);
         Change(T, 4, 3, 39); // the corner tile, clipped to 44 x 8
     },
     TChangeClass::Edited,
     {{256, 192, 44, 8, TTileChange::Content, 40}, {0, 0, 64, 64, TTileChange::Content, 5}},
     "edited: 2 regions"},
    {"SlightChangesInFewTiles",
     // What saving again does to the flat parts of a photo, too.
     [](TTileTables& T) { Change(T, 3, 0, 0), Change(T, 3, 1, 1); },
     TChangeClass::SavedAgain,
     {},
     "slight changes in 2 tiles, content unchanged"},
    {"BlurredTileKeepsItsMeanButLosesDetail",
     [](TTileTables& T) {
         ChangeAll(T, 1);
         T.Detail[7] = 20; // signed with 40
     },
     TChangeClass::Edited,
     {{128, 64, 64, 64, TTileChange::Content, 5}},
     "edited: 1 region"},
    {"EveryTileSmoothedAlike",
     // Saving again at a low quality takes detail from every tile.
     [](TTileTables& T) {
         ChangeAll(T, 1);
         std::fill(T.Detail.begin(), T.Detail.end(), 18);
     },
     TChangeClass::SavedAgain,
     {},
     "saved again, content unchanged"},
    {"DetailWithinTheNoiseOfSavingAgain",
     [](TTileTables& T) {
         ChangeAll(T, 1);
         T.Detail[7] = 36; // 10 % less
         T.Detail[8] = 2;  // signed with 4: fewer steps than count
     },
     TChangeClass::SavedAgain,
     {},
     "saved again, content unchanged"},
    {"DiagonalTilesStayApart",
     [](TTileTables& T) { Change(T, 0, 0, 10), Change(T, 1, 1, 10); },
     TChangeClass::Edited,
     {{0, 0, 64, 64, TTileChange::Content, 10}, {64, 64, 64, 64, TTileChange::Content, 10}},
     "edited: 2 regions"},
};

void PrintTo(const TCase& Case, std::ostream* Out) {
    *Out << Case.Name;
}

class ChangeMapCase : public testing::TestWithParam<TCase> {};

TEST_P(ChangeMapCase, ClassRegionsAndSummary) {
    const TTileTables Signed = Table(300, 200, 64);
    TTileTables Now = Signed;
    GetParam().Edit(Now);
    const TChangeMap Map = CompareTiles(Signed, Now);
    EXPECT_EQ(Map.Class, GetParam().Class);
    EXPECT_EQ(Map.Regions, GetParam().Regions);
    EXPECT_EQ(ChangeSummary(Map, Signed, Now), GetParam().Summary);
}

INSTANTIATE_TEST_SUITE_P(Tiles, ChangeMapCase, testing::ValuesIn(Cases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(ChangeMap, OtherDimensionsAreResizedOrCropped) {
    const TChangeMap Map = CompareTiles(Table(300, 200, 64), Table(150, 100, 64));
    EXPECT_EQ(Map.Class, TChangeClass::OtherSize);
    EXPECT_TRUE(Map.Tiles.empty());
    EXPECT_EQ(ChangeSummary(Map, Table(300, 200, 64), Table(150, 100, 64)),
              "resized or cropped: 150 x 100, signed 300 x 200");
}

TEST(ChangeMap, TablesThatDoNotFitTheirImageAreRefused) {
    const TTileTables Good = Table(300, 200, 64);
    TTileTables ShortDigests = Good, ShortPrints = Good, ShortDetail = Good;
    const TTileTables OtherTiles = Table(300, 200, 128);
    ShortDigests.Digests.pop_back();
    ShortPrints.Fingerprints.resize(3);
    ShortDetail.Detail.resize(5);
    for (const TTileTables* Bad : {&ShortDigests, &ShortPrints, &ShortDetail}) {
        EXPECT_THROW(CompareTiles(Good, *Bad), std::invalid_argument);
        EXPECT_THROW(CompareTiles(*Bad, Good), std::invalid_argument);
    }
    EXPECT_THROW(CompareTiles(Good, OtherTiles), std::invalid_argument);
}

// The tables of real rows: one changed pixel changes its own tile's digest
// and nothing else; a tile's fingerprint is its mean.
TEST(TileTables, OnePixelChangesOneTile) {
    TRenderedImage Image;
    Image.Width = 130, Image.Height = 70, Image.Stride = 3 * 130;
    Image.Pixels = std::make_unique<uint8_t[]>(Image.Stride * Image.Height);
    std::memset(Image.Pixels.get(), 90, Image.Stride * Image.Height);
    const TTileTables Before = TileTablesOf(Image);
    ASSERT_EQ(Before.TileSize, 64u);
    ASSERT_EQ(Before.TileCount(), 6u); // 3 x 2
    EXPECT_EQ(Before.Fingerprints[0], 90); // grey 90: Y 90, Cb and Cr 128
    EXPECT_EQ(Before.Fingerprints[1], 128);
    Image.Row(10)[3 * 10 + 2] = 255; // in the first tile, too little to move its mean
    const TTileTables After = TileTablesOf(Image);
    const TChangeMap Map = CompareTiles(Before, After);
    ASSERT_EQ(Map.Class, TChangeClass::SavedAgain);
    std::vector<TTileChange> Expected(6, TTileChange::Same);
    Expected[0] = TTileChange::ExactOnly;
    EXPECT_EQ(Map.Tiles, Expected);
    EXPECT_TRUE(Map.Regions.empty());
    EXPECT_EQ(ChangeSummary(Map, Before, After), "slight changes in 1 tile, content unchanged");
}

} // namespace
} // namespace quillon
