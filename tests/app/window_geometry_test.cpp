// The shared layout table, the caption fit and the sizing of previews.
#include "caption_fit.h"
#include "picture_fit.h"
#include "window_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace quillon {
namespace {

struct TScaleCase {
    int Dpi;
    TDesignRect In, Out;
};

TEST(WindowLayout, RectanglesScaleByTheirEdges) {
    const TScaleCase Cases[] = {
        {96, {3, 3, 319, 207}, {3, 3, 319, 207}},      {144, {3, 3, 319, 207}, {5, 5, 478, 310}},
        {144, {0, 104, 329, 217}, {0, 156, 494, 326}}, {120, {8, 40, 48, 13}, {10, 50, 60, 16}},
        {192, {64, 72, 265, 17}, {128, 144, 530, 34}}, {72, {160, 36, 75, 25}, {120, 27, 56, 19}},
    };
    for (const TScaleCase& C : Cases) {
        const TDesignRect R = ScaledRect(C.In, C.Dpi);
        EXPECT_EQ(R, C.Out) << C.Dpi << " dpi: " << R.Left << "," << R.Top << " " << R.Width << "x"
                            << R.Height;
    }
}

// A face whose characters are all as wide as their height, and half as high again.
TTextSize SquareFace(int Height, std::string_view Text) {
    return {Height * static_cast<int>(Text.size()), Height + Height / 2};
}

TEST(CaptionFit, TakesTheLargestHeightThatFitsEveryText) {
    struct TCase {
        const char* What;
        TTextSize Room;
        std::vector<std::string_view> Texts;
        int Expected;
    };
    const TCase Cases[] = {
        {"the design height fits", {120, 18}, {"Message"}, 12},
        {"too narrow", {60, 18}, {"Message"}, 8},
        {"the widest text decides", {110, 40}, {"abc", "abcdefghij"}, 11},
        {"too low", {500, 13}, {"Site Code"}, 9},
        {"nothing fits", {5, 5}, {"Site Code"}, 8},
        {"no text", {0, 0}, {}, 12},
    };
    for (const TCase& C : Cases)
        EXPECT_EQ(FittingFontHeight(12, 8, C.Room, C.Texts, SquareFace), C.Expected) << C.What;
}

TEST(PictureFit, SizesForPicturesThatFitStayExact) {
    const TFitRoom Room{319, 12, 115, 1268, 900};
    EXPECT_EQ(FitPicture(200, 150, 1.0, Room), (TPictureFit{200, 150, 100}));
    EXPECT_EQ(FitPicture(640, 480, 1.0, Room), (TPictureFit{640, 480, 100}));
    EXPECT_EQ(FitPicture(1256, 785, 1.0, Room), (TPictureFit{1256, 785, 100}));
    // Scaled with the screen, rounded.
    EXPECT_EQ(FitPicture(200, 150, 1.5, Room), (TPictureFit{300, 225, 100}));
    EXPECT_EQ(FitPicture(3, 1, 1.25, Room), (TPictureFit{4, 1, 100}));
    // A screen smaller than the design still shows a design-wide picture.
    EXPECT_EQ(FitPicture(300, 100, 1.0, {319, 12, 115, 200, 400}), (TPictureFit{300, 100, 100}));
}

TEST(PictureFit, ReducedPicturesKeepTheirProportions) {
    const TFitRoom Room{319, 12, 115, 1268, 900}; // room for 1256 x 785
    for (const auto& [W, H] :
         {std::pair{6028, 3391}, {3000, 2000}, {1257, 10}, {10, 786}, {20000, 20000}}) {
        const TPictureFit Fit = FitPicture(W, H, 1.0, Room);
        SCOPED_TRACE(std::to_string(W) + "x" + std::to_string(H));
        EXPECT_TRUE(Fit.Width == 1256 || Fit.Height == 785);
        EXPECT_LE(Fit.Width, 1256);
        EXPECT_LE(Fit.Height, 785);
        EXPECT_LT(Fit.Percent, 100);
        // Within a pixel of the exact proportion.
        EXPECT_LE(std::abs(static_cast<long long>(Fit.Width) * H -
                           static_cast<long long>(Fit.Height) * W),
                  std::max(W, H));
    }
}

TRenderedImage Picture(int W, int H, const std::vector<uint8_t>& Bytes) {
    TRenderedImage P;
    P.Width = W;
    P.Height = H;
    P.Stride = 3 * static_cast<size_t>(W);
    P.Pixels = std::make_unique<uint8_t[]>(P.Stride * static_cast<size_t>(H));
    std::copy(Bytes.begin(), Bytes.end(), P.Pixels.get());
    return P;
}

std::vector<uint8_t> Bytes(const TRenderedImage& P) {
    std::vector<uint8_t> Out;
    for (int Y = 0; Y < P.Height; ++Y)
        Out.insert(Out.end(), P.Row(Y), P.Row(Y) + 3 * static_cast<size_t>(P.Width));
    return Out;
}

TEST(PictureFit, ResamplingAveragesTheCoveredArea) {
    // 2 x 2 to 1 x 1: the mean of four pixels, channel by channel.
    const TRenderedImage Four = Picture(2, 2, {0, 10, 200, 100, 20, 200, 0, 30, 0, 100, 40, 0});
    EXPECT_EQ(Bytes(ResamplePicture(Four, 1, 1)), (std::vector<uint8_t>{50, 25, 100}));
    // 3 x 1 to 2 x 1: the middle pixel is shared half and half.
    const TRenderedImage Three = Picture(3, 1, {0, 0, 0, 90, 90, 90, 180, 180, 180});
    EXPECT_EQ(Bytes(ResamplePicture(Three, 2, 1)),
              (std::vector<uint8_t>{30, 30, 30, 150, 150, 150}));
    // Enlarging repeats pixels; the same size copies.
    const TRenderedImage Two = Picture(2, 1, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(Bytes(ResamplePicture(Two, 4, 2)),
              (std::vector<uint8_t>{1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6,
                                    1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6}));
    EXPECT_EQ(Bytes(ResamplePicture(Four, 2, 2)), Bytes(Four));
}

TEST(PictureFit, ResamplingReadsRowsAtTheirStride) {
    // Rows lie 4 bytes a pixel apart in four-component files.
    TRenderedImage Wide = Picture(2, 2, {});
    Wide.Stride = 8;
    Wide.Pixels = std::make_unique<uint8_t[]>(16);
    const uint8_t Rows[16] = {10, 10, 10, 30, 30, 30, 99, 99, 50, 50, 50, 70, 70, 70, 99, 99};
    std::copy(std::begin(Rows), std::end(Rows), Wide.Pixels.get());
    Wide.StoredRgbOrder = true;
    const TRenderedImage One = ResamplePicture(Wide, 1, 1);
    EXPECT_EQ(Bytes(One), (std::vector<uint8_t>{40, 40, 40}));
    EXPECT_TRUE(One.StoredRgbOrder);
}

} // namespace
} // namespace quillon
