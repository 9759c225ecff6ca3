// The strong tag's writer and parser: what is written reads back field for
// field, the signature binds every byte and the kind of file, and a damaged
// or forged tag is an error or a failed signature, never a valid tag.
#include "crypto/crypto_error.h"
#include "crypto/strong_tag.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TStrongTag PhotoTag() {
    TStrongTag T;
    T.Kind = TMediaKind::Jpeg;
    T.SignedAt = 1765324800; // 2025-12-10 00:00:00 UTC
    T.Pixels = TPixelsSection{130, 70, 64, {}};
    T.Pixels->Digest.fill(0x11);
    T.FileBytes = TFileBytesSection{4321, {}};
    T.FileBytes->Digest.fill(0x22);
    const size_t Tiles = TileCount(*T.Pixels); // 3 x 2
    T.TileDigests = TEntryTable{0, 8, std::vector<uint8_t>(Tiles * 8, 0x33)};
    T.TileFingerprints = TEntryTable{FingerprintMeanYCbCr, 3, std::vector<uint8_t>(Tiles * 3, 0x44)};
    return T;
}

TStrongTag MovieTag() {
    TStrongTag T;
    T.Kind = TMediaKind::Avi;
    T.SignedAt = -1; // before 1970: still a time
    T.MovieBytes = TMovieBytesSection{600000, 262144, {}};
    T.MovieBytes->Digest.fill(0x55);
    T.BlockDigests = TEntryTable{0, 8, std::vector<uint8_t>(3 * 8, 0x66)};
    TStreamEntry Video{{'v', 'i', 'd', 's'}, {'M', 'J', 'P', 'G'}, 1, 25, 0, 250, 0, 250};
    T.MovieLayout = TMovieLayoutSection{2048, 500000, {Video}};
    return T;
}

const TSecretKey& TestKey() {
    static const TSecretKey Key = GenerateSecretKey("tests");
    return Key;
}

TEST(StrongTag, PhotoTagReadsBackFieldForField) {
    TStrongTag T = PhotoTag();
    const std::vector<uint8_t> Body = SignStrongTag(T, TestKey());
    const TStrongTag R = ParseStrongTag(Body, TMediaKind::Jpeg);
    EXPECT_EQ(R.KeyId, TestKey().Id);
    EXPECT_EQ(R.SignedAt, T.SignedAt);
    ASSERT_TRUE(R.Pixels && R.FileBytes && R.TileDigests && R.TileFingerprints);
    EXPECT_EQ(R.Pixels->Width, 130u);
    EXPECT_EQ(R.Pixels->Height, 70u);
    EXPECT_EQ(R.Pixels->TileSize, 64u);
    EXPECT_EQ(R.Pixels->Digest, T.Pixels->Digest);
    EXPECT_EQ(R.FileBytes->Length, 4321u);
    EXPECT_EQ(R.TileDigests->Data, T.TileDigests->Data);
    EXPECT_EQ(R.TileFingerprints->Kind, FingerprintMeanYCbCr);
    EXPECT_EQ(R.TileFingerprints->Data, T.TileFingerprints->Data);
    EXPECT_FALSE(R.MovieBytes);
    EXPECT_TRUE(StrongTagSignedBy(Body, TMediaKind::Jpeg, TestKey().Key.PublicKey()));
}

TEST(StrongTag, MovieTagReadsBackFieldForField) {
    TStrongTag T = MovieTag();
    const std::vector<uint8_t> Body = SignStrongTag(T, TestKey());
    const TStrongTag R = ParseStrongTag(Body, TMediaKind::Avi);
    EXPECT_EQ(R.SignedAt, -1);
    ASSERT_TRUE(R.MovieBytes && R.BlockDigests && R.MovieLayout);
    EXPECT_EQ(R.MovieBytes->SignedLength, 600000u);
    EXPECT_EQ(R.MovieBytes->BlockSize, 262144u);
    EXPECT_EQ(BlockCount(*R.MovieBytes), 3u);
    EXPECT_EQ(R.MovieLayout->MoviOffset, 2048u);
    ASSERT_EQ(R.MovieLayout->Streams.size(), 1u);
    EXPECT_EQ(R.MovieLayout->Streams[0].Rate, 25u);
    EXPECT_EQ(R.MovieLayout->Streams[0].ChunkCount, 250u);
    EXPECT_TRUE(StrongTagSignedBy(Body, TMediaKind::Avi, TestKey().Key.PublicKey()));
}

TEST(StrongTag, SignatureNamesTheKindOfFileAndTheKey) {
    TStrongTag T = PhotoTag();
    const std::vector<uint8_t> Body = SignStrongTag(T, TestKey());
    EXPECT_FALSE(StrongTagSignedBy(Body, TMediaKind::Avi, TestKey().Key.PublicKey()));
    EXPECT_FALSE(StrongTagSignedBy(Body, TMediaKind::Jpeg, GenerateSecretKey("x").Key.PublicKey()));
    EXPECT_THROW(ParseStrongTag(Body, TMediaKind::Avi), ECryptoError);
}

