// Placing a strong tag: in a photo right behind the signature comment,
// found again by the header walk and cut out to the very bytes before; in
// a movie in front of the trailer, found from the end of the file.
#include "containers/KvJpegComment.h"
#include "containers/strong_tag_place.h"

#include "jpeg_test_bytes.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

std::vector<uint8_t> V(const std::string& S) {
    return {S.begin(), S.end()};
}

const std::vector<uint8_t> Body = {'Q', 'S', 'T', 'G', 1, 2, 3, 4, 5};

TEST(JpegTagPlace, GoesRightBehindTheSignatureCommentAndComesOutAgain) {
    const test::TMiniJpeg J;
    const std::string Before = test::SOI + J.App0 + J.Dqt + test::Com(std::string("KvWM\0-42", 8));
    const std::string After = J.Sof + J.Dht + J.Sos + J.Scan;
    const std::vector<uint8_t> Signed = V(Before + After);
    const std::vector<uint8_t> Tagged = InsertJpegTag(Signed, Body);
    EXPECT_EQ(Tagged, V(Before + test::Segment(0xE9, std::string(JpegTagIdentifier) +
                                                         std::string(Body.begin(), Body.end())) +
                         After));
    const TTagSpot Spot = FindJpegTag(Tagged);
    ASSERT_EQ(Spot.State, TTagSpot::Present);
    EXPECT_EQ(Spot.Offset, Before.size());
    EXPECT_EQ(Spot.Body, Body);
    EXPECT_EQ(WithoutSegment(Tagged, Spot), Signed);
    EXPECT_THROW(InsertJpegTag(Tagged, Body), EFileError); // one tag a photo
}

TEST(JpegTagPlace, LegacyCommentReaderStillSeesTheSignatureComment) {
    test::TScratchDir Dir;
    const test::TMiniJpeg J;
    const std::string Comment("KvWM\0-42", 8);
    const std::vector<uint8_t> Tagged = InsertJpegTag(
        V(test::SOI + J.App0 + J.Dqt + test::Com(Comment) + J.Sof + J.Dht + J.Sos + J.Scan), Body);
    test::WriteBytes(Dir.Path() / "t.jpg", Tagged);
    EXPECT_EQ(ReadJpegComment(Dir / "t.jpg"), Comment);
}

TEST(JpegTagPlace, HeaderAreaWithinAPrefixOnlyWhenTheScanStartsThere) {
    const test::TMiniJpeg J;
    const std::string Head = test::SOI + J.App0 + J.Dqt + J.Sof + J.Dht;
    struct TCase {
        const char* Name;
        std::string Prefix;
        bool Within;
    };
    const TCase Cases[] = {
        {"WholeFile", Head + J.Sos + J.Scan, true},
        {"UpToTheScanHeader", Head + J.Sos.substr(0, 4), true},
        {"CutBeforeTheScan", Head, false},
        {"CutInsideASegment", Head.substr(0, Head.size() - 3), false},
        {"NotAJpeg", "hello, world", false},
    };
    for (const TCase& C : Cases)
        EXPECT_EQ(JpegHeaderAreaWithin(V(C.Prefix)), C.Within) << C.Name;
}

struct TJpegCase {
    const char* Name;
    std::string File;
    TTagSpot::TState State;
};

const std::string TagSegment =
    test::Segment(0xE9, std::string(JpegTagIdentifier) + "body");

const TJpegCase JpegCases[] = {
    {"NoTag", test::SOI + test::Com("x") + test::TMiniJpeg().Sof, TTagSpot::Absent},
    {"OtherApp9", test::SOI + test::Segment(0xE9, "OTHER-TAG") + test::TMiniJpeg().Sof,
     TTagSpot::Absent},
    {"TagBehindScanHeader", test::SOI + test::TMiniJpeg().Sos + TagSegment, TTagSpot::Absent},
    {"Found", test::SOI + TagSegment + test::TMiniJpeg().Sof, TTagSpot::Present},
    {"CutShort", test::SOI + TagSegment.substr(0, TagSegment.size() - 2), TTagSpot::Damaged},
    {"IdentifierCut", test::SOI + test::SegmentHeader(0xE9, 40) + "QUILLON", TTagSpot::Absent},
};

