#include "containers/KvJpegComment.h"
#include "containers/jpeg_test_bytes.h"
#include "platform/file_stream.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace quillon {
namespace {

using namespace quillon::test;

class ReadJpegCommentTest : public ::testing::Test {
  protected:
    std::string Read(const std::string& Bytes) {
        const std::string Path = Dir / "in.jpg";
        WriteBytes(Path, Bytes);
        return ReadJpegComment(Path);
    }
    TScratchDir Dir;
    TMiniJpeg J;
};

TEST_F(ReadJpegCommentTest, WithoutCommentGivesEmptyText) {
    EXPECT_EQ(Read(SOI + J.App0 + J.Dqt + J.Sof + J.Dht + J.Sos + J.Scan), "");
}

TEST_F(ReadJpegCommentTest, LastCommentBeforeScanWins) {
    EXPECT_EQ(Read(SOI + Com("first") + J.App0 + Com("second") + J.Sof + J.Sos + J.Scan), "second");
    // An empty last comment wins as well.
    EXPECT_EQ(Read(SOI + Com("first") + J.App0 + Com("") + J.Sof + J.Sos + J.Scan), "");
}

TEST_F(ReadJpegCommentTest, CommentBehindScanHeaderIsNeverSeen) {
    EXPECT_EQ(Read(SOI + J.Sof + J.Sos + "\x11\x22" + Com("late") + "\xFF\xD9"), "");
    EXPECT_EQ(Read(SOI + Com("early") + J.Sof + J.Sos + Com("late")), "early");
}

TEST_F(ReadJpegCommentTest, SignatureTextKeepsItsNul) {
    const std::string Text("KvWM\0"
                           "1234",
                           9);
    const std::string Got = Read(SOI + J.App0 + Com(Text) + J.Sof + J.Sos + J.Scan);
    ASSERT_EQ(Got.size(), 9u);
    EXPECT_EQ(Got[4], '\0');
    EXPECT_EQ(Got, Text);
}

TEST_F(ReadJpegCommentTest, LengthsZeroAndOneCarryNoPayload) {
    // The search for the next 0xFF starts right behind the length bytes; had
    // the lengths been taken as counts, the comments would be swallowed.
    EXPECT_EQ(Read(SOI + SegmentHeader(0xE1, 0) + Com("hi") + J.Sos), "hi");
    EXPECT_EQ(Read(SOI + SegmentHeader(0xE1, 1) + Com("ho") + J.Sos), "ho");
    EXPECT_EQ(Read(SOI + Com("a") + SegmentHeader(0xFE, 0) + J.Sos), "");
}

TEST_F(ReadJpegCommentTest, BytesBetweenSegmentsArePassedOver) {
    EXPECT_EQ(Read(SOI + "junk" + Com("x") + "\x00\x01" + J.Sos), "x");
}

TEST_F(ReadJpegCommentTest, PayloadCutByEndOfFileGivesBytesPresent) {
    EXPECT_EQ(Read(SOI + J.App0 + SegmentHeader(0xFE, 12) + "abc"), "abc");
}

TEST_F(ReadJpegCommentTest, FileEndingRightBehindCommentGivesIt) {
    EXPECT_EQ(Read(SOI + Com("only")), "only");
}

TEST_F(ReadJpegCommentTest, FillByteIsTakenAsMarker) {
    // 0xFF 0xFF 0xFE ...: the second 0xFF is the marker, 0xFE 0x00 its length
    // (65022), so the comment disappears inside a payload cut by the end.
    EXPECT_EQ(Read(SOI + "\xFF" + Com("hidden") + J.Sos + J.Scan), "");
}

TEST_F(ReadJpegCommentTest, EndOfFileWhereAByteIsNeededRaises) {
    EXPECT_THROW(Read("\xFF"), EFileError);
    EXPECT_THROW(Read(""), EFileError);
    // No further 0xFF behind a segment other than SOS.
    EXPECT_THROW(Read(SOI + Com("x") + "\x01\x02\x03"), EFileError);
    EXPECT_THROW(Read(SOI), EFileError);
    // The file ends within the three bytes behind a 0xFF.
    EXPECT_THROW(Read(SOI + "\xFF"), EFileError);
    EXPECT_THROW(Read(SOI + "\xFF\xFE"), EFileError);
    EXPECT_THROW(Read(SOI + "\xFF\xFE\x00"), EFileError);
}

TEST_F(ReadJpegCommentTest, ScanStopsAtSosEvenWhenMoreFollows) {
    // Garbage behind SOS without a 0xFF would raise if it were searched.
    EXPECT_EQ(Read(SOI + Com("c") + J.Sos + "\x01\x02\x03"), "c");
}

TEST_F(ReadJpegCommentTest, AnyFileIsScannedByTheSameRules) {
    EXPECT_EQ(Read("ab" + Com("text")), "text");
    EXPECT_EQ(Read("ab" + Segment(0xDA, "") + "no marker here"), "");
    EXPECT_THROW(Read("GIF89a"), EFileError);
}

TEST_F(ReadJpegCommentTest, MissingFileOrFolderRaises) {
    EXPECT_THROW(ReadJpegComment(Dir / "missing.jpg"), EFileError);
    EXPECT_THROW(ReadJpegComment(Dir.Path().string()), EFileError);
}

TEST_F(ReadJpegCommentTest, LongCommentsAcrossReadBuffers) {
    const std::string Big(65533, 'q');
    std::string Text = Big;
    Text[0] = '\0';
    Text[40000] = '\xFF';
    EXPECT_EQ(Read(SOI + Segment(0xE1, std::string(30000, '\xFF')) + Com(Text) + J.Sos), Text);
}

// The plain single-byte walk, for comparing the buffered reader against.
std::optional<std::string> ReferenceScan(const std::string& F) {
    size_t P = 0;
    auto Get = [&]() -> std::optional<uint8_t> {
        if (P >= F.size())
            return std::nullopt;
        return static_cast<uint8_t>(F[P++]);
    };
    if (!Get() || !Get())
        return std::nullopt;
    std::string Result;
    for (;;) {
        std::optional<uint8_t> B;
        do {
            B = Get();
            if (!B)
                return std::nullopt;
        } while (*B != 0xFF);
        const auto M = Get(), H = Get(), L = Get();
        if (!M || !H || !L)
            return std::nullopt;
        std::string Seg;
        for (int N = *H * 256 + *L - 2; N > 0; --N)
            if (P < F.size())
                Seg.push_back(F[P++]);
        if (*M == 0xFE)
            Result = Seg;
        if (P >= F.size() || *M == 0xDA)
            return Result;
    }
}

TEST_F(ReadJpegCommentTest, BufferedReadingMatchesSingleByteReading) {
    std::mt19937 Rng(7);
    const int Markers[] = {0xFE, 0xDA, 0xE0, 0xC0, 0xFF, 0x00, 0xD9};
    int Raised = 0, Returned = 0;
    for (int Round = 0; Round < 300; ++Round) {
        std::string F = SOI;
        const int Parts = 1 + static_cast<int>(Rng() % 6);
        for (int I = 0; I < Parts; ++I) {
            const int Kind = static_cast<int>(Rng() % 4);
            if (Kind == 0) { // junk, possibly long, maybe holding 0xFF
                std::string Junk(Rng() % 20000, '\0');
                for (auto& C : Junk)
                    C = static_cast<char>(Rng() % 3 == 0 ? 0xFF : Rng());
                F += Junk;
            } else {
                const uint8_t M = static_cast<uint8_t>(Markers[Rng() % 7]);
                std::string Payload(Rng() % 3 == 0 ? Rng() % 40000 : Rng() % 16, 'p');
                if (!Payload.empty())
                    Payload[Rng() % Payload.size()] = '\0';
                F += Kind == 1 ? SegmentHeader(M, static_cast<uint16_t>(Rng() % 4))
                               : Segment(M, Payload);
            }
        }
        F.resize(F.size() - Rng() % std::min<size_t>(F.size(), 8));
        const auto Expected = ReferenceScan(F);
        if (Expected) {
            ++Returned;
            ASSERT_EQ(Read(F), *Expected) << "round " << Round;
        } else {
            ++Raised;
            ASSERT_THROW(Read(F), EFileError) << "round " << Round;
        }
    }
    // Both outcomes must have been exercised for the comparison to mean anything.
    EXPECT_GT(Raised, 20);
    EXPECT_GT(Returned, 20);
}

} // namespace
} // namespace quillon