// Every single flipped bit is either refused by the parser or breaks the
// signature: no flip yields a valid tag.
TEST(StrongTag, NoSingleFlippedBitLeavesAValidTag) {
    for (TStrongTag T : {PhotoTag(), MovieTag()}) {
        const std::vector<uint8_t> Body = SignStrongTag(T, TestKey());
        for (size_t I = 0; I < Body.size(); ++I) {
            for (const uint8_t Bit : {uint8_t{0x01}, uint8_t{0x80}}) {
                std::vector<uint8_t> Flipped = Body;
                Flipped[I] ^= Bit;
                bool Parsed = true;
                try {
                    ParseStrongTag(Flipped, T.Kind);
                } catch (const ECryptoError&) {
                    Parsed = false;
                }
                EXPECT_FALSE(Parsed && StrongTagSignedBy(Flipped, T.Kind, TestKey().Key.PublicKey()))
                    << "byte " << I;
            }
        }
    }
}

TEST(StrongTag, EveryTruncationIsRefused) {
    TStrongTag T = PhotoTag();
    const std::vector<uint8_t> Body = SignStrongTag(T, TestKey());
    for (size_t N = 0; N < Body.size(); ++N)
        EXPECT_THROW(ParseStrongTag(std::span<const uint8_t>(Body).first(N), TMediaKind::Jpeg),
                     ECryptoError)
            << N;
}

struct TRuleCase {
    const char* Name;
    std::function<void(TStrongTag&)> Break;
};

const TRuleCase RuleCases[] = {
    {"NoPixels", [](TStrongTag& T) { T.Pixels.reset(); T.TileDigests.reset(); T.TileFingerprints.reset(); }},
    {"NoFileBytes", [](TStrongTag& T) { T.FileBytes.reset(); }},
    {"TileSizeNotPowerOfTwo", [](TStrongTag& T) { T.Pixels->TileSize = 48; }},
    {"TileSizeTooSmall", [](TStrongTag& T) { T.Pixels->TileSize = 8; }},
    {"ZeroWidth", [](TStrongTag& T) { T.Pixels->Width = 0; }},
    {"WiderThanJpeg", [](TStrongTag& T) { T.Pixels->Width = 70000; }},
    {"MapOfOtherSize", [](TStrongTag& T) { T.TileDigests->Data.pop_back(); }},
    {"MapForOtherTiles", [](TStrongTag& T) { T.Pixels->TileSize = 16; }},
    {"FingerprintKindDoesNotFitSize", [](TStrongTag& T) { T.TileFingerprints->EntryBytes = 4; }},
    {"DigestEntryTooLong", [](TStrongTag& T) { T.TileDigests->EntryBytes = 33; }},
    {"MovieSectionInPhoto", [](TStrongTag& T) { T.MovieBytes = TMovieBytesSection{1, 4096, {}}; }},
    {"UnknownCriticalSection", [](TStrongTag& T) { T.Unknown.push_back({0x0100, SectionFlagCritical, {1}}); }},
    {"UndefinedFlag", [](TStrongTag& T) { T.Unknown.push_back({0x0100, 2, {1}}); }},
};

class TagRule : public testing::TestWithParam<TRuleCase> {};

// The writer checks what it wrote with the parser, so a tag breaking a
// rule is never written either.
TEST_P(TagRule, BrokenRuleIsRefused) {
    TStrongTag T = PhotoTag();
    GetParam().Break(T);
    EXPECT_THROW(SignStrongTag(T, TestKey()), ECryptoError);
}

INSTANTIATE_TEST_SUITE_P(Cases, TagRule, testing::ValuesIn(RuleCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(StrongTag, UnknownOptionalSectionIsKeptAndSigned) {
    TStrongTag T = PhotoTag();
    T.Unknown.push_back({0x0200, 0, {9, 8, 7}});
    const std::vector<uint8_t> Body = SignStrongTag(T, TestKey());
    const TStrongTag R = ParseStrongTag(Body, TMediaKind::Jpeg);
    ASSERT_EQ(R.Unknown.size(), 1u);
    EXPECT_EQ(R.Unknown[0].Payload, (std::vector<uint8_t>{9, 8, 7}));
    EXPECT_TRUE(StrongTagSignedBy(Body, TMediaKind::Jpeg, TestKey().Key.PublicKey()));
}

TEST(StrongTag, LaterVersionIsUnsupportedNotDamaged) {
    TStrongTag T = PhotoTag();
    std::vector<uint8_t> Body = SignStrongTag(T, TestKey());
    Body[4] = 2;
    try {
        ParseStrongTag(Body, TMediaKind::Jpeg);
        ADD_FAILURE();
    } catch (const ECryptoError& E) {
        EXPECT_EQ(E.Kind(), TCryptoErrorKind::Unsupported);
    }
}

} // namespace
} // namespace quillon
