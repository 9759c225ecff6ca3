#include "containers/KvJpegComment.h"
#include "containers/jpeg_test_bytes.h"
#include "platform/file_stream.h"
#include "support/test_support.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace quillon {
namespace {

using namespace quillon::test;
namespace fs = std::filesystem;

std::string AsString(const std::vector<uint8_t>& V) {
    return std::string(V.begin(), V.end());
}

class CopyJpegWithCommentTest : public ::testing::Test {
  protected:
    std::string Copy(const std::string& Bytes, const std::string& Comment) {
        WriteBytes(Dir / "src.jpg", Bytes);
        CopyJpegWithComment(Dir / "src.jpg", Dir / "dst.jpg", Comment);
        const std::string Written = AsString(ReadBytes(Dir / "dst.jpg"));
        // In memory the same bytes come out.
        const auto Data = reinterpret_cast<const uint8_t*>(Bytes.data());
        EXPECT_EQ(JpegWithComment(Data, Bytes.size(), Comment), Written);
        return Written;
    }
    TScratchDir Dir;
    TMiniJpeg J;
};

TEST_F(CopyJpegWithCommentTest, CommentGoesInFrontOfFrameHeader) {
    const std::string Text("KvWM\0"
                           "-42",
                           8);
    EXPECT_EQ(Copy(SOI + J.App0 + J.Dqt + J.Sof + J.Dht + J.Sos + J.Scan, Text),
              SOI + J.App0 + J.Dqt + Com(Text) + J.Sof + J.Dht + J.Sos + J.Scan);
}

TEST_F(CopyJpegWithCommentTest, HeaderCommentsAreReplacedByTheNewOne) {
    EXPECT_EQ(
        Copy(SOI + Com("one") + J.App0 + Com("two") + J.Sof + Com("three") + J.Sos + J.Scan, "new"),
        SOI + J.App0 + Com("new") + J.Sof + J.Sos + J.Scan);
}

TEST_F(CopyJpegWithCommentTest, CommentBehindScanHeaderSurvives) {
    const std::string Rest = "\x01\x02" + Com("after") + "\xFF\xD9";
    EXPECT_EQ(Copy(SOI + J.Sof + J.Sos + Rest, "c"), SOI + Com("c") + J.Sof + J.Sos + Rest);
}

TEST_F(CopyJpegWithCommentTest, EmptyCommentInsertsNothingButDropsComments) {
    EXPECT_EQ(Copy(SOI + Com("old") + J.Sof + J.Sos + J.Scan, ""), SOI + J.Sof + J.Sos + J.Scan);
}

TEST_F(CopyJpegWithCommentTest, AnyMarkerC0ToCFIsAnInsertionPoint) {
    EXPECT_EQ(Copy(SOI + J.Dht + J.Sof + J.Sos, "c"), SOI + Com("c") + J.Dht + J.Sof + J.Sos);
    const std::string Dac = Segment(0xCC, "\x01\x02");
    EXPECT_EQ(Copy(SOI + J.App0 + Dac + J.Sos, "c"), SOI + J.App0 + Com("c") + Dac + J.Sos);
    // 0xD0.. and 0xBF are outside the range.
    const std::string Bf = Segment(0xBF, "z"), D0 = Segment(0xD0, "z");
    EXPECT_THROW(Copy(SOI + Bf + D0 + J.Sos, "c"), EFileError);
}

TEST_F(CopyJpegWithCommentTest, InsertedAtMostOnce) {
    EXPECT_EQ(Copy(SOI + J.Sof + J.Dht + J.Sof + J.Sos, "c"),
              SOI + Com("c") + J.Sof + J.Dht + J.Sof + J.Sos);
}

TEST_F(CopyJpegWithCommentTest, LengthBytesCountCommentAndThemselves) {
    const std::string Out = Copy(SOI + J.Sof + J.Sos, std::string(16, 'x'));
    ASSERT_GE(Out.size(), 6u);
    EXPECT_EQ(Out.substr(2, 4), Bytes({0xFF, 0xFE, 0x00, 0x12}));
    const std::string Longest(65533, '\0');
    const std::string Max = Copy(SOI + J.Sof + J.Sos, Longest);
    EXPECT_EQ(Max.substr(2, 4), Bytes({0xFF, 0xFE, 0xFF, 0xFF}));
    EXPECT_EQ(ReadJpegComment(Dir / "dst.jpg"), Longest);
}

TEST_F(CopyJpegWithCommentTest, TooLongCommentIsRefusedBeforeAnythingIsWritten) {
    WriteBytes(Dir / "src.jpg", SOI + J.Sof + J.Sos);
    EXPECT_THROW(CopyJpegWithComment(Dir / "src.jpg", Dir / "dst.jpg", std::string(65534, 'x')),
                 EFileError);
    EXPECT_FALSE(fs::exists(Dir / "dst.jpg"));
}

TEST_F(CopyJpegWithCommentTest, SourceEndingInsidePayloadWithoutScan) {
    EXPECT_EQ(Copy(SOI + J.Sof + SegmentHeader(0xE2, 100) + "abc", "c"),
              SOI + Com("c") + J.Sof + SegmentHeader(0xE2, 100) + "abc");
}

// Whatever the inserter writes, the reader must read back: a header where it
// would not is refused, and neither the copy nor the target is touched.
TEST_F(CopyJpegWithCommentTest, HeadersTheCommentWouldNotReadBackFromAreRefused) {
    const std::string Headers[] = {
        SOI + SegmentHeader(0xE1, 0) + Com("old") + J.Sof + J.Sos + J.Scan,
        SOI + SegmentHeader(0xE1, 1) + Com("old") + J.Sof + J.Sos,
        SOI + J.Sof + SegmentHeader(0xDA, 0) + J.Scan,
        SOI + J.App0 + Com("old") + J.Sos + J.Scan, // no frame marker to insert in front of
    };
    for (const std::string& In : Headers) {
        WriteBytes(Dir / "src.jpg", In);
        EXPECT_THROW(CopyJpegWithComment(Dir / "src.jpg", Dir / "dst.jpg", "new"), EFileError);
        EXPECT_FALSE(fs::exists(Dir / "dst.jpg"));
        EXPECT_THROW(WriteJpegComment(Dir / "src.jpg", "new"), EFileError);
        EXPECT_EQ(AsString(ReadBytes(Dir / "src.jpg")), In);
        EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), {}), 1);
    }
    // Without a comment to insert, a header with no frame marker is copied.
    const std::string NoFrame = SOI + J.App0 + Com("old") + J.Sos + J.Scan;
    EXPECT_EQ(Copy(NoFrame, ""), SOI + J.App0 + J.Sos + J.Scan);
}

