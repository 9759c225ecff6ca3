// A few hundred bytes can claim a 65500 x 65500 frame: such files must be
// refused from their headers, with a reason that says so, before any of the
// image is allocated; files within the limit decode as ever.
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "codec/jpeg/jpeg_memory_limit.h"
#include "codec/jpeg/jpeg_render.h"
#include "engine/mediasign.h"
#include "platform/process_memory.h"
#include "support/test_jpeg.h"
#include "support/test_support.h"

namespace quillon {
namespace {

using TBytes = std::vector<uint8_t>;

struct TScopedLimit {
    explicit TScopedLimit(uint64_t Bytes) { SetJpegMemoryLimit(Bytes); }
    ~TScopedLimit() { SetJpegMemoryLimit(0); }
};

TBytes SmallPicture(int Components, test::TScanLayout Layout) {
    test::TTestPicture Picture;
    Picture.Width = 48;
    Picture.Height = 32;
    Picture.Components = Components;
    Picture.Layout = Layout;
    Picture.Gradient = [](int X, int Y, int C) { return X * 4 + Y * 2 + C * 50; };
    return test::EncodeTestJpeg(Picture);
}

// The same stream with its frame header claiming Width x Height.
TBytes ClaimSize(TBytes D, int Width, int Height) {
    for (size_t P = 2; P + 9 <= D.size(); P += 2 + (D[P + 2] << 8 | D[P + 3])) {
        if (D[P + 1] == 0xC0 || D[P + 1] == 0xC2) {
            D[P + 5] = static_cast<uint8_t>(Height >> 8);
            D[P + 6] = static_cast<uint8_t>(Height);
            D[P + 7] = static_cast<uint8_t>(Width >> 8);
            D[P + 8] = static_cast<uint8_t>(Width);
            return D;
        }
    }
    ADD_FAILURE() << "no frame header";
    return D;
}

TEST(JpegMemoryLimit, HugeFramesAreRefusedFromTheirHeaders) {
    const TBytes Files[] = {
        ClaimSize(SmallPicture(3, test::TScanLayout::Baseline), 65500, 65500),
        ClaimSize(SmallPicture(1, test::TScanLayout::SimpleProgression), 65500, 65500),
    };
    test::TScratchDir Dir;
    const int64_t PeakBefore = PeakResidentBytes();
    for (const TBytes& File : Files) {
        const TScopedLimit Limit(1'000'000'000);
        try {
            RenderJpegMemory(File.data(), File.size());
            ADD_FAILURE() << "rendered";
        } catch (const EImageTooLarge& E) {
            const std::string Text = E.what();
            EXPECT_EQ(Text.rfind("image too large: 65500 x 65500 needs ", 0), 0u) << Text;
            EXPECT_NE(Text.find(" GB, limit 1.0 GB"), std::string::npos) << Text;
        }
        // Verification refuses it as well, with that reason, although it
        // would hold only a band of rows at a time.
        const std::string Path = Dir / "huge.jpg";
        test::WriteBytes(Path, File);
        const TVerifyResult R = VerifyJpegFile("SITE-42", Path.c_str());
        EXPECT_EQ(R.Code, VerifyOtherFailure);
        EXPECT_EQ(R.Reason.rfind("image too large: ", 0), 0u) << R.Reason;
    }
    EXPECT_LT(PeakResidentBytes() - PeakBefore, 64 << 20);
}

TEST(JpegMemoryLimit, ALimitRefusesOnlyWhatExceedsIt) {
    for (const TBytes& File : {SmallPicture(3, test::TScanLayout::Baseline),
                               SmallPicture(3, test::TScanLayout::SimpleProgression)}) {
        const TRenderedImage Free = RenderJpegMemory(File.data(), File.size());
        {
            const TScopedLimit Tight(4'000);
            EXPECT_THROW(RenderJpegMemory(File.data(), File.size()), EImageTooLarge);
        }
        const TScopedLimit Ample(1'000'000);
        const TRenderedImage Limited = RenderJpegMemory(File.data(), File.size());
        ASSERT_EQ(Limited.Height, Free.Height);
        for (int32_t Y = 0; Y < Free.Height; ++Y)
            EXPECT_EQ(0, std::memcmp(Limited.Row(Y), Free.Row(Y), Free.Width * 3u)) << Y;
    }
}

TEST(JpegMemoryLimit, DefaultIsAQuarterOfPhysicalMemory) {
    SetJpegMemoryLimit(0);
    EXPECT_EQ(JpegMemoryLimit(), PhysicalMemoryBytes() / 4);
    EXPECT_EQ(FormatByteCount(12'870'000'000), "12.9 GB");
    EXPECT_EQ(FormatByteCount(999), "999 bytes");
}

} // namespace
} // namespace quillon
