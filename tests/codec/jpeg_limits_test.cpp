// What a file may ask of a decode: a few bytes of header can claim a huge
// frame, and a few kilobytes thousands of scans over it. Such files must be
// refused from what they declare, with a reason that says which limit, before
// the image is allocated or decoded; real photos, blank ones in a deep
// progression included, decode as ever; the memory limit counts what each
// route really holds.
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "codec/jpeg/jpeg_limits.h"
#include "codec/jpeg/jpeg_render.h"
#include "engine/mediasign.h"
#include "platform/process_memory.h"
#include "support/test_jpeg.h"
#include "support/test_support.h"

namespace quillon {
namespace {

using TBytes = std::vector<uint8_t>;

void Append(TBytes& D, std::initializer_list<int> Bytes) {
    for (const int B : Bytes)
        D.push_back(static_cast<uint8_t>(B));
}

// A grey frame of Width x Height with the smallest tables there are (every
// block coded as "no change, end of block" in one bit each), Padding bytes of
// comments, and Scans scans that carry no coded data: the decoder fills each
// with zeros, which costs it a pass over every block all the same.
TBytes CraftedGrey(bool Progressive, int Width, int Height, int Scans, size_t Padding = 0) {
    TBytes D;
    Append(D, {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00});
    D.insert(D.end(), 64, 1);
    Append(D, {0xFF, Progressive ? 0xC2 : 0xC0, 0x00, 0x0B, 8, Height >> 8, Height & 0xFF,
               Width >> 8, Width & 0xFF, 1, 1, 0x11, 0});
    for (const int Class : {0x00, 0x10}) {
        Append(D, {0xFF, 0xC4, 0x00, 0x14, Class, 1});
        D.insert(D.end(), 15, 0);
        D.push_back(0);
    }
    for (; Padding > 0;) {
        const size_t Piece = std::min<size_t>(Padding, 60000);
        Append(D, {0xFF, 0xFE, static_cast<int>((Piece + 2) >> 8),
                   static_cast<int>((Piece + 2) & 0xFF)});
        D.insert(D.end(), Piece, 'c');
        Padding -= Piece;
    }
    for (int S = 0; S < Scans; ++S)
        Append(D, {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0x00, 0, Progressive ? 0 : 63, 0});
    Append(D, {0xFF, 0xD9});
    return D;
}

TJpegDecodeContext Within(const TJpegLimits& Limits) {
    TJpegDecodeContext Context;
    Context.Limits = Limits;
    return Context;
}

std::string RefusalOf(const TBytes& File, const TJpegLimits& Limits = {}) {
    try {
        RenderJpeg(TJpegInput::Memory(File.data(), File.size()), Within(Limits));
    } catch (const EJpegLimit& E) {
        return E.what();
    }
    return "(rendered)";
}

TEST(JpegLimits, CraftedFilesAreRefusedFromWhatTheyDeclare) {
    struct TCase {
        const char* What;
        TBytes File;
        std::string Reason;
    };
    const TCase Cases[] = {
        {"baseline header, no data", CraftedGrey(false, 20000, 20000, 1),
         "20000 x 20000 from 140 bytes, more pixels than such a file can code"},
        {"progressive header, no data", CraftedGrey(true, 20000, 20000, 1),
         "20000 x 20000 from 140 bytes, more pixels than such a file can code"},
        {"3000 empty scans", CraftedGrey(true, 8192, 8192, 3000),
         "8192 x 8192 from 30.1 kB, more pixels than such a file can code"},
        {"20000 empty scans over a frame the bytes could code",
         CraftedGrey(true, 1024, 1024, 20000), "more than 500 scans"},
        {"30 empty scans, too few bytes for that work", CraftedGrey(true, 2048, 2048, 30, 4000),
         "2048 x 2048 in 30 scans from 4.4 kB, more decoding than such a file can ask for"},
        {"too many pixels", CraftedGrey(false, 65500, 65500, 1, 5'000'000),
         "65500 x 65500 is more than 400 million pixels"},
    };
    test::TScratchDir Dir;
    const int64_t PeakBefore = PeakResidentBytes();
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.What);
        EXPECT_EQ(RefusalOf(C.File), C.Reason);
        // Verification refuses it with that reason too, holding only a band.
        const std::string Path = Dir / "crafted.jpg";
        test::WriteBytes(Path, C.File);
        const TVerifyResult R = VerifyJpegFile("SITE-42", Path.c_str());
        EXPECT_EQ(R.Code, VerifyOtherFailure);
        EXPECT_EQ(R.Reason, C.Reason);
    }
    EXPECT_LT(PeakResidentBytes() - PeakBefore, 64 << 20);
}