TEST_F(CopyJpegWithCommentTest, BytesBetweenSegmentsAreLostFillBytesKept) {
    EXPECT_EQ(Copy(SOI + "junk" + J.App0 + "\x00" + J.Sof + J.Sos, "c"),
              SOI + J.App0 + Com("c") + J.Sof + J.Sos);
    // A fill byte is taken as a marker whose length swallows the frame
    // header behind it: no place for the comment is left.
    const std::string Fill = SOI + "\xFF" + J.Sof + J.Sos;
    EXPECT_EQ(Copy(Fill, ""), Fill);
    EXPECT_THROW(Copy(Fill, "c"), EFileError);
}

// A copy is written whole or not at all: a source that ends inside a
// segment's header leaves the destination as it was.
TEST_F(CopyJpegWithCommentTest, EarlyEndRaisesAndWritesNothing) {
    for (const std::string& In : {SOI + J.App0 + J.Sof + "\x01\x02", std::string("\xFF")}) {
        WriteBytes(Dir / "src.jpg", In);
        EXPECT_THROW(CopyJpegWithComment(Dir / "src.jpg", Dir / "dst.jpg", "c"), EFileError);
        EXPECT_FALSE(fs::exists(Dir / "dst.jpg"));
        const auto Bytes = reinterpret_cast<const uint8_t*>(In.data());
        EXPECT_THROW(JpegWithComment(Bytes, In.size(), "c"), EFileError);
    }
    WriteBytes(Dir / "dst.jpg", std::string("old"));
    EXPECT_THROW(CopyJpegWithComment(Dir / "src.jpg", Dir / "dst.jpg", "c"), EFileError);
    EXPECT_EQ(AsString(ReadBytes(Dir / "dst.jpg")), "old");
}

