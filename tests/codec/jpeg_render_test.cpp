// RenderJpegFile as a whole: file handling, repeatability, what the
// installed library would accept but the reference refuses, and the two
// threads of the sample stage.
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "codec/jpeg/jpeg_decoder.h"
#include "codec/jpeg/jpeg_render.h"
#include "platform/file_stream.h"
#include "support/test_jpeg.h"
#include "support/test_support.h"

namespace quillon {
namespace {

using TBytes = std::vector<uint8_t>;

enum class TLayout { Baseline, Progressive, ScanPerComponent };

// A noisy gradient, 4:2:0.
TBytes EncodePicture(int W, int H, TLayout Layout) {
    test::TTestPicture Picture;
    Picture.Width = W;
    Picture.Height = H;
    Picture.Quality = 80;
    if (Layout == TLayout::Progressive)
        Picture.Layout = test::TScanLayout::SimpleProgression;
    if (Layout == TLayout::ScanPerComponent) {
        Picture.Layout = test::TScanLayout::Script;
        for (int I = 0; I < 3; ++I)
            Picture.Script.push_back(jpeg_scan_info{1, {I, 0, 0, 0}, 0, 63, 0, 0});
    }
    Picture.Gradient = [W](int X, int, int C) { return X * 255 / W + C * 60; };
    return test::EncodeTestJpeg(Picture);
}

struct TSegment {
    size_t Offset;
    size_t Size; // marker, length and, after SOS, the entropy-coded data
    uint8_t Marker;
};

// The marker segments after SOI, each SOS with the coded data behind it.
std::vector<TSegment> Segments(const TBytes& D) {
    std::vector<TSegment> Out;
    size_t P = 2;
    while (P + 4 <= D.size() && D[P] == 0xFF) {
        const uint8_t Marker = D[P + 1];
        if (Marker == JPEG_EOI)
            break;
        size_t End = P + 2 + (static_cast<size_t>(D[P + 2]) << 8 | D[P + 3]);
        if (Marker == 0xDA)
            while (End + 1 < D.size() &&
                   !(D[End] == 0xFF && D[End + 1] != 0 && (D[End + 1] < 0xD0 || D[End + 1] > 0xD7)))
                ++End;
        Out.push_back({P, End - P, Marker});
        P = End;
    }
    return Out;
}

TBytes Without(const TBytes& D, const std::vector<TSegment>& Drop) {
    TBytes Out;
    size_t P = 0;
    for (const TSegment& S : Drop) {
        Out.insert(Out.end(), D.begin() + P, D.begin() + S.Offset);
        P = S.Offset + S.Size;
    }
    Out.insert(Out.end(), D.begin() + P, D.end());
    return Out;
}

int RenderError(const TBytes& D) {
    try {
        RenderJpegMemory(D.data(), D.size());
    } catch (const EJpegError& E) {
        return E.MsgCode();
    }
    return 0;
}

// The installed library's own decode of the stream, to show it accepts it.
bool LibraryDecodes(const TBytes& D) {
    try {
        test::TJpegReader Reader(D);
        jpeg_read_header(&Reader.Info, TRUE);
        jpeg_read_coefficients(&Reader.Info);
        jpeg_finish_decompress(&Reader.Info);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void ExpectSameRows(const TRenderedImage& A, const TRenderedImage& B) {
    ASSERT_EQ(A.Width, B.Width);
    ASSERT_EQ(A.Height, B.Height);
    for (int32_t Y = 0; Y < A.Height; ++Y)
        ASSERT_EQ(0, std::memcmp(A.Row(Y), B.Row(Y), 3 * static_cast<size_t>(A.Width)))
            << "row " << Y;
}

TEST(JpegRender, UnreadableFileNamesPathAndReason) {
    test::TScratchDir Dir;
    const std::string Path = Dir / "absent.jpg";
    try {
        RenderJpegFile(Path);
        FAIL() << "rendered a file that does not exist";
    } catch (const EFileError& E) {
        const std::string Expected = "Cannot open file \"" + Path + "\". ";
        EXPECT_EQ(std::string(E.what()).substr(0, Expected.size()), Expected);
        EXPECT_GT(std::string(E.what()).size(), Expected.size()); // the system's reason follows
    }
}

TEST(JpegRender, FileAndMemoryAndRepeatedRendersAgree) {
    test::TScratchDir Dir;
    const TBytes Data = EncodePicture(61, 47, TLayout::Progressive);
    test::WriteBytes(Dir / "p.jpg", Data);
    const TRenderedImage First = RenderJpegFile(Dir / "p.jpg");
    EXPECT_EQ(First.Width, 61);
    EXPECT_EQ(First.Height, 47);
    ExpectSameRows(First, RenderJpegMemory(Data.data(), Data.size()));
    ExpectSameRows(First, RenderJpegFile(Dir / "p.jpg"));
}

TEST(JpegRender, CommentSegmentsDoNotChangeTheRows) {
    const TBytes Data = EncodePicture(40, 30, TLayout::Baseline);
    TBytes WithComment(Data.begin(), Data.begin() + 2);
    const std::string Text = std::string("KvWM") + '\0' + "-123456";
    WithComment.insert(WithComment.end(), {0xFF, 0xFE, 0, static_cast<uint8_t>(Text.size() + 2)});
    WithComment.insert(WithComment.end(), Text.begin(), Text.end());
    WithComment.insert(WithComment.end(), Data.begin() + 2, Data.end());
    ExpectSameRows(RenderJpegMemory(Data.data(), Data.size()),
                   RenderJpegMemory(WithComment.data(), WithComment.size()));
}

TEST(JpegRender, UndefinedHuffmanTablesAreRefused) {
    const TBytes Data = EncodePicture(40, 30, TLayout::Baseline);
    std::vector<TSegment> Dht;
    for (const TSegment& S : Segments(Data))
        if (S.Marker == 0xC4)
            Dht.push_back(S);
    ASSERT_FALSE(Dht.empty());
    const TBytes Stripped = Without(Data, Dht);
    EXPECT_TRUE(LibraryDecodes(Stripped)); // it would substitute its defaults
    EXPECT_EQ(RenderError(Stripped), 50);
}

// The DHT segment right before the first scan for which Wanted holds.
std::vector<TSegment> TablesBefore(const TBytes& Data, bool (*Wanted)(const TBytes&, size_t)) {
    const std::vector<TSegment> All = Segments(Data);
    for (size_t I = 1; I < All.size(); ++I)
        if (All[I].Marker == 0xDA && Wanted(Data, All[I].Offset) && All[I - 1].Marker == 0xC4)
            return {All[I - 1]};
    return {};
}

TEST(JpegRender, UndefinedTablesOfALaterScanAreRefused) {
    // One scan per component: the chroma tables are defined just before the
    // second scan. Without them the installed library decodes with its
    // defaults; the reference stops at that scan.
    const TBytes Sequential = EncodePicture(40, 30, TLayout::ScanPerComponent);
    ASSERT_EQ(RenderError(Sequential), 0);
    const auto SecondComponent = [](const TBytes& D, size_t At) {
        return D[At + 5] == 2; // component id of the scan's only component
    };
    const std::vector<TSegment> Drop = TablesBefore(Sequential, SecondComponent);
    ASSERT_EQ(Drop.size(), 1u);
    const TBytes Stripped = Without(Sequential, Drop);
    EXPECT_TRUE(LibraryDecodes(Stripped));
    EXPECT_EQ(RenderError(Stripped), 50);

    // Progressive: the first AC scan's table.
    const TBytes Progressive = EncodePicture(40, 30, TLayout::Progressive);
    ASSERT_EQ(RenderError(Progressive), 0);
    const auto AcScan = [](const TBytes& D, size_t At) { return D[At + 5 + 2 * D[At + 4]] != 0; };
    const std::vector<TSegment> DropAc = TablesBefore(Progressive, AcScan);
    ASSERT_EQ(DropAc.size(), 1u);
    EXPECT_EQ(RenderError(Without(Progressive, DropAc)), 50);
}

TEST(JpegRender, ASecondScanInASingleScanFileFailsAfterTheRows) {
    const TBytes Data = EncodePicture(40, 30, TLayout::Baseline);
    const TSegment Scan = Segments(Data).back();
    ASSERT_EQ(Scan.Marker, 0xDA);
    TBytes Twice(Data.begin(), Data.begin() + Scan.Offset + Scan.Size);
    Twice.insert(Twice.end(), Data.begin() + Scan.Offset, Data.begin() + Scan.Offset + Scan.Size);
    Twice.insert(Twice.end(), {0xFF, 0xD9});
    EXPECT_EQ(RenderError(Twice), 35);
}

TEST(JpegRender, TwoThreadsGiveTheRowsOfOne) {
    for (const TLayout Layout : {TLayout::Progressive, TLayout::Baseline}) {
        const TBytes Data = EncodePicture(717, 501, Layout);
        const TJpegInput Input = TJpegInput::Memory(Data.data(), Data.size());
        TThreadBudget OneThread(1), TwoThreads(2);
        TJpegDecodeContext One, Two;
        One.Threads = &OneThread;
        Two.Threads = &TwoThreads;
        ExpectSameRows(RenderJpeg(Input, One), RenderJpeg(Input, Two));
        EXPECT_EQ(OneThread.PeakTaken(), 1);
        EXPECT_EQ(TwoThreads.PeakTaken(), 2) << "the second thread was not used";
    }
}

TEST(JpegRender, SequentialFileCutShortRendersMidGreyBelow) {
    const TBytes Data = EncodePicture(64, 64, TLayout::Baseline);
    const std::vector<TSegment> All = Segments(Data);
    const TSegment& Scan = All.back();
    ASSERT_EQ(Scan.Marker, 0xDA);
    const TBytes Cut(Data.begin(), Data.begin() + Scan.Offset + Scan.Size / 3);
    const TRenderedImage Image = RenderJpegMemory(Cut.data(), Cut.size());
    ASSERT_EQ(Image.Height, 64);
    for (int X = 0; X < 3 * 64; ++X)
        EXPECT_EQ(Image.Row(63)[X], 128) << X; // missing blocks are all-zero coefficients
}

} // namespace
} // namespace quillon
