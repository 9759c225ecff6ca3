// The inverse DCT: hand-computed blocks at the extremes of the output stage,
// the textbook transform as a sanity bound, and the eight-lane evaluation
// held to the one-value-at-a-time extended-precision evaluation.
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

#include "codec/jpeg/jpeg_idct.h"

namespace quillon {
namespace {

struct TBlock {
    int16_t Coef[64] = {};
};

std::vector<float> Multipliers(uint16_t Q) {
    std::vector<uint16_t> Table(64, Q);
    std::vector<float> M(64);
    MakeDequantTable(Table.data(), M.data());
    return M;
}

std::vector<uint8_t> Render(const TBlock& B, const std::vector<float>& M, bool Reference) {
    std::vector<uint8_t> Out(64);
    if (Reference)
        InverseDctBlockReference(B.Coef, M.data(), Out.data(), 8);
    else
        InverseDctBlock(B.Coef, M.data(), Out.data(), 8);
    return Out;
}

TEST(JpegIdct, OutputStageDescalesWrapsAndClamps) {
    EXPECT_EQ(IdctOutputSample(0.0), 128);
    EXPECT_EQ(IdctOutputSample(3.99), 128);    // (3 + 4) >> 3 = 0
    EXPECT_EQ(IdctOutputSample(4.0), 129);     // rounds half up
    EXPECT_EQ(IdctOutputSample(-4.0), 128);    // (-4 + 4) >> 3 = 0
    EXPECT_EQ(IdctOutputSample(-4.9), 128);    // truncation toward zero first
    EXPECT_EQ(IdctOutputSample(-5.0), 127);    // (-5 + 4) >> 3 = -1
    EXPECT_EQ(IdctOutputSample(1016.0), 255);  // 127 + 128
    EXPECT_EQ(IdctOutputSample(4088.0), 255);  // 511: still the top of the range
    EXPECT_EQ(IdctOutputSample(4096.0), 0);    // 512 wraps to -512
    EXPECT_EQ(IdctOutputSample(8232.0), 133);  // 1029 wraps to 5
    EXPECT_EQ(IdctOutputSample(-1024.0), 0);   // -128 + 128
    EXPECT_EQ(IdctOutputSample(-8192.0), 128); // -1024 wraps to 0
    EXPECT_EQ(IdctOutputSample(1e12), 128);    // out of range: integer indefinite, 0x80000000
}

TEST(JpegIdct, DequantTableFollowsTheScaleFactors) {
    std::vector<uint16_t> Q(64, 1);
    Q[9] = 65535;
    float M[64];
    MakeDequantTable(Q.data(), M);
    EXPECT_EQ(M[0], 1.0f);
    EXPECT_EQ(M[1], static_cast<float>(1.387039845));
    EXPECT_EQ(M[8], static_cast<float>(1.387039845));
    EXPECT_EQ(M[63], static_cast<float>(TExtended(0.275899379) * TExtended(0.275899379)));
    EXPECT_EQ(M[9], static_cast<float>(TExtended(65535) * 1.387039845 * 1.387039845));
    MakeDequantTable(nullptr, M);
    for (float V : M)
        EXPECT_EQ(V, 0.0f);
}

TEST(JpegIdct, DcOnlyBlocksAreFlatAtTheirHandComputedValue) {
    const std::vector<float> M = Multipliers(1);
    struct {
        int16_t Dc;
        uint8_t Sample;
    } Cases[] = {{0, 128},  {8, 129},    {-8, 127},    {1016, 255},  {-1024, 0},
                 {4096, 0}, {8232, 133}, {-8192, 128}, {32767, 128}, {-32768, 128}};
    for (const auto& C : Cases) {
        TBlock B;
        B.Coef[0] = C.Dc;
        for (bool Reference : {true, false})
            for (uint8_t S : Render(B, M, Reference))
                ASSERT_EQ(S, C.Sample) << "DC " << C.Dc << (Reference ? " reference" : " fast");
    }
}

TEST(JpegIdct, AllZeroBlockWithNoTableIsMidGrey) {
    TBlock B;
    B.Coef[5] = 300; // a component without a table has zero multipliers
    float M[64];
    MakeDequantTable(nullptr, M);
    uint8_t Out[64];
    InverseDctBlock(B.Coef, M, Out, 8);
    for (uint8_t S : Out)
        EXPECT_EQ(S, 128);
}

// The mathematical 2-D IDCT in double: the exact evaluation must stay within
// one level of it wherever the samples do not clamp or wrap.
TEST(JpegIdct, ReferenceIsAnInverseDct) {
    std::mt19937 Rng(7);
    std::uniform_int_distribution<int> Amp(-40, 40);
    std::vector<uint16_t> Table(64);
    for (int I = 0; I < 64; ++I)
        Table[I] = static_cast<uint16_t>(1 + I % 7);
    std::vector<float> M(64);
    MakeDequantTable(Table.data(), M.data());
    for (int N = 0; N < 200; ++N) {
        TBlock B;
        for (int I = 0; I < 64; I += 1 + N % 5)
            B.Coef[I] = static_cast<int16_t>(Amp(Rng));
        const std::vector<uint8_t> Out = Render(B, M, true);
        for (int Y = 0; Y < 8; ++Y)
            for (int X = 0; X < 8; ++X) {
                double Sum = 0;
                for (int U = 0; U < 8; ++U)
                    for (int V = 0; V < 8; ++V) {
                        const double Cu = U == 0 ? std::sqrt(0.5) : 1.0;
                        const double Cv = V == 0 ? std::sqrt(0.5) : 1.0;
                        Sum += Cu * Cv * B.Coef[U * 8 + V] * Table[U * 8 + V] *
                               std::cos((2 * Y + 1) * U * std::numbers::pi / 16) *
                               std::cos((2 * X + 1) * V * std::numbers::pi / 16);
                    }
                const double Expected = Sum / 4 + 128;
                if (Expected < 1 || Expected > 254)
                    continue;
                ASSERT_NEAR(Out[Y * 8 + X], Expected, 1.0) << "block " << N;
            }
    }
}

// Random blocks of several kinds, each with its own random table.
TBlock RandomBlock(std::mt19937& Rng, int Kind) {
    TBlock B;
    switch (Kind) {
    case 0: { // photo-like: small values, decaying with frequency
        std::normal_distribution<double> N(0, 1);
        for (int I = 0; I < 64; ++I)
            B.Coef[I] = static_cast<int16_t>(std::lround(N(Rng) * 60.0 / (1 + I / 3)));
        break;
    }
    case 1: { // uniform over the baseline range
        std::uniform_int_distribution<int> U(-1023, 1023);
        for (auto& C : B.Coef)
            C = static_cast<int16_t>(U(Rng));
        break;
    }
    case 2: { // sparse extremes
        std::uniform_int_distribution<int> Pos(0, 63), Sign(0, 1), Count(1, 4);
        for (int K = Count(Rng); K > 0; --K)
            B.Coef[Pos(Rng)] = static_cast<int16_t>(Sign(Rng) ? 1023 : -1024);
        break;
    }
    default: { // tiny values, where roundings sit closest to each other
        std::uniform_int_distribution<int> U(-2, 2);
        for (auto& C : B.Coef)
            C = static_cast<int16_t>(U(Rng));
        break;
    }
    }
    return B;
}

std::vector<float> RandomTable(std::mt19937& Rng, int Kind) {
    std::vector<uint16_t> Q(64);
    std::uniform_int_distribution<int> Small(1, 255), Any(1, 65535);
    for (auto& V : Q)
        V = static_cast<uint16_t>(Kind == 1 ? Small(Rng) / 8 + 1
                                            : (Kind == 3 ? Any(Rng) : Small(Rng)));
    std::vector<float> M(64);
    MakeDequantTable(Q.data(), M.data());
    return M;
}

TEST(JpegIdct, FastPathEqualsReferenceOnRandomBlocks) {
    std::mt19937 Rng(20261208);
    int Unsure = 0, Total = 0;
    for (int Kind = 0; Kind < 4; ++Kind)
        for (int T = 0; T < 40; ++T) {
            const std::vector<float> M = RandomTable(Rng, (Kind + T) % 4);
            for (int N = 0; N < 1000; ++N) {
                const TBlock B = RandomBlock(Rng, Kind);
                const std::vector<uint8_t> Expected = Render(B, M, true);
                ASSERT_EQ(Render(B, M, false), Expected) << "kind " << Kind;
                uint8_t Vector[64];
                std::memset(Vector, 0xEE, sizeof(Vector));
                ++Total;
                if (!InverseDctBlockVector(B.Coef, M.data(), Vector, 8)) {
                    ++Unsure;
                    continue;
                }
                ASSERT_EQ(std::vector<uint8_t>(Vector, Vector + 64), Expected) << "kind " << Kind;
            }
        }
    if (VectorIdctAvailable()) {
        EXPECT_LT(Unsure, Total / 100) << "the vector path gives up too often";
    }
}

// Blocks on which the vector path declines exist, and the dispatcher still
// gets them right through the reference evaluation.
TEST(JpegIdct, DeclinedBlocksFallBackExactly) {
    if (!VectorIdctAvailable())
        GTEST_SKIP() << "no vector unit";
    std::mt19937 Rng(99);
    int Declined = 0;
    for (int N = 0; N < 400000 && Declined < 20; ++N) {
        const std::vector<float> M = RandomTable(Rng, N % 4);
        const TBlock B = RandomBlock(Rng, 3);
        uint8_t Vector[64];
        if (InverseDctBlockVector(B.Coef, M.data(), Vector, 8))
            continue;
        ++Declined;
        ASSERT_EQ(Render(B, M, false), Render(B, M, true));
    }
    EXPECT_GT(Declined, 0);
}

} // namespace
} // namespace quillon