TEST_F(CopyJpegWithCommentTest, SourceIsOnlyRead) {
    const std::string In = SOI + Com("old") + J.Sof + J.Sos + J.Scan;
    Copy(In, "new");
    EXPECT_EQ(AsString(ReadBytes(Dir / "src.jpg")), In);
    EXPECT_THROW(CopyJpegWithComment(Dir / "none.jpg", Dir / "dst2.jpg", "c"), EFileError);
    EXPECT_FALSE(fs::exists(Dir / "dst2.jpg"));
}

// ---- temporary names and the in-place write ------------------------------

std::set<std::string> FolderEntries(const fs::path& Dir) {
    std::set<std::string> Names;
    for (const auto& E : fs::directory_iterator(Dir))
        Names.insert(E.path().filename().string());
    return Names;
}

TEST(MakeTempFileName, FormAndVariety) {
    TScratchDir Dir;
    const std::string Prefix = Dir.Path().string() + "/";
    const auto HasForm = [](const std::string& Name) {
        if (Name.size() != 19 || Name.substr(0, 5) != "temp_" || Name.substr(15) != ".$$$")
            return false;
        return std::all_of(Name.begin() + 5, Name.begin() + 15,
                           [](char C) { return C >= 'A' && C <= 'Z'; });
    };
    std::set<std::string> Seen;
    std::set<char> Letters;
    for (int I = 0; I < 200; ++I) {
        const std::string P = MakeTempFileName(Prefix);
        ASSERT_EQ(P.substr(0, Prefix.size()), Prefix);
        const std::string Name = P.substr(Prefix.size());
        ASSERT_TRUE(HasForm(Name)) << Name;
        Seen.insert(Name);
        Letters.insert(Name.begin() + 5, Name.begin() + 15);
    }
    EXPECT_GT(Seen.size(), 190u) << "the generator must be seeded anew on every call";
    EXPECT_EQ(Letters.size(), 26u);
    EXPECT_TRUE(FolderEntries(Dir.Path()).empty()) << "naming creates nothing";
}

class WriteJpegCommentTest : public ::testing::Test {
  protected:
    TScratchDir Dir;
    TMiniJpeg J;
};