class JpegTagSearch : public testing::TestWithParam<TJpegCase> {};

TEST_P(JpegTagSearch, FindsWhatTheHeaderAreaHolds) {
    EXPECT_EQ(FindJpegTag(V(GetParam().File)).State, GetParam().State);
}

INSTANTIATE_TEST_SUITE_P(Cases, JpegTagSearch, testing::ValuesIn(JpegCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(JpegTagPlace, NoPlaceWithoutAFrameHeaderAndNoBodyTooLargeForASegment) {
    EXPECT_THROW(InsertJpegTag(V(test::SOI + test::TMiniJpeg().Sos), Body), EFileError);
    EXPECT_THROW(JpegTagSegment(std::vector<uint8_t>(MaxJpegTagBody + 1)), std::length_error);
    EXPECT_EQ(JpegTagSegment(std::vector<uint8_t>(MaxJpegTagBody)).size(), 65537u);
}

std::vector<uint8_t> Trailer() {
    return V(std::string("JUNK\x0c\0\0\0MWVK", 12) + std::string(8, '\x07'));
}

TEST(AviTagPlace, IsFoundFromTheEndOfTheFileForOddAndEvenBodies) {
    test::TScratchDir Dir;
    for (const size_t Size : {size_t{9}, size_t{10}}) {
        const std::vector<uint8_t> B(Size, 0xAB);
        std::vector<uint8_t> File = V(std::string("RIFF\0\0\0\0AVI ", 12));
        const std::vector<uint8_t> Chunk = AviTagChunk(B);
        EXPECT_EQ(Chunk.size(), AviTagChunkBytes(Size));
        EXPECT_EQ(Chunk.size() % 2, 0u);
        File.insert(File.end(), Chunk.begin(), Chunk.end());
        const std::vector<uint8_t> T = Trailer();
        File.insert(File.end(), T.begin(), T.end());
        test::WriteBytes(Dir.Path() / "m.avi", File);
        TFileStream Stream(Dir / "m.avi", TFileMode::OpenRead);
        const TTagSpot Spot = FindAviTag(Stream);
        ASSERT_EQ(Spot.State, TTagSpot::Present) << Size;
        EXPECT_EQ(Spot.Offset, 12u);
        EXPECT_EQ(Spot.Length, Chunk.size());
        EXPECT_EQ(Spot.Body, B);
    }
}

TEST(AviTagPlace, AFooterThatLeadsNowhereIsDamagedAndNoFooterIsNoTag) {
    test::TScratchDir Dir;
    const auto Find = [&](const std::vector<uint8_t>& File) {
        test::WriteBytes(Dir.Path() / "m.avi", File);
        TFileStream Stream(Dir / "m.avi", TFileMode::OpenRead);
        return FindAviTag(Stream).State;
    };
    std::vector<uint8_t> File = V(std::string("RIFF\0\0\0\0AVI ", 12));
    const std::vector<uint8_t> Chunk = AviTagChunk(Body), T = Trailer();
    File.insert(File.end(), Chunk.begin(), Chunk.end());
    File.insert(File.end(), T.begin(), T.end());
    EXPECT_EQ(Find(File), TTagSpot::Present);
    std::vector<uint8_t> Bad = File;
    Bad[12] = 'X'; // the chunk's id
    EXPECT_EQ(Find(Bad), TTagSpot::Damaged);
    Bad = File;
    Bad[Bad.size() - 28] = 0xFF; // the footer's length
    EXPECT_EQ(Find(Bad), TTagSpot::Damaged);
    Bad = File;
    Bad[Bad.size() - 21] = 'X'; // the footer's magic
    EXPECT_EQ(Find(Bad), TTagSpot::Absent);
    EXPECT_EQ(Find(V("RIFF")), TTagSpot::Absent);
}

TEST(AviTagPlace, RiffSizeGrowsByTagAndTrailerModulo2To32) {
    EXPECT_EQ(RiffSizeWithTag(1000, 100), 1120u);
    EXPECT_EQ(RiffSizeWithTag(0xFFFFFFF0u, 100), 100u + 20u - 16u);
}

} // namespace
} // namespace quillon