// Each limit gives way when raised, and the file then decodes.
TEST(JpegLimits, ARaisedLimitLetsTheFileThrough) {
    struct TCase {
        const char* What;
        TBytes File;
        TJpegLimits Refusing, Raised;
    };
    TJpegLimits MoreScans, MoreWork, FewPixels;
    MoreScans.MaxScans = 501;
    MoreWork.MaxWorkPerByte = 65536;
    FewPixels.MaxPixels = 8'000'000;
    const TCase Cases[] = {
        {"501 scans", CraftedGrey(true, 8, 8, 501), {}, MoreScans},
        {"work", CraftedGrey(true, 2048, 2048, 30, 4000), {}, MoreWork},
        {"pixels", CraftedGrey(false, 3000, 3000, 1, 10'000), FewPixels, {}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.What);
        EXPECT_NE(RefusalOf(C.File, C.Refusing), "(rendered)");
        uint64_t Rows = 0;
        RenderJpegRows(
            TJpegInput::Memory(C.File.data(), C.File.size()),
            [&](const uint8_t*, int32_t) { ++Rows; }, Within(C.Raised));
        EXPECT_GT(Rows, 0u);
    }
    EXPECT_EQ(RefusalOf(CraftedGrey(true, 8, 8, 500)), "(rendered)");
    EXPECT_EQ(RefusalOf(CraftedGrey(false, 3000, 3000, 1, 10'000), FewPixels),
              "3000 x 3000 is more than 8 million pixels");
}

// The extreme of real files: a blank picture codes each block in a bit or
// two, and a progression visits it in every scan.
TEST(JpegLimits, BlankPhotosInADeepProgressionPass) {
    for (const int Components : {1, 3}) {
        test::TTestPicture Picture;
        Picture.Width = 4000;
        Picture.Height = 3000;
        Picture.Components = Components;
        Picture.NoiseBits = 0;
        Picture.Layout = test::TScanLayout::SimpleProgression;
        Picture.Gradient = [](int, int, int) { return 255; };
        const TBytes File = test::EncodeTestJpeg(Picture);
        SCOPED_TRACE(std::to_string(Components) + " components, " + std::to_string(File.size()) +
                     " bytes");
        uint64_t Rows = 0;
        RenderJpegRows(
            TJpegInput::Memory(File.data(), File.size()), [&](const uint8_t*, int32_t) { ++Rows; },
            Within({}));
        EXPECT_EQ(Rows, 3000u);
    }
}

TBytes Photo(int Width, int Height, test::TScanLayout Layout) {
    test::TTestPicture Picture;
    Picture.Width = Width;
    Picture.Height = Height;
    Picture.Layout = Layout;
    Picture.Gradient = [](int X, int Y, int C) { return X / 4 + Y / 2 + C * 50; };
    return test::EncodeTestJpeg(Picture);
}

std::vector<uint8_t> StreamedRows(const TBytes& File, const TJpegLimits& Limits) {
    std::vector<uint8_t> Rows;
    RenderJpegRows(
        TJpegInput::Memory(File.data(), File.size()),
        [&](const uint8_t* Row, int32_t Width) { Rows.insert(Rows.end(), Row, Row + 3 * Width); },
        Within(Limits));
    return Rows;
}

// The whole image needs all its rows; streaming holds a band (a multi-scan
// file its coefficients too, and its bottom half only where that fits).
TEST(JpegLimits, MemoryIsCountedForTheRouteTaken) {
    struct TCase {
        test::TScanLayout Layout;
        uint64_t Limit;
    };
    for (const TCase& C : {TCase{test::TScanLayout::Baseline, 2'000'000},
                           TCase{test::TScanLayout::SimpleProgression, 8'000'000}}) {
        const TBytes File = Photo(1600, 1200, C.Layout);
        const std::vector<uint8_t> Free = StreamedRows(File, {});
        TJpegLimits Tight;
        Tight.MaxMemory = C.Limit;
        const std::string Whole = [&]() -> std::string {
            try {
                RenderJpeg(TJpegInput::Memory(File.data(), File.size()), Within(Tight));
            } catch (const EJpegLimit& E) {
                return E.what();
            }
            return "(rendered)";
        }();
        EXPECT_EQ(Whole.rfind("image too large: 1600 x 1200 needs ", 0), 0u) << Whole;
        EXPECT_EQ(StreamedRows(File, Tight), Free);
        Tight.MaxMemory = 100'000;
        EXPECT_THROW(StreamedRows(File, Tight), EJpegLimit);
    }
}

TEST(JpegLimits, DefaultMemoryIsAQuarterSharedByTheJobs) {
    EXPECT_EQ(DefaultJpegMemoryLimit(1), PhysicalMemoryBytes() / 4);
    EXPECT_EQ(DefaultJpegMemoryLimit(4), PhysicalMemoryBytes() / 4 / 4);
    EXPECT_EQ(MemoryLimitOf(TJpegLimits{}), DefaultJpegMemoryLimit(1));
    EXPECT_EQ(FormatByteCount(12'870'000'000), "12.9 GB");
    EXPECT_EQ(FormatByteCount(999), "999 bytes");
}

} // namespace
} // namespace quillon