TEST_F(WriteJpegCommentTest, RewritesInPlaceAndLeavesNoTemporaryFile) {
    const std::string In = SOI + J.App0 + Com("old") + J.Dqt + J.Sof + J.Dht + J.Sos + J.Scan;
    WriteBytes(Dir / "a.jpg", In);
    WriteBytes(Dir / "b.jpg", In);
    const std::string Text("KvWM\0"
                           "123",
                           8);
    WriteJpegComment(Dir / "a.jpg", Text);
    CopyJpegWithComment(Dir / "b.jpg", Dir / "c.jpg", Text);
    EXPECT_EQ(ReadBytes(Dir / "a.jpg"), ReadBytes(Dir / "c.jpg"));
    EXPECT_EQ(ReadJpegComment(Dir / "a.jpg"), Text);
    EXPECT_EQ(FolderEntries(Dir.Path()), (std::set<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
}

TEST_F(WriteJpegCommentTest, RelativePathUsesCurrentFolder) {
    const fs::path Old = fs::current_path();
    fs::current_path(Dir.Path());
    WriteBytes("rel.jpg", SOI + J.Sof + J.Sos);
    EXPECT_NO_THROW(WriteJpegComment("rel.jpg", "r"));
    fs::current_path(Old);
    EXPECT_EQ(ReadJpegComment(Dir / "rel.jpg"), "r");
    EXPECT_EQ(FolderEntries(Dir.Path()), std::set<std::string>{"rel.jpg"});
}

TEST_F(WriteJpegCommentTest, FailedCopyLeavesTargetAndNoTemporaryFile) {
    // The scan runs out of bytes after the temporary file was created.
    const std::string In = SOI + Com("old") + J.Sof + "\x01\x02\x03";
    WriteBytes(Dir / "t.jpg", In);
    EXPECT_THROW(WriteJpegComment(Dir / "t.jpg", "new"), EFileError);
    EXPECT_EQ(AsString(ReadBytes(Dir / "t.jpg")), In);
    EXPECT_EQ(FolderEntries(Dir.Path()), std::set<std::string>{"t.jpg"});
}

TEST_F(WriteJpegCommentTest, TooLongCommentLeavesTargetAsItWas) {
    const std::string In = SOI + J.Sof + J.Sos;
    WriteBytes(Dir / "t.jpg", In);
    EXPECT_THROW(WriteJpegComment(Dir / "t.jpg", std::string(70000, 'x')), EFileError);
    EXPECT_EQ(AsString(ReadBytes(Dir / "t.jpg")), In);
    EXPECT_EQ(FolderEntries(Dir.Path()), std::set<std::string>{"t.jpg"});
}

TEST_F(WriteJpegCommentTest, MissingTargetOrFolderRaisesAndCreatesNothing) {
    EXPECT_THROW(WriteJpegComment(Dir / "none.jpg", "x"), EFileError);
    fs::create_directory(Dir.Path() / "sub");
    EXPECT_THROW(WriteJpegComment(Dir / "sub", "x"), EFileError);
    EXPECT_THROW(WriteJpegComment(Dir / "gone/t.jpg", "x"), EFileError);
    EXPECT_EQ(FolderEntries(Dir.Path()), std::set<std::string>{"sub"});
    EXPECT_TRUE(FolderEntries(Dir.Path() / "sub").empty());
}

// ---- the reference files -------------------------------------------------

TEST(CommentRoundTrip, EveryReferenceFile) {
    TScratchDir Dir;
    const std::string Text("KvWM\0"
                           "-2147483648",
                           16);
    int Copied = 0, Raised = 0, Found = 0;
    for (const auto& E : fs::directory_iterator(TestDataDir() / "jpeg" / "jpeg")) {
        const std::string Name = E.path().filename().string();
        const std::string Out = Dir / "out.jpg";
        try {
            CopyJpegWithComment(E.path().string(), Out, Text);
        } catch (const EFileError&) {
            ++Raised;
            continue;
        }
        ++Copied;
        const auto Src = ReadBytes(E.path());
        const auto Dst = ReadBytes(Out);
        // Where the comment went in it reads back exactly and the image data
        // behind it is untouched.
        const std::string Got = ReadJpegComment(Out);
        const std::string DstText = AsString(Dst);
        const size_t At = DstText.find(Com(Text));
        if (At == std::string::npos) {
            EXPECT_NE(Got, Text) << Name;
            continue;
        }
        EXPECT_EQ(Got, Text) << Name;
        ++Found;
        const size_t SosAt = DstText.find("\xFF\xDA", At);
        if (SosAt != std::string::npos) {
            const std::string Tail = DstText.substr(SosAt);
            EXPECT_EQ(AsString(Src).substr(AsString(Src).size() - Tail.size()), Tail) << Name;
        }
    }
    EXPECT_GT(Copied, 250) << "most reference files have a frame header ahead of their scan";
    EXPECT_LT(Raised, 10);
    EXPECT_GT(Found, 250);
}

} // namespace
} // namespace quillon
