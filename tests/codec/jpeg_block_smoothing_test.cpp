#include "codec/jpeg/jpeg_block_smoothing.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quillon {
namespace {

// A 3x3-block component held at a stride of 4 blocks and with one spare
// block row below, as the library pads to whole MCUs. The spare blocks
// carry absurd DC values: the edge rules must never reach them.
struct TGrid {
    static constexpr int Rows = 3;
    static constexpr int Cols = 3;
    static constexpr int Stride = 4;
    std::vector<JCOEF> Blocks = std::vector<JCOEF>((Rows + 1) * Stride * 64, 0);
    std::array<UINT16, 64> Quant{};

    explicit TGrid(const std::array<int, 9>& DCs) {
        for (int R = 0; R <= Rows; ++R) {
            for (int C = 0; C < Stride; ++C) {
                At(R, C)[0] = R < Rows && C < Cols ? static_cast<JCOEF>(DCs[R * 3 + C]) : 30000;
            }
        }
        Quant.fill(1);
        Quant[0] = 16;
        Quant[1] = 3;  // Q01
        Quant[8] = 4;  // Q10
        Quant[16] = 5; // Q20
        Quant[9] = 6;  // Q11
        Quant[2] = 7;  // Q02
    }
    JCOEF* At(int R, int C) { return &Blocks[static_cast<size_t>((R * Stride + C) * 64)]; }
    TComponentCoefficients View(std::array<int, 6> Bits = {0, -1, -1, -1, -1, -1}) const {
        TComponentCoefficients C{Cols, Rows, Stride, Blocks.data(), Quant.data(), {}};
        std::memcpy(C.CoefBits, Bits.data(), sizeof C.CoefBits);
        return C;
    }
};

const std::array<int, 9> DCs = {10, 20, 35, 40, 50, 70, 75, 90, 110};

struct TEstimates {
    int A01, A10, A20, A11, A02;
};

TEstimates Smooth(const TComponentCoefficients& C, int Row, int Col, JCOEF Out[64]) {
    SmoothBlock(C, Row, Col, Out);
    return {Out[1], Out[8], Out[16], Out[9], Out[2]};
}

void ExpectEstimates(const TEstimates& Got, const TEstimates& Want) {
    EXPECT_EQ(Got.A01, Want.A01);
    EXPECT_EQ(Got.A10, Want.A10);
    EXPECT_EQ(Got.A20, Want.A20);
    EXPECT_EQ(Got.A11, Want.A11);
    EXPECT_EQ(Got.A02, Want.A02);
}

// Worked by hand, e.g. AC01 of the centre: 36*16*(40-70) = -17280,
// (3*128 + 17280) / (3*256) = 23, negated.
TEST(BlockSmoothing, InteriorBlockFromAllNineNeighbours) {
    TGrid G(DCs);
    JCOEF Out[64];
    ExpectEstimates(Smooth(G.View(), 1, 1, Out), {-23, -39, 1, 1, 1});
    EXPECT_EQ(Out[0], 50);
    for (int K : {3, 10, 17, 24, 63}) {
        EXPECT_EQ(Out[K], 0) << "only the first five AC positions are estimated";
    }
}

// The top-left block stands in for its missing upper and left neighbours.
TEST(BlockSmoothing, FirstRowAndColumnRepeatThemselves) {
    TGrid G(DCs);
    JCOEF Out[64];
    ExpectEstimates(Smooth(G.View(), 0, 0, Out), {-8, -17, 3, 0, 1});
}

// The last block row and column repeat themselves too; the padding blocks
// beyond them (DC 30000) must not be used.
TEST(BlockSmoothing, LastRowAndColumnRepeatThemselves) {
    TGrid G(DCs);
    JCOEF Out[64];
    ExpectEstimates(Smooth(G.View(), 2, 2, Out), {-15, -23, -5, 0, -2});
    // Top-right: the row above and the right neighbour are the block itself.
    ExpectEstimates(Smooth(G.View(), 0, 2, Out), {-11, -20, 4, 0, -1});
}

// With Al bits still unknown an estimate is held below 2^Al in magnitude;
// a position already exact (Al 0) or a coefficient already received is
// left alone.
TEST(BlockSmoothing, AlLimitsAndKnownCoefficients) {
    TGrid G(DCs);
    JCOEF Out[64];
    ExpectEstimates(Smooth(G.View({0, 2, 2, 2, 2, 2}), 1, 1, Out), {-3, -3, 1, 1, 1});
    // Exactly 2^Al is already out of reach: 4 becomes 3, -8 becomes -7.
    ExpectEstimates(Smooth(G.View({0, 2, 2, 2, 2, 2}), 0, 2, Out), {-3, -3, 3, 0, -1});
    ExpectEstimates(Smooth(G.View({0, 3, 5, 5, 5, 5}), 0, 0, Out), {-7, -17, 3, 0, 1});
    ExpectEstimates(Smooth(G.View({0, 5, 0, 1, 2, 2}), 1, 1, Out), {-23, 0, 1, 1, 1});
    G.At(1, 1)[1] = 5;
    G.At(1, 1)[9] = -2;
    ExpectEstimates(Smooth(G.View(), 1, 1, Out), {5, -39, 1, -2, 1});
}

// A one-block-wide component has no
// horizontal differences at all.
TEST(BlockSmoothing, SingleBlockColumn) {
    TGrid G(DCs);
    TComponentCoefficients C = G.View();
    C.WidthInBlocks = 1;
    JCOEF Out[64];
    // AC10 = 36*16*(10-40) = -17280 ->
    // (512+17280)/1024 = 17, negated.
    ExpectEstimates(Smooth(C, 0, 0, Out), {0, -17, 3, 0, 0});
}

// Large tables and DC differences exceed
// 32 bits in the products; the estimate
// is formed in full and stored into the
// 16-bit coefficient.
TEST(BlockSmoothing, ProductsDoNotOverflow) {
    TGrid G({32767, -32768, -32768, 0, 0, 0, 0, 0, 0});
    G.Quant[0] = 65535;
    G.Quant[1] = 1;
    JCOEF Out[64];
    SmoothBlock(G.View(), 0, 0, Out);
    // 36*65535*65535 = 154614104100;
    // (128 + that) / 256 = 603961344,
    // which is 47104 modulo 65536,
    // -18432 as a 16-bit value.
    EXPECT_EQ(Out[1], -18432);
}

} // namespace
} // namespace quillon
