#include "codec/jpeg/jpeg_encode.h"
#include "codec/jpeg/jpeg_reencode.h"
#include "codec/jpeg/jpeg_render.h"
#include "containers/KvJpegComment.h"
#include "platform/file_stream.h"
#include "support/test_support.h"
#include "support/tsv.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace quillon {
namespace {

using namespace quillon::test;
namespace fs = std::filesystem;

fs::path Corpus(const std::string& Name) {
    return TestDataDir() / "jpeg" / "jpeg" / (Name + ".jpg");
}

bool SameRows(const TRenderedImage& A, const TRenderedImage& B) {
    if (A.Width != B.Width || A.Height != B.Height)
        return false;
    for (int32_t Y = 0; Y < A.Height; ++Y)
        if (std::memcmp(A.Row(Y), B.Row(Y), static_cast<size_t>(A.Width) * 3) != 0)
            return false;
    return true;
}

std::string Leading(const std::string& Path, size_t N) {
    const auto B = ReadBytes(Path);
    return std::string(B.begin(), B.begin() + static_cast<std::ptrdiff_t>(std::min(N, B.size())));
}

TEST(ReencodeJpeg, WritesTheFixedBaselineLayout) {
    TScratchDir Dir;
    ReencodeJpeg(Corpus("cs_jfif_ycbcr_photo72x48").string(), Dir / "out.jpg");
    const auto Bytes = ReadBytes(Dir / "out.jpg");
    const std::string S(Bytes.begin(), Bytes.end());
    const std::string Jfif("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00",
                           20);
    const std::string Dqt0 = std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\x01');
    const std::string Dqt1 = std::string("\xFF\xDB\x00\x43\x01", 5) + std::string(64, '\x01');
    // SOF0: 48 rows of 72, Y 2x2 on table 0, Cb and Cr 1x1 on table 1.
    const std::string Sof("\xFF\xC0\x00\x11\x08\x00\x30\x00\x48\x03\x01\x22\x00\x02\x11\x01\x03"
                          "\x11\x01",
                          19);
    ASSERT_GT(S.size(), 600u);
    EXPECT_EQ(S.substr(0, 177), Jfif + Dqt0 + Dqt1 + Sof);

    // The four standard Huffman tables (DC 0, AC 0, DC 1, AC 1), the scan
    // header, and EOI at the end.
    size_t P = 177;
    const int Classes[] = {0x00, 0x10, 0x01, 0x11};
    const int Lengths[] = {0x1F, 0xB5, 0x1F, 0xB5};
    for (int T = 0; T < 4; ++T) {
        ASSERT_EQ(S.substr(P, 2), "\xFF\xC4") << T;
        EXPECT_EQ(static_cast<uint8_t>(S[P + 3]), Lengths[T]) << T;
        EXPECT_EQ(static_cast<uint8_t>(S[P + 4]), Classes[T]) << T;
        P += 2 + static_cast<uint8_t>(S[P + 2]) * 256 + static_cast<uint8_t>(S[P + 3]);
    }
    EXPECT_EQ(S.substr(P, 14),
              std::string("\xFF\xDA\x00\x0C\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 14));
    EXPECT_EQ(S.substr(S.size() - 2), "\xFF\xD9");
}

TEST(ReencodeJpeg, StaysCloseToTheSourcePixels) {
    TScratchDir Dir;
    const std::string Src = Corpus("cs_jfif_ycbcr_photo72x48").string();
    ReencodeJpeg(Src, Dir / "out.jpg");
    const TRenderedImage A = RenderJpegFile(Src);
    const TRenderedImage B = RenderJpegFile(Dir / "out.jpg");
    ASSERT_EQ(A.Width, B.Width);
    ASSERT_EQ(A.Height, B.Height);
    // Quality 100 loses only to rounding and chroma sampling; swapped
    // channels or shifted rows would be far off.
    double Sum = 0;
    for (int32_t Y = 0; Y < A.Height; ++Y)
        for (int32_t X = 0; X < A.Width * 3; ++X)
            Sum += std::abs(int(A.Row(Y)[X]) - int(B.Row(Y)[X]));
    EXPECT_LT(Sum / (A.Width * 3.0 * A.Height), 6.0);
}

TEST(ReencodeJpeg, GreySourceBecomesColourFileWithEqualChannels) {
    TScratchDir Dir;
    ReencodeJpeg(Corpus("gray_photo90x60_q50").string(), Dir / "g.jpg");
    const std::string Head = Leading(Dir / "g.jpg", 177);
    ASSERT_EQ(Head.size(), 177u);
    EXPECT_EQ(static_cast<uint8_t>(Head[167]), 3) << "three components";
    const TRenderedImage G = RenderJpegFile(Dir / "g.jpg");
    for (int32_t Y = 0; Y < G.Height; ++Y)
        for (int32_t X = 0; X < G.Width; ++X) {
            const uint8_t* P = G.Row(Y) + 3 * X;
            ASSERT_EQ(P[0], P[1]);
            ASSERT_EQ(P[1], P[2]);
        }
}

TEST(ReencodeJpeg, TinySizes) {
    TScratchDir Dir;
    for (const char* Name : {"size_444_1x1", "size_420_1x7", "size_420_3x1", "gray_size_1x1"}) {
        ReencodeJpeg(Corpus(Name).string(), Dir / "t.jpg");
        const TRenderedImage A = RenderJpegFile(Corpus(Name).string());
        const TRenderedImage B = RenderJpegFile(Dir / "t.jpg");
        EXPECT_EQ(A.Width, B.Width) << Name;
        EXPECT_EQ(A.Height, B.Height) << Name;
    }
}

TEST(ReencodeJpeg, SamePathReplacesTheFile) {
    TScratchDir Dir;
    fs::copy_file(Corpus("mk_com_before_sof_photo64x40"), Dir / "s.jpg");
    ReencodeJpeg(Dir / "s.jpg", Dir / "s.jpg");
    EXPECT_EQ(Leading(Dir / "s.jpg", 4), "\xFF\xD8\xFF\xE0");
    EXPECT_EQ(ReadJpegComment(Dir / "s.jpg"), "") << "comments are not carried over";
    EXPECT_EQ(RenderJpegFile(Dir / "s.jpg").Width, 64);
}

TEST(ReencodeJpeg, MissingSourceDoesNothing) {
    TScratchDir Dir;
    WriteBytes(Dir / "d.jpg", std::string("keep"));
    EXPECT_NO_THROW(ReencodeJpeg(Dir / "none.jpg", Dir / "d.jpg"));
    EXPECT_EQ(Leading(Dir / "d.jpg", 10), "keep");
    EXPECT_NO_THROW(ReencodeJpeg(Dir / "none.jpg", Dir / "e.jpg"));
    EXPECT_FALSE(fs::exists(Dir / "e.jpg"));
    // A folder is no source file either.
    EXPECT_NO_THROW(ReencodeJpeg(Dir.Path().string(), Dir / "e.jpg"));
    EXPECT_FALSE(fs::exists(Dir / "e.jpg"));
}

TEST(ReencodeJpeg, FailuresRaiseAndWriteNothing) {
    TScratchDir Dir;
    WriteBytes(Dir / "d.jpg", std::string("keep"));
    EXPECT_THROW(ReencodeJpeg(Corpus("err_not_jpeg_text").string(), Dir / "d.jpg"), EJpegError);
    EXPECT_EQ(Leading(Dir / "d.jpg", 10), "keep");
    try {
        ReencodeJpeg(Corpus("size_444_1x1").string(), Dir / "gone/x.jpg");
        FAIL() << "the destination's folder does not exist";
    } catch (const EFileError& E) {
        EXPECT_EQ(E.Kind(), TFileErrorKind::NotFound);
        EXPECT_EQ(
            std::string(E.what()).rfind("Cannot create file \"" + (Dir / "gone/x.jpg") + "\"", 0),
            0u)
            << E.what();
    }
}

TEST(EncodeJpegQuality100, CodecErrorBecomesJpegError) {
    const TRenderedImage Empty; // no rows: the library refuses it
    try {
        EncodeJpegQuality100(Empty);
        FAIL() << "an empty image must not encode";
    } catch (const EJpegError& E) {
        EXPECT_EQ(std::string(E.what()), "JPEG error #" + std::to_string(E.MsgCode()));
        EXPECT_GT(E.MsgCode(), 0);
    }
}

TEST(CommentInsertion, RowsRenderIdenticallyBeforeAndAfter) {
    TScratchDir Dir;
    int Checked = 0;
    for (auto& Row : ReadTsv(TestDataDir() / "jpeg" / "expected.tsv")) {
        const std::string& Name = Row["name"];
        const std::string& Bpp = Row["bytes_per_pixel"];
        // Rows of three bytes a pixel only: colour, and grey as g, g, g.
        if (Row["status"] != "ok" || (Bpp != "3" && Bpp != "1"))
            continue;
        const std::string Out = Dir / "c.jpg";
        try {
            CopyJpegWithComment(Corpus(Name).string(), Out,
                                std::string("KvWM\0"
                                            "12345",
                                            10));
        } catch (const EFileError&) {
            continue; // the header walk cannot handle it; nothing to render
        }
        const TRenderedImage Before = RenderJpegFile(Corpus(Name).string());
        // A file whose frame header the walk mistook for a payload may not
        // decode after the copy; the signed files never look like that.
        try {
            const TRenderedImage After = RenderJpegFile(Out);
            EXPECT_TRUE(SameRows(Before, After)) << Name;
            ++Checked;
        } catch (const EJpegError& E) {
            ADD_FAILURE() << Name << ": " << E.what();
        }
    }
    EXPECT_GT(Checked, 250);
}

} // namespace
} // namespace quillon
