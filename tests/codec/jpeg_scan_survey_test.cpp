// The survey of scans must count what the library then reads: the same
// scans over the same components, on every multi-scan file of the reference
// data (restart markers, stuffed bytes, tables between scans, cut files),
// or a limit would refuse the wrong files.
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "codec/jpeg/jpeg_input.h"
#include "codec/jpeg/jpeg_scan_survey.h"
#include "codec/jpeg/jpeg_stream_checks.h"
#include "support/test_jpeg.h"
#include "support/test_support.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

struct TCount {
    uint64_t Scans = 0;
    uint64_t Work = 0;
    bool operator==(const TCount&) const = default;
};

// The scans the library reads, counted by the decoder's own scan check
// with limits that never refuse; none when the library fails on the file.
std::optional<TCount> ScansRead(const std::vector<uint8_t>& Bytes, TCount& Surveyed) {
    try {
        test::TJpegReader Reader(Bytes);
        jpeg_read_header(&Reader.Info, TRUE);
        if (!jpeg_has_multiple_scans(&Reader.Info))
            return std::nullopt;
        const std::unique_ptr<TPieceReader> Pieces =
            TJpegInput::Memory(Bytes.data(), Bytes.size()).Open();
        const TScanSurvey Survey = SurveyScans(*Pieces, Reader.Info, UINT32_MAX);
        Surveyed = {Survey.Scans, Survey.Work};
        TJpegLimits Unlimited;
        Unlimited.MaxScans = UINT32_MAX;
        Unlimited.MaxWorkPerByte = UINT32_MAX;
        TScanBudget Budget{&Unlimited, Bytes.size(), 0, 0};
        {
            TScanTableGuard Guard(Reader.Info, &Budget);
            jpeg_read_coefficients(&Reader.Info);
        }
        return TCount{Budget.Scans, Budget.Work};
    } catch (...) {
        return std::nullopt;
    }
}

TEST(JpegScanSurvey, CountsTheScansTheLibraryReads) {
    int Compared = 0;
    for (const char* Folder : {"jpeg/jpeg", "jpeg-signed/jpeg"}) {
        for (const auto& Entry : fs::directory_iterator(test::TestDataDir() / Folder)) {
            if (Entry.path().extension() != ".jpg")
                continue;
            SCOPED_TRACE(Entry.path().filename().string());
            TCount Surveyed;
            const std::optional<TCount> Read = ScansRead(test::ReadBytes(Entry.path()), Surveyed);
            if (!Read)
                continue;
            EXPECT_EQ(Surveyed.Scans, Read->Scans);
            EXPECT_EQ(Surveyed.Work, Read->Work);
            ++Compared;
        }
    }
    EXPECT_GT(Compared, 30);
}

// A survey asked to stop early stops just past the count that matters.
TEST(JpegScanSurvey, StopsOnceTheLimitIsPassed) {
    test::TTestPicture Picture;
    Picture.Width = 64;
    Picture.Height = 48;
    Picture.Layout = test::TScanLayout::SimpleProgression;
    Picture.Gradient = [](int X, int Y, int C) { return X + Y + C * 40; };
    const std::vector<uint8_t> Bytes = test::EncodeTestJpeg(Picture);
    test::TJpegReader Reader(Bytes);
    jpeg_read_header(&Reader.Info, TRUE);
    for (const uint64_t Stop : {0u, 3u, 100u}) {
        const auto Pieces = TJpegInput::Memory(Bytes.data(), Bytes.size()).Open();
        EXPECT_EQ(SurveyScans(*Pieces, Reader.Info, Stop).Scans, std::min<uint64_t>(Stop + 1, 10))
            << Stop;
    }
}

} // namespace
} // namespace quillon
