#include "codec/jpeg/jpeg_grey_quantizer.h"

#include "support/test_jpeg.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace quillon {
namespace {

using TRows = std::vector<std::vector<uint8_t>>;

TRows QuantizeAll(const TRows& Samples) {
    TGreyQuantizer Quantizer(static_cast<int>(Samples.at(0).size()));
    TRows Out;
    for (const auto& Row : Samples) {
        Out.emplace_back(Row.size());
        Quantizer.QuantizeRow(Row.data(), Out.back().data());
    }
    return Out;
}

TEST(GreyQuantizer, PaletteMatchesReferenceLevels) {
    std::ifstream In(test::TestDataDir() / "jpeg" / "gray_palette.txt");
    ASSERT_TRUE(In.good());
    std::vector<int> Expected;
    for (int V; In >> V;) {
        Expected.push_back(V);
    }
    ASSERT_EQ(Expected.size(), 236u);
    for (int J = 0; J < 236; ++J) {
        EXPECT_EQ(TGreyQuantizer::Level(static_cast<uint8_t>(J)), Expected[static_cast<size_t>(J)])
            << "level " << J;
    }
}

// 0, 254 and 255 are levels whose sample maps straight to them, so a flat
// field carries no error and every pixel keeps that level in both sweep
// directions.
TEST(GreyQuantizer, FlatFieldsOnExactLevelsCarryNoError) {
    for (int Value : {0, 254, 255}) {
        const TRows Out =
            QuantizeAll(TRows(5, std::vector<uint8_t>(13, static_cast<uint8_t>(Value))));
        for (const auto& Row : Out) {
            for (uint8_t Index : Row) {
                ASSERT_EQ(TGreyQuantizer::Level(Index), Value) << "flat field " << Value;
            }
        }
    }
    EXPECT_EQ(QuantizeAll({{0}}).at(0).at(0), 0);
    EXPECT_EQ(QuantizeAll({{255}}).at(0).at(0), 235);
}

// 1 and 128 sit on the upper edge of their breakpoints and map one level
// down (to 0 and 127) with an error of +1, as do 2 and 129 to the levels 1
// and 128. Both fields therefore dither the same way; the reference's own
// indices for a flat field of 1 give the pattern for both.
TEST(GreyQuantizer, FlatFieldsOfOneAndOneTwentyEightFollowReference) {
    const auto Ref =
        test::ReadBytes(test::TestDataDir() / "jpeg" / "rows" / "gray_flat001_40x16.idx");
    ASSERT_EQ(Ref.size(), 40u * 16u);
    for (int Value : {1, 128}) {
        const int Base = Value == 1 ? 0 : 117;
        const TRows Out =
            QuantizeAll(TRows(16, std::vector<uint8_t>(40, static_cast<uint8_t>(Value))));
        for (size_t Y = 0; Y < 16; ++Y) {
            for (size_t X = 0; X < 40; ++X) {
                ASSERT_EQ(Out[Y][X], Base + Ref[Y * 40 + X])
                    << "flat field " << Value << " at " << X << "," << Y;
            }
        }
    }
}

// 6 lies between levels 5 (index 5) and 7 (index 6). Worked by hand: the
// first row runs left to right with no error from above, the second right to
// left, the third left to right again.
TEST(GreyQuantizer, SerpentineErrorFlowOnSmallField) {
    const TRows Out = QuantizeAll(TRows(3, std::vector<uint8_t>(4, 6)));
    EXPECT_EQ(Out[0], (std::vector<uint8_t>{5, 5, 5, 5}));
    EXPECT_EQ(Out[1], (std::vector<uint8_t>{6, 6, 6, 5}));
    EXPECT_EQ(Out[2], (std::vector<uint8_t>{5, 5, 6, 5}));
}

// In a one-pixel-wide picture the error sent down lands in the spare entries
// beside the column and never reaches the next row.
TEST(GreyQuantizer, SingleColumnDropsDownwardError) {
    const TRows Out = QuantizeAll(TRows(6, std::vector<uint8_t>(1, 6)));
    for (const auto& Row : Out) {
        EXPECT_EQ(Row.at(0), 5);
    }
}

// For pictures made of flat blocks (only DC coefficients) the reference
// decoder's samples are known exactly: (q*DC + 4) >> 3, wrapped into
// -512..511, plus 128, clamped. That lets the quantiser be checked against
// the reference's own palette indices.
TRows FlatBlockSamples(const std::string& Name) {
    const auto Bytes = test::ReadBytes(test::TestDataDir() / "jpeg" / "jpeg" / (Name + ".jpg"));
    TRows Samples;
    try {
        test::TJpegReader Reader(Bytes);
        jpeg_decompress_struct& Info = Reader.Info;
        jpeg_read_header(&Info, TRUE);
        jvirt_barray_ptr* Arrays = jpeg_read_coefficients(&Info);
        const jpeg_component_info& Comp = Info.comp_info[0];
        const int Q = Comp.quant_table->quantval[0];
        const int W = static_cast<int>(Info.image_width);
        const int H = static_cast<int>(Info.image_height);
        Samples.assign(static_cast<size_t>(H), std::vector<uint8_t>(static_cast<size_t>(W)));
        for (int BR = 0; BR < static_cast<int>(Comp.height_in_blocks); ++BR) {
            JBLOCKARRAY Row =
                Info.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&Info), Arrays[0],
                                             static_cast<JDIMENSION>(BR), 1, FALSE);
            for (int BC = 0; BC < static_cast<int>(Comp.width_in_blocks); ++BC) {
                const JCOEF* Block = Row[0][BC];
                for (int K = 1; K < 64; ++K) {
                    if (Block[K] != 0) {
                        ADD_FAILURE() << Name << " has AC coefficients";
                    }
                }
                int D = (Block[0] * Q + 4) >> 3;
                D = ((D + 512) & 1023) - 512;
                const auto S = static_cast<uint8_t>(std::clamp(D + 128, 0, 255));
                for (int Y = BR * 8; Y < std::min(H, BR * 8 + 8); ++Y) {
                    for (int X = BC * 8; X < std::min(W, BC * 8 + 8); ++X) {
                        Samples[static_cast<size_t>(Y)][static_cast<size_t>(X)] = S;
                    }
                }
            }
        }
        jpeg_finish_decompress(&Info);
    } catch (const test::TJpegLibError&) {
        ADD_FAILURE() << Name << " could not be read";
    }
    return Samples;
}

TEST(GreyQuantizer, MatchesReferenceIndicesOnFlatBlockFiles) {
    for (const std::string Name :
         {"gray_flat001_40x16", "coef_dcsweep_q1_step17_gray64x64",
          "coef_dcsweep_q8_step1_gray64x64", "coef_dcsweep_q37_step3_gray64x64",
          "coef_dcsweep_q255_step1_gray64x64"}) {
        SCOPED_TRACE(Name);
        const TRows Samples = FlatBlockSamples(Name);
        ASSERT_FALSE(Samples.empty());
        const auto Expected =
            test::ReadBytes(test::TestDataDir() / "jpeg" / "rows" / (Name + ".idx"));
        const size_t W = Samples[0].size();
        ASSERT_EQ(Expected.size(), W * Samples.size());
        const TRows Out = QuantizeAll(Samples);
        for (size_t Y = 0; Y < Out.size(); ++Y) {
            const std::vector<uint8_t> Want(Expected.begin() + static_cast<long>(Y * W),
                                            Expected.begin() + static_cast<long>((Y + 1) * W));
            ASSERT_EQ(Out[Y], Want) << "row " << Y;
        }
    }
}

} // namespace
} // namespace quillon
