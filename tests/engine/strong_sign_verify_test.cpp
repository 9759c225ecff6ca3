// Signing with a key and judging the strong tag: the legacy result of every
// reference file is the same with and without a tag, a file signed with a
// trusted key is original, and each kind of tampering gets its own class,
// never "original".
#include "engine/media_file.h"
#include "engine/mediasign.h"

#include "containers/strong_tag_place.h"
#include "crypto/minisign_keys.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace quillon {
namespace {

namespace fs = std::filesystem;

constexpr const char* Site = "site42";

TSecretKey TestOnlySecretKey() {
    const std::vector<uint8_t> Text =
        test::ReadBytes(test::TestDataDir() / "strong" / "quillon-test-only.key");
    return ParseSecretKey(std::string_view(reinterpret_cast<const char*>(Text.data()), Text.size()),
                          {});
}

class StrongSignVerify : public ::testing::Test {
  protected:
    // Signs Src (a reference file's name) into the scratch folder.
    std::string SignWithKey(const fs::path& Src, const std::string& Name,
                            const TSecretKey* Key = nullptr) {
        const std::string Dst = FFiles / Name;
        TSignOptions Options;
        Options.Strong = TStrongSigner{Key ? Key : &FKey, 1'765'000'000};
        const TSignResult R = SignMediaFile(Site, Src.string(), Dst, Options);
        EXPECT_TRUE(R.Ok) << Src << ": " << R.Reason;
        return Dst;
    }
    TMediaVerdict Verify(const std::string& Path, bool InPlace = true) {
        TVerifyOptions Options;
        Options.InPlace = InPlace;
        return VerifyMediaFileWithTag(Site, Path, FTrusted, Options);
    }
    static fs::path Photo() {
        return test::TestDataDir() / "jpeg" / "jpeg" / "coef_bands400_qones_420_56x40.jpg";
    }
    static fs::path OtherPhoto() {
        return test::TestDataDir() / "jpeg" / "jpeg" / "coef_bands400_qones_422_56x40.jpg";
    }
    static fs::path Movie() { return test::TestDataDir() / "avi" / "ff_mjpeg_pcm.avi"; }

    TSecretKey FKey = TestOnlySecretKey();
    TTrustedKeyList FTrusted{FKey.Public()};
    test::TScratchDir FFiles;
    test::TScratchDir FTemp;
    test::TScopedEnv FTempEnv{"TEMP", FTemp.Path().string().c_str()};
};

// ---- every reference file: the tag leaves the legacy result alone ----

std::vector<fs::path> ReferenceFiles() {
    std::vector<fs::path> Files;
    for (const char* Folder : {"jpeg/jpeg", "avi"})
        for (const auto& E : fs::directory_iterator(test::TestDataPath() / Folder)) {
            const std::string Ext = E.path().extension().string();
            if (Ext == ".jpg" || Ext == ".avi")
                Files.push_back(E.path());
        }
    std::sort(Files.begin(), Files.end());
    return Files;
}

TEST_F(StrongSignVerify, EveryReferenceFileKeepsItsLegacyResultWithATag) {
    const std::vector<fs::path> Files = ReferenceFiles();
    ASSERT_GT(Files.size(), 300u);
    size_t SignedBoth = 0;
    size_t Mended = 0;
    for (const fs::path& Src : Files) {
        SCOPED_TRACE(Src.filename().string());
        const std::string Plain = FFiles / ("plain" + Src.extension().string());
        const std::string Tagged = FFiles / ("tagged" + Src.extension().string());
        const TSignResult WithoutKey = SignMediaFile(Site, Src.string(), Plain);
        TSignOptions Options;
        Options.Strong = TStrongSigner{&FKey, 1'765'000'000};
        const TSignResult WithKey = SignMediaFile(Site, Src.string(), Tagged, Options);
        ASSERT_EQ(WithKey.Ok, WithoutKey.Ok) << WithKey.Reason << " / " << WithoutKey.Reason;
        // The unsigned source too: no tag, the same legacy result.
        const TMediaVerdict Unsigned = Verify(Src.string());
        EXPECT_EQ(Unsigned.Legacy.Code, VerifyMediaFile(Site, Src.string(), {true}).Code);
        EXPECT_EQ(Unsigned.Strong.Class, TStrongClass::NoTag);
        if (!WithKey.Ok)
            continue;
        ++SignedBoth;
        for (const bool InPlace : {true, false}) {
            int32_t Legacy = VerifyMediaFile(Site, Plain, {InPlace}).Code;
            // A few malformed movies are signed without a key into copies
            // that their own check rejects (the headers read otherwise once
            // the trailer is behind them); signed with a key, the headers
            // are read from the copy itself, and the copy checks out.
            if (IsAviPath(Plain) && Legacy == VerifyMismatch) {
                ++Mended;
                Legacy = VerifyOk;
            }
            EXPECT_EQ(VerifyMediaFile(Site, Tagged, {InPlace}).Code, Legacy) << InPlace;
            const TMediaVerdict Both = Verify(Tagged, InPlace);
            EXPECT_EQ(Both.Legacy.Code, Legacy) << InPlace;
            EXPECT_EQ(Both.Strong.Class, TStrongClass::Original)
                << InPlace << ": " << Both.Strong.Detail;
        }
        fs::remove(Plain);
        fs::remove(Tagged);
    }
    EXPECT_GT(SignedBoth, 250u);
    // list_first, lowercase_ids and random_non_riff, each checked two ways.
    EXPECT_EQ(Mended, 6u);
}

// ---- tampering, one class each ----

using TBytes = std::vector<uint8_t>;

struct TTamperCase {
    std::string Name;
    bool Movie;
    // Changes the signed file's bytes; Other is a second signed file of the
    // same kind.
    std::function<void(TBytes& File, const TBytes& Other)> Change;
    std::vector<TStrongClass> Expected; // any of these
};

// Where the tag lies in a file.
TTagSpot SpotOf(const TBytes& File, bool Movie, const test::TScratchDir& Dir) {
    if (!Movie)
        return FindJpegTag(File);
    const std::string Path = Dir / "spot.avi";
    test::WriteBytes(Path, File);
    TFileStream Stream(Path, TFileMode::OpenRead);
    return FindAviTag(Stream);
}

void FlipInTag(TBytes& File, bool Movie, double Where, const test::TScratchDir& Dir) {
    const TTagSpot Spot = SpotOf(File, Movie, Dir);
    ASSERT_EQ(Spot.State, TTagSpot::Present);
    // Past the segment's identifier or the chunk's header: into the body.
    const uint64_t Start = Spot.Offset + (Movie ? 8 : 4 + JpegTagIdentifier.size());
    const uint64_t At = Start + static_cast<uint64_t>(Where * static_cast<double>(Spot.Body.size() - 1));
    File.at(At) ^= 0x01;
}

const std::vector<TStrongClass> NotOriginal = {TStrongClass::Damaged, TStrongClass::LaterFormat,
                                               TStrongClass::Untrusted, TStrongClass::Changed};

std::vector<TTamperCase> TamperCases(const test::TScratchDir& Dir) {
    std::vector<TTamperCase> Cases;
    for (const bool Movie : {false, true}) {
        const std::string Kind = Movie ? "Movie" : "Photo";
        Cases.push_back({Kind + "Untouched", Movie, [](TBytes&, const TBytes&) {},
                         {TStrongClass::Original}});
        // Single bits flipped, sampled across the body: header, sections,
        // maps and signature.
        for (const double Where : {0.0, 0.01, 0.02, 0.05, 0.1, 0.3, 0.5, 0.7, 0.9, 0.97, 1.0})
            Cases.push_back({Kind + "TagBitFlippedAt" + std::to_string(static_cast<int>(Where * 100)),
                             Movie,
                             [Movie, Where, &Dir](TBytes& File, const TBytes&) {
                                 FlipInTag(File, Movie, Where, Dir);
                             },
                             NotOriginal});
        // The other file's tag put in place of this one's.
        Cases.push_back({Kind + "TagTransplanted", Movie,
                         [Movie, &Dir](TBytes& File, const TBytes& Other) {
                             const TTagSpot Mine = SpotOf(File, Movie, Dir);
                             const TTagSpot Theirs = SpotOf(Other, Movie, Dir);
                             TBytes Out(File.begin(), File.begin() + static_cast<ptrdiff_t>(Mine.Offset));
                             Out.insert(Out.end(), Other.begin() + static_cast<ptrdiff_t>(Theirs.Offset),
                                        Other.begin() + static_cast<ptrdiff_t>(Theirs.Offset + Theirs.Length));
                             Out.insert(Out.end(), File.begin() + static_cast<ptrdiff_t>(Mine.Offset + Mine.Length),
                                        File.end());
                             File = Out;
                         },
                         {TStrongClass::Changed}});
    }
    // A photo cut short inside its tag.
    Cases.push_back({"PhotoTruncatedInTag", false,
                     [&Dir](TBytes& File, const TBytes&) {
                         const TTagSpot Spot = SpotOf(File, false, Dir);
                         File.resize(static_cast<size_t>(Spot.Offset + Spot.Length / 2));
                     },
                     {TStrongClass::Damaged}});
    // An EXIF segment added behind the start of image.
    Cases.push_back({"PhotoExifAdded", false,
                     [](TBytes& File, const TBytes&) {
                         const TBytes Exif = {0xFF, 0xE1, 0x00, 0x0C, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42};
                         File.insert(File.begin() + 2, Exif.begin(), Exif.end());
                     },
                     {TStrongClass::PixelsOriginal}});
    // One byte of the entropy-coded data changed: other pixels.
    Cases.push_back({"PhotoPixelChanged", false,
                     [](TBytes& File, const TBytes&) { File.at(File.size() - 40) ^= 0x10; },
                     {TStrongClass::Changed}});
    // A movie cut short inside its tag: the footer is gone.
    Cases.push_back({"MovieTruncatedInTag", true,
                     [&Dir](TBytes& File, const TBytes&) {
                         const TTagSpot Spot = SpotOf(File, true, Dir);
                         File.resize(static_cast<size_t>(Spot.Offset + Spot.Length / 2));
                     },
                     {TStrongClass::NoTag, TStrongClass::Damaged}});
    // 1000 bytes cut out of the middle, the end kept.
    Cases.push_back({"MovieCutInTheMiddle", true,
                     [](TBytes& File, const TBytes&) {
                         const auto Mid = File.begin() + static_cast<ptrdiff_t>(File.size() / 2);
                         File.erase(Mid, Mid + 1000);
                     },
                     {TStrongClass::Changed}});
    Cases.push_back({"MovieByteChanged", true,
                     [](TBytes& File, const TBytes&) { File.at(File.size() / 3) ^= 0x40; },
                     {TStrongClass::Changed}});
    return Cases;
}

TEST_F(StrongSignVerify, EachTamperingGetsItsClassAndNeverOriginal) {
    const TBytes SignedPhoto = test::ReadBytes(SignWithKey(Photo(), "a.jpg"));
    const TBytes OtherSignedPhoto = test::ReadBytes(SignWithKey(OtherPhoto(), "b.jpg"));
    const TBytes SignedMovie = test::ReadBytes(SignWithKey(Movie(), "a.avi"));
    // The same movie with one payload byte changed before signing.
    TBytes Source = test::ReadBytes(Movie());
    Source.at(Source.size() / 2) ^= 0x01;
    test::WriteBytes(FFiles / "source-b.avi", Source);
    const TBytes OtherSignedMovie =
        test::ReadBytes(SignWithKey(FFiles / "source-b.avi", "b.avi"));

    for (const TTamperCase& C : TamperCases(FFiles)) {
        SCOPED_TRACE(C.Name);
        TBytes File = C.Movie ? SignedMovie : SignedPhoto;
        C.Change(File, C.Movie ? OtherSignedMovie : OtherSignedPhoto);
        const std::string Path = FFiles / (C.Movie ? "tampered.avi" : "tampered.jpg");
        test::WriteBytes(Path, File);
        for (const bool InPlace : {true, false}) {
            if (!C.Movie && !InPlace)
                continue;
            const TMediaVerdict V = Verify(Path, InPlace);
            EXPECT_NE(std::find(C.Expected.begin(), C.Expected.end(), V.Strong.Class),
                      C.Expected.end())
                << "got " << StrongClassName(V.Strong.Class) << ": " << V.Strong.Detail;
        }
    }
}

TEST_F(StrongSignVerify, AKeyThatIsNotTrustedIsNamedButNeverOriginal) {
    const TSecretKey Stranger = GenerateSecretKey("stranger");
    for (const fs::path& Src : {Photo(), Movie()}) {
        SCOPED_TRACE(Src.filename().string());
        const std::string Signed = SignWithKey(Src, "s" + Src.extension().string(), &Stranger);
        const TMediaVerdict V = Verify(Signed);
        EXPECT_EQ(V.Legacy.Code, VerifyOk);
        EXPECT_EQ(V.Strong.Class, TStrongClass::Untrusted);
        ASSERT_TRUE(V.Strong.KeyId.has_value());
        EXPECT_EQ(*V.Strong.KeyId, Stranger.Id);
        EXPECT_TRUE(V.Strong.KeyComment.empty());
    }
}

TEST_F(StrongSignVerify, AnOriginalNamesItsSignerAndTime) {
    const TMediaVerdict V = Verify(SignWithKey(Photo(), "named.jpg"));
    ASSERT_EQ(V.Strong.Class, TStrongClass::Original);
    EXPECT_EQ(V.Strong.KeyComment, FKey.Comment);
    EXPECT_EQ(V.Strong.KeyId, FKey.Id);
    EXPECT_EQ(V.Strong.SignedAt, 1'765'000'000);
    EXPECT_EQ(UtcTimeText(*V.Strong.SignedAt), "2025-12-06 05:46:40 UTC");
}

TEST_F(StrongSignVerify, APhotoTooLargeToReadWholeKeepsItsLegacyCheck) {
    const std::string Signed = SignWithKey(Photo(), "large.jpg");
    TCallContext Small;
    Small.Limits.MaxMemory = 1000; // below the file's size
    const TMediaVerdict V = VerifyJpegFileWithTag(Site, Signed.c_str(), FTrusted, Small);
    EXPECT_EQ(V.Strong.Class, TStrongClass::NotChecked);
    EXPECT_NE(V.Strong.Detail.find("memory limit"), std::string::npos) << V.Strong.Detail;
    EXPECT_EQ(V.Legacy.Code, VerifyJpegFile(Site, Signed.c_str(), Small).Code);
}

TEST_F(StrongSignVerify, ResigningASignedFileInPlaceReplacesItsTag) {
    // No source: the destination is signed with what it holds.
    const std::string Dst = SignWithKey(Photo(), "again.jpg");
    TSignOptions Options;
    Options.Strong = TStrongSigner{&FKey, 1'800'000'000};
    const TSignResult R = SignMediaFile(Site, FFiles / "missing.jpg", Dst, Options);
    ASSERT_TRUE(R.Ok) << R.Reason;
    const TMediaVerdict V = Verify(Dst);
    EXPECT_EQ(V.Legacy.Code, VerifyOk);
    EXPECT_EQ(V.Strong.Class, TStrongClass::Original);
    EXPECT_EQ(V.Strong.SignedAt, 1'800'000'000);
}

TEST(StrongTime, SigningTimesReadAsUtcDates) {
    struct TCase {
        int64_t Seconds;
        const char* Text;
        const char* Iso;
    };
    const TCase Cases[] = {
        {0, "1970-01-01 00:00:00 UTC", "1970-01-01T00:00:00Z"},
        {951'782'400, "2000-02-29 00:00:00 UTC", "2000-02-29T00:00:00Z"},
        {1'765'000'000, "2025-12-06 05:46:40 UTC", "2025-12-06T05:46:40Z"},
        {-1, "1969-12-31 23:59:59 UTC", "1969-12-31T23:59:59Z"},
        {253'402'300'800, "10000-01-01 00:00:00 UTC", "10000-01-01T00:00:00Z"},
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(UtcTimeText(C.Seconds), C.Text) << C.Seconds;
        EXPECT_EQ(UtcTimeIso(C.Seconds), C.Iso) << C.Seconds;
    }
    // Any time a tag may claim gives text, never a crash.
    EXPECT_FALSE(UtcTimeText(INT64_MIN / 2).empty());
    EXPECT_FALSE(UtcTimeText(INT64_MAX / 2).empty());
}

} // namespace
} // namespace quillon
