// Upsampling edge rules and colour conversion extremes, computed by hand.
#include <gtest/gtest.h>
#include <vector>

#include "codec/jpeg/jpeg_color.h"
#include "codec/jpeg/jpeg_component_planes.h"
#include "codec/jpeg/jpeg_upsample.h"

namespace quillon {
namespace {

using TRow = std::vector<uint8_t>;

TEST(JpegUpsample, FancyFiltersNeedMoreThanTwoSamples) {
    for (int Width : {1, 2}) {
        EXPECT_EQ(ChooseUpsampleMethod(2, 1, Width), TUpsampleMethod::Replicate) << Width;
        EXPECT_EQ(ChooseUpsampleMethod(2, 2, Width), TUpsampleMethod::Replicate) << Width;
    }
    EXPECT_EQ(ChooseUpsampleMethod(2, 1, 3), TUpsampleMethod::H2V1Fancy);
    EXPECT_EQ(ChooseUpsampleMethod(2, 2, 3), TUpsampleMethod::H2V2Fancy);
    // Half resolution down only has no filter; neither has any other ratio.
    EXPECT_EQ(ChooseUpsampleMethod(1, 2, 100), TUpsampleMethod::Replicate);
    EXPECT_EQ(ChooseUpsampleMethod(4, 1, 100), TUpsampleMethod::Replicate);
    EXPECT_EQ(ChooseUpsampleMethod(2, 4, 100), TUpsampleMethod::Replicate);
    EXPECT_EQ(ChooseUpsampleMethod(1, 1, 1), TUpsampleMethod::Full);
}

TEST(JpegUpsample, HorizontalFilterAtWidthThree) {
    const TRow In = {10, 50, 90};
    TRow Out(6);
    UpsampleH2V1Fancy(In.data(), 3, Out.data());
    // Ends copied; inside 3/4 nearer + 1/4 farther, rounding 1 then 2.
    EXPECT_EQ(Out, (TRow{10, 20, 40, 60, 80, 90}));
}

TEST(JpegUpsample, HorizontalFilterRoundsAlternately) {
    const TRow In = {0, 1, 0, 1};
    TRow Out(8);
    UpsampleH2V1Fancy(In.data(), 4, Out.data());
    // (0*3+1+2)>>2 = 0, (3+0+1)>>2 = 1, (3+0+2)>>2 = 1, (0+1+1)>>2 = 0, ...
    EXPECT_EQ(Out, (TRow{0, 0, 1, 1, 0, 0, 1, 1}));
}

TEST(JpegUpsample, TwoByTwoFilterAtWidthThree) {
    const TRow Near = {0, 100, 200}, Far = {40, 40, 40};
    TRow Out(6);
    UpsampleH2V2Fancy(Near.data(), Far.data(), 3, Out.data());
    // Column sums 40, 340, 640; ends (4s + 8) >> 4 and (4s + 7) >> 4.
    EXPECT_EQ(Out, (TRow{10, 29, 66, 104, 141, 160}));
}

TEST(JpegUpsample, TwoByTwoFilterEdgeRoundings) {
    const TRow Flat = {255, 255, 255};
    TRow Out(6);
    UpsampleH2V2Fancy(Flat.data(), Flat.data(), 3, Out.data());
    EXPECT_EQ(Out, TRow(6, 255)); // (4 * 1020 + 7) >> 4 stays 255
    const TRow One = {1, 1, 1};
    UpsampleH2V2Fancy(One.data(), One.data(), 3, Out.data());
    EXPECT_EQ(Out, TRow(6, 1));
}

TEST(JpegUpsample, ReplicationAtWidthsOneAndTwo) {
    const TRow One = {7};
    TRow Out(2);
    UpsampleReplicate(One.data(), 2, 2, Out.data());
    EXPECT_EQ(Out, (TRow{7, 7}));
    const TRow Two = {1, 2};
    Out.assign(3, 0);
    UpsampleReplicate(Two.data(), 2, 3, Out.data()); // odd output width
    EXPECT_EQ(Out, (TRow{1, 1, 2}));
    Out.assign(5, 0);
    UpsampleReplicate(Two.data(), 3, 5, Out.data());
    EXPECT_EQ(Out, (TRow{1, 1, 1, 2, 2}));
}

TRow Bgr(uint8_t Y, uint8_t Cb, uint8_t Cr, int Width = 1) {
    const TRow Ys(Width, Y), Cbs(Width, Cb), Crs(Width, Cr);
    TRow Out(3 * Width);
    YCbCrToBgrRow(Ys.data(), Cbs.data(), Crs.data(), Width, Out.data());
    return Out;
}

TEST(JpegColor, YCbCrExtremes) {
    EXPECT_EQ(Bgr(255, 128, 128), (TRow{255, 255, 255}));
    EXPECT_EQ(Bgr(0, 128, 128), (TRow{0, 0, 0}));
    // Cb = Cr = 255: blue and red clamp high, green = 255 + (-8775444 >> 16) = 121.
    EXPECT_EQ(Bgr(255, 255, 255), (TRow{255, 121, 255}));
    // Cb = Cr = 0: blue and red clamp low, green = 8910336 >> 16 = 135.
    EXPECT_EQ(Bgr(0, 0, 0), (TRow{0, 135, 0}));
    // Red = 100 + ((91881 * 127 + 32768) >> 16) = 100 + 178 clamps; green =
    // 100 + ((32768 - 46802 * 127) >> 16) = 100 + (-5911086 >> 16) = 100 - 91.
    EXPECT_EQ(Bgr(100, 128, 255), (TRow{100, 9, 255}));
    // Green = 100 + ((32768 - 22554 * 127) >> 16) = 100 + (-2831590 >> 16) = 100 - 44.
    EXPECT_EQ(Bgr(100, 255, 128), (TRow{255, 56, 100}));
}

TEST(JpegColor, VectorAndScalarPartsAgreeOnEveryPixel) {
    // 37 pixels: two vector blocks of 16 and a scalar tail of 5.
    const int Width = 37;
    TRow Y(Width), Cb(Width), Cr(Width);
    for (int Round = 0; Round < 256 * 256 / Width + 1; ++Round) {
        for (int X = 0; X < Width; ++X) {
            const int N = Round * Width + X;
            Y[X] = static_cast<uint8_t>(N * 7);
            Cb[X] = static_cast<uint8_t>(N);
            Cr[X] = static_cast<uint8_t>(N >> 8);
        }
        TRow Out(3 * Width);
        YCbCrToBgrRow(Y.data(), Cb.data(), Cr.data(), Width, Out.data());
        for (int X = 0; X < Width; ++X)
            ASSERT_EQ(TRow(Out.begin() + 3 * X, Out.begin() + 3 * X + 3), Bgr(Y[X], Cb[X], Cr[X]))
                << "pixel " << X << " of round " << Round;
    }
}

TEST(JpegColor, YcckBecomesInvertedCmykWithKPassedThrough) {
    const TRow Y = {255, 0}, Cb = {128, 128}, Cr = {128, 255}, K = {77, 200};
    TRow Out(8);
    YcckToCmykRow(Y.data(), Cb.data(), Cr.data(), K.data(), 2, Out.data());
    // White gives no ink; red = 0 + 178 gives C = 255 - 178, green = -91.
    EXPECT_EQ(Out, (TRow{0, 0, 0, 77, 77, 255, 255, 200}));
}

TEST(JpegColor, CmykToBgrBothConventionsInPlace) {
    TRow Row = {255, 255, 255, 255, 255, 0, 128, 255, 0, 0, 0, 0};
    CmykToBgrRow(Row.data(), 3, true, Row.data()); // Adobe: 255 = no ink
    EXPECT_EQ(TRow(Row.begin(), Row.begin() + 9), (TRow{255, 255, 255, 128, 0, 255, 0, 0, 0}));
    TRow Plain = {0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 128, 0};
    CmykToBgrRow(Plain.data(), 3, false, Plain.data()); // plain: 0 = no ink
    EXPECT_EQ(TRow(Plain.begin(), Plain.begin() + 9), (TRow{255, 255, 255, 0, 0, 0, 127, 255, 0}));
}

} // namespace
} // namespace quillon
