#include "engine/avi_signature.h"
#include "engine/mediasign.h"
#include "platform/debug_output.h"
#include "support/avi_expectations.h"
#include "support/riff_builder.h"
#include "support/test_support.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace quillon {
namespace {

namespace fs = std::filesystem;
using test::Chunk;
using test::Le32;
using test::List;
#ifndef _WIN32
using test::WithFileSizeLimit;
#endif

constexpr const char* SiteCode42 = "SITE-42";

std::set<std::string> Listing(const fs::path& Dir) {
    std::set<std::string> Names;
    for (const auto& E : fs::directory_iterator(Dir))
        Names.insert(E.path().filename().string());
    return Names;
}

TSignTrailer TrailerOf(const std::vector<uint8_t>& Bytes) {
    std::array<uint8_t, SignTrailerSize> T{};
    std::copy(Bytes.end() - SignTrailerSize, Bytes.end(), T.begin());
    return TSignTrailer::FromBytes(T);
}

class AviSignature : public ::testing::Test {
  protected:
    // Every verification must leave TEMP as it found it and the file unchanged.
    int32_t Verify(const std::string& Path, const char* Site = SiteCode42) {
        const auto TempBefore = Listing(FTemp.Path());
        const bool Exists = fs::is_regular_file(Path);
        const std::vector<uint8_t> Before = Exists ? test::ReadBytes(Path) : std::vector<uint8_t>{};
        FLines.clear();
        const int32_t Code = VerifyAVI(Site, Path.c_str());
        EXPECT_EQ(Listing(FTemp.Path()), TempBefore) << "leftover in TEMP verifying " << Path;
        if (Exists) {
            EXPECT_EQ(test::ReadBytes(Path), Before) << Path << " was changed";
        }
        return Code;
    }
    std::string Write(const std::string& Name, const std::string& Bytes) {
        const std::string Path = FFiles / Name;
        test::WriteBytes(Path, Bytes);
        return Path;
    }
    std::string Sign(const std::string& Src, const char* Site = SiteCode42) {
        const std::string Dst = Src + ".mod.avi";
        EXPECT_TRUE(SignAVI(Site, Src.c_str(), Dst.c_str())) << Src;
        return Dst;
    }
    static void Patch(const std::string& Path, size_t At, uint8_t Xor) {
        auto Bytes = test::ReadBytes(Path);
        Bytes.at(At) ^= Xor;
        test::WriteBytes(Path, Bytes);
    }

    test::TScratchDir FFiles;
    test::TScratchDir FTemp;
    test::TScopedEnv FTempEnv{"TEMP", FTemp.Path().string().c_str()};
    std::vector<std::string> FLines;
    TScopedDebugSink FSink{[this](std::string_view Line) { FLines.emplace_back(Line); }};
};

TEST_F(AviSignature, ReferenceFilesSignAndVerifyAsExpected) {
    for (const auto& E : test::LoadAviExpectations()) {
        SCOPED_TRACE(E.Name);
        const std::string Src = (test::TestDataDir() / "avi" / E.Name).string();
        EXPECT_EQ(Verify(Src), E.VerifyCode);

        const std::string Dst = FFiles / (E.Name + ".mod.avi");
        const bool Signed = SignAVI(SiteCode42, Src.c_str(), Dst.c_str());
        ASSERT_EQ(Signed, E.HeaderCRC.has_value());
        if (!Signed) {
            EXPECT_TRUE(Listing(FFiles.Path()).empty());
            continue;
        }
        const auto Source = test::ReadBytes(Src);
        const auto Copy = test::ReadBytes(Dst);
        ASSERT_EQ(Copy.size(), Source.size() + 20);
        EXPECT_TRUE(std::equal(Source.begin(), Source.begin() + 4, Copy.begin()));
        EXPECT_TRUE(std::equal(Source.begin() + 8, Source.end(), Copy.begin() + 8));
        const auto RiffSize = [](const std::vector<uint8_t>& B) {
            return static_cast<uint32_t>(B[4] | B[5] << 8 | B[6] << 16 | B[7] << 24);
        };
        EXPECT_EQ(RiffSize(Copy), RiffSize(Source) + 20u);
        const TSignTrailer T = TrailerOf(Copy);
        EXPECT_EQ(std::string(Copy.end() - 20, Copy.end() - 8), "JUNK" + Le32(12) + "MWVK");
        EXPECT_EQ(T.HeaderCRC, *E.HeaderCRC);
        EXPECT_EQ(T.FileCRC, *E.FileCRC);
        EXPECT_EQ(Verify(Dst), *E.SignedVerifyCode);
        fs::remove(Dst);
    }
}

// The check without the TEMP copy must answer as the copying check does, with
// the same diagnostic lines, for every reference movie and its signed copy,
// and needs no TEMP folder at all.
TEST_F(AviSignature, InPlaceCheckAnswersAsTheCopyingCheck) {
    int Compared = 0;
    for (const auto& E : test::LoadAviExpectations()) {
        const std::string Src = (test::TestDataDir() / "avi" / E.Name).string();
        const std::string Dst = FFiles / (E.Name + ".mod.avi");
        std::vector<std::string> Paths{Src};
        if (SignAVI(SiteCode42, Src.c_str(), Dst.c_str()))
            Paths.push_back(Dst);
        for (const std::string& Path : Paths) {
            for (const char* Site : {SiteCode42, "other"}) {
                SCOPED_TRACE(Path + " " + Site);
                FLines.clear();
                const TVerifyResult Copying = VerifyAviFile(Site, Path.c_str());
                const std::vector<std::string> CopyingLines = FLines;
                FLines.clear();
                const test::TScopedEnv NoTemp("TEMP", (FFiles / "no-such-folder").c_str());
                const TVerifyResult InPlace = VerifyAviFileInPlace(Site, Path.c_str());
                EXPECT_EQ(InPlace.Code, Copying.Code);
                EXPECT_EQ(InPlace.Reason, Copying.Reason);
                EXPECT_EQ(FLines, CopyingLines);
                ++Compared;
            }
        }
        fs::remove(Dst);
    }
    EXPECT_GT(Compared, 40);
}

// With no reader for the diagnostic lines the walk keeps no open lists and
// forms no lines; the signed bytes and every verdict must not notice.
TEST_F(AviSignature, UnreadLinesChangeNoSignatureAndNoVerdict) {
    std::vector<std::string> Sources{Write("sample.avi", test::SampleMovie())};
    for (const auto& E : test::LoadAviExpectations())
        Sources.push_back((test::TestDataDir() / "avi" / E.Name).string());
    for (const std::string& Src : Sources) {
        SCOPED_TRACE(Src);
        const std::string Watched = FFiles / "watched.avi", Unwatched = FFiles / "unwatched.avi";
        const bool Signed = SignAVI(SiteCode42, Src.c_str(), Watched.c_str());
        std::vector<int32_t> WatchedCodes;
        for (const std::string& Path : {Src, Watched})
            WatchedCodes.push_back(VerifyAviFileInPlace(SiteCode42, Path.c_str()).Code);
        const TScopedDebugSink Unread(DiscardingDebugSink());
        EXPECT_EQ(SignAVI(SiteCode42, Src.c_str(), Unwatched.c_str()), Signed);
        if (Signed) {
            EXPECT_EQ(test::ReadBytes(Unwatched), test::ReadBytes(Watched));
        }
        std::vector<int32_t> UnwatchedCodes;
        for (const std::string& Path : {Src, Watched})
            UnwatchedCodes.push_back(VerifyAviFileInPlace(SiteCode42, Path.c_str()).Code);
        EXPECT_EQ(UnwatchedCodes, WatchedCodes);
        fs::remove(Watched);
        fs::remove(Unwatched);
    }
}

TEST_F(AviSignature, WritesWalkAndHeaderLines) {
    const std::string Src = Write(
        "small.avi",
        List("RIFF", "AVI ", List("LIST", "hdrl", Chunk("avih", "1234")) + Chunk("abcd", "xyz")));
    FLines.clear();
    const std::string Dst = Sign(Src);
    // Signing writes only the walk's lines.
    EXPECT_EQ(FLines,
              (std::vector<std::string>{"--------- position:0, -1", "--------- position:12, 48",
                                        "--------- position:24, 36", "--------- position:36, 36",
                                        "--------- position:36, 48", "--------- position:48, 48",
                                        "--------- position:48, -1"}));
    EXPECT_EQ(Verify(Dst), VerifyOk);
    // The copy's RIFF size reaches 20 bytes past its end.
    EXPECT_EQ(FLines,
              (std::vector<std::string>{"--------- position:0, -1", "--------- position:12, 68",
                                        "--------- position:24, 36", "--------- position:36, 36",
                                        "--------- position:36, 68", "--------- position:48, 68",
                                        "--------- position:48, -1", "L:5453494C (16)",
                                        "C:68697661 (4)", "C:64636261 (3)"}));
}

TEST_F(AviSignature, HeaderLinesShowSizesSigned) {
    const std::string Src =
        Write("neg.avi", List("RIFF", "AVI ", test::RawChunk("big ", 0xFFFFFFF0u)));
    Verify(Sign(Src));
    ASSERT_FALSE(FLines.empty());
    EXPECT_EQ(FLines.back(), "C:20676962 (-16)");
}

TEST_F(AviSignature, ChangesOutsideBytesFourToElevenAreDetected) {
    const std::string Movie = test::SampleMovie();
    const std::string Signed = Sign(Write("movie.avi", Movie));
    ASSERT_EQ(Verify(Signed), VerifyOk);
    EXPECT_EQ(Verify(Signed, "SITE-43"), VerifyMismatch);
    EXPECT_EQ(Verify(Signed, "SITE-4"), VerifyMismatch);

    const size_t FrameHeader = Movie.find("00dc");
    const size_t JunkPayload = Movie.find("JUNK") + 8;
    struct TCase {
        const char* What;
        size_t At;
        int32_t Expected;
    } Cases[] = {
        {"RIFF size", 4, VerifyOk},
        {"RIFF size top byte", 7, VerifyOk},
        {"form type", 8, VerifyOk},
        {"form type last byte", 11, VerifyOk},
        {"first byte after the form type", 12, VerifyMismatch},
        {"fed frame header id", FrameHeader, VerifyMismatch},
        {"fed frame header size", FrameHeader + 4, VerifyMismatch},
        {"frame payload", FrameHeader + 8, VerifyMismatch},
        {"JUNK payload", JunkPayload, VerifyMismatch},
        {"last byte before the trailer", Movie.size() - 1, VerifyMismatch},
        {"trailer size field", Movie.size() + 4, VerifyOk},
        {"stored header checksum", Movie.size() + 12, VerifyMismatch},
        {"stored file checksum", Movie.size() + 19, VerifyMismatch},
        {"trailer id", Movie.size(), VerifyNoSignature},
        {"trailer magic", Movie.size() + 8, VerifyNoSignature},
    };
    for (const TCase& C : Cases) {
        const std::string Changed = FFiles / "changed.avi";
        test::WriteBytes(Changed, test::ReadBytes(Signed));
        Patch(Changed, C.At, 0x01);
        EXPECT_EQ(Verify(Changed), C.Expected) << C.What;
    }
}

TEST_F(AviSignature, ResigningAddsASecondTrailer) {
    const std::string Src = Write("movie.avi", test::SampleMovie());
    const std::string Once = Sign(Src);
    const std::string Twice = Sign(Once);
    const auto Source = test::ReadBytes(Src);
    const auto Copy = test::ReadBytes(Twice);
    ASSERT_EQ(Copy.size(), Source.size() + 40);
    EXPECT_EQ(Copy[4] | Copy[5] << 8, (Source[4] | Source[5] << 8) + 40);
    EXPECT_EQ(Verify(Twice), VerifyOk);
    EXPECT_EQ(Verify(Twice, "other"), VerifyMismatch);
    // The earlier trailer is now plain content.
    Patch(Twice, Source.size() + 16, 0x80);
    EXPECT_EQ(Verify(Twice), VerifyMismatch);
}

TEST_F(AviSignature, AppendedBytesHideTheTrailer) {
    const std::string Signed = Sign(Write("movie.avi", test::SampleMovie()));
    auto Bytes = test::ReadBytes(Signed);
    Bytes.push_back(0);
    test::WriteBytes(Signed, Bytes);
    EXPECT_EQ(Verify(Signed), VerifyNoSignature);
}

TEST_F(AviSignature, TwelveByteSourceGivesThirtyTwoByteCopy) {
    const std::string Src = Write("twelve.avi", "RIFF" + Le32(4) + "AVI ");
    const std::string Signed = Sign(Src);
    const auto Copy = test::ReadBytes(Signed);
    ASSERT_EQ(Copy.size(), 32u);
    const TSignTrailer T = TrailerOf(Copy);
    EXPECT_EQ(T.FileCRC, T.HeaderCRC);
    EXPECT_EQ(Verify(Signed), VerifyOk);
    // In a 32-byte file only the stored values are left to change.
    Patch(Signed, 28, 0x10);
    EXPECT_EQ(Verify(Signed), VerifyMismatch);

    const std::string Eleven = Write("eleven.avi", "RIFF" + Le32(4) + "AV");
    const std::string Dst = FFiles / "eleven.mod.avi";
    EXPECT_FALSE(SignAVI(SiteCode42, Eleven.c_str(), Dst.c_str()));
    EXPECT_FALSE(fs::exists(Dst));
}

TEST_F(AviSignature, ShortFilesHaveNoTrailer) {
    EXPECT_EQ(Verify(Write("empty.avi", "")), VerifyNoSignature);
    EXPECT_EQ(Verify(Write("nineteen.avi", std::string(19, 'x'))), VerifyNoSignature);
    // Exactly a trailer and nothing else still reads as one.
    const std::string OnlyTrailer = Write(
        "trailer.avi",
        std::string(reinterpret_cast<const char*>(TSignTrailer::Make(0, 0).Bytes().data()), 20));
    EXPECT_NE(Verify(OnlyTrailer), VerifyNoSignature);
}

TEST_F(AviSignature, CodesComeInTheirOrder) {
    const std::string Signed = Sign(Write("movie.avi", test::SampleMovie()));
    EXPECT_EQ(VerifyAVI("", (FFiles / "absent.avi").c_str()), VerifyNoSiteCode);
    EXPECT_EQ(VerifyAVI("", Signed.c_str()), VerifyNoSiteCode);
    EXPECT_EQ(VerifyAVI(nullptr, Signed.c_str()), VerifyNoSiteCode);
    EXPECT_EQ(Verify(""), VerifyNoFile);
    EXPECT_EQ(Verify(FFiles / "absent.avi"), VerifyNoFile);
    EXPECT_EQ(Verify(FFiles.Path().string()), VerifyNoFile); // a folder is no file
    {
        test::TScopedEnv Empty("TEMP", "");
        EXPECT_EQ(Verify(Signed), VerifyNoTemp);
        EXPECT_EQ(Verify(FFiles / "absent.avi"), VerifyNoFile);
    }
    const std::string NotAFolder = Write("plain-file", "x");
    {
        test::TScopedEnv File("TEMP", NotAFolder.c_str());
        EXPECT_EQ(Verify(Signed), VerifyNoTemp);
        EXPECT_EQ(Verify(Write("short.avi", "abc")), VerifyNoTemp);
    }
    {
        test::TScopedEnv Missing("TEMP", (FFiles / "no-such-folder").c_str());
        EXPECT_EQ(Verify(Signed), VerifyNoTemp);
    }
}

TEST_F(AviSignature, UnreadableFileGivesMinusNineAndLeavesNoCopy) {
    const std::string Path = FFiles / "unreadable.avi";
    const test::TUnreadableFile Unreadable(Path);
    ASSERT_TRUE(Unreadable.Ready());
    EXPECT_EQ(VerifyAVI(SiteCode42, Path.c_str()), VerifyOtherFailure);
    EXPECT_TRUE(Listing(FTemp.Path()).empty());
    const std::string Dst = FFiles / "unreadable.mod.avi";
    EXPECT_FALSE(SignAVI(SiteCode42, Path.c_str(), Dst.c_str()));
    EXPECT_FALSE(fs::exists(Dst));
}

#ifdef _WIN32
// Windows always sets TEMP: unset, it is missing.
TEST_F(AviSignature, UnsetTempIsMissing) {
    const std::string Signed = Sign(Write("movie.avi", test::SampleMovie()));
    test::TScopedEnv Unset("TEMP", nullptr);
    test::TScopedEnv Dir("TMPDIR", FTemp.Path().string().c_str());
    EXPECT_EQ(VerifyAVI(SiteCode42, Signed.c_str()), VerifyNoTemp);
}
#else
TEST_F(AviSignature, UnsetTempFallsBackToTmpdir) {
    test::TScratchDir Tmpdir;
    const std::string Signed = Sign(Write("movie.avi", test::SampleMovie()));
    test::TScopedEnv Unset("TEMP", nullptr);
    test::TScopedEnv Dir("TMPDIR", Tmpdir.Path().c_str());
    EXPECT_EQ(VerifyAVI(SiteCode42, Signed.c_str()), VerifyOk);
    EXPECT_TRUE(Listing(Tmpdir.Path()).empty());
}
#endif

// Whatever stands at a name in TEMP (a file, a folder, a dangling link as
// anyone may leave in a shared folder) is passed by and never written
// through; a name grown too long goes on with a number.
TEST_F(AviSignature, TemporaryCopyPassesEveryTakenName) {
    const std::string Signed = Sign(Write("clip.avi", test::SampleMovie()));
    const std::string Base = FTemp / "clip.avi.mod.avi_CHECK.";
    test::WriteBytes(Base + "$", "someone else's");
    fs::create_directory(Base + "$$");
    test::WriteBytes(Base + "$$$", "and another");
    std::error_code NoLinks;
    fs::create_symlink(FTemp.Path() / "elsewhere", Base + "$$$$", NoLinks);
    EXPECT_EQ(Verify(Signed), VerifyOk);
    EXPECT_EQ(test::ReadBytes(Base + "$").size(), 14u);
    EXPECT_EQ(test::ReadBytes(Base + "$$$").size(), 11u);
    EXPECT_FALSE(fs::exists(FTemp.Path() / "elsewhere"));

    // 244 + 7 bytes leave room for four "$" in a name of 255 bytes.
    const std::string Long = Sign(Write(std::string(232, 'm') + ".avi", test::SampleMovie()));
    const std::string LongBase = FTemp / (fs::path(Long).filename().string() + "_CHECK.");
    for (const char* Dollars : {"$", "$$", "$$$", "$$$$"})
        test::WriteBytes(LongBase + Dollars, "taken");
    EXPECT_EQ(Verify(Long), VerifyOk);
}

// Running out of room needs a file-size limit for one process: POSIX only
// (Windows has none short of a small volume).
#ifndef _WIN32
TEST_F(AviSignature, FailedCopyGivesMinusFiveAndLeavesNoCopy) {
    const std::string Big = List("RIFF", "AVI ", Chunk("00dc", std::string(200000, 'f')));
    const std::string Signed = Sign(Write("big.avi", Big));
    const auto Before = test::ReadBytes(Signed);
    const int Code =
        WithFileSizeLimit(65536, [&] { return VerifyAVI(SiteCode42, Signed.c_str()); });
    EXPECT_EQ(Code, VerifyCopyFailed);
    EXPECT_TRUE(Listing(FTemp.Path()).empty());
    EXPECT_EQ(test::ReadBytes(Signed), Before);
}

TEST_F(AviSignature, FailedWriteLeavesTheDestinationAlone) {
    const std::string Big = List("RIFF", "AVI ", Chunk("00dc", std::string(200000, 'f')));
    const std::string Src = Write("big.avi", Big);
    const std::string Dst = Write("big.avi.mod.avi", "the old signed copy");
    const auto FilesBefore = Listing(FFiles.Path());
    // The write runs out of room halfway.
    EXPECT_EQ(
        WithFileSizeLimit(65536, [&] { return SignAVI(SiteCode42, Src.c_str(), Dst.c_str()); }), 0);
    EXPECT_EQ(test::ReadBytes(Dst).size(), 19u);
    EXPECT_EQ(Listing(FFiles.Path()), FilesBefore);
}
#endif

// A large file in the way is freed after the rename, off the signer's path;
// the rename itself still swaps the files in one step.
TEST_F(AviSignature, ALargeReplacedDestinationIsFreedAfterwards) {
    const std::string Src = Write("clip.avi", test::SampleMovie());
    const std::string Dst = Write("clip.avi.mod.avi", "old");
    fs::resize_file(Dst, uintmax_t{64} << 20);
    ASSERT_TRUE(SignAVI(SiteCode42, Src.c_str(), Dst.c_str()));
    EXPECT_EQ(test::ReadBytes(Dst).size(), test::SampleMovie().size() + 20);
    EXPECT_EQ(Verify(Dst), VerifyOk);
    for (int I = 0; I < 500 && Listing(FFiles.Path()).size() > 2; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(Listing(FFiles.Path()), (std::set<std::string>{"clip.avi", "clip.avi.mod.avi"}));
}

TEST_F(AviSignature, FailedSigningLeavesTheDestinationAlone) {
    const std::string Big = List("RIFF", "AVI ", Chunk("00dc", std::string(200000, 'f')));
    const std::string Src = Write("big.avi", Big);
    const std::string Dst = Write("big.avi.mod.avi", "the old signed copy");

    // No source, a source too short, a destination folder that is not there.
    EXPECT_FALSE(SignAVI(SiteCode42, (FFiles / "absent.avi").c_str(), Dst.c_str()));
    const std::string Short = Write("short.avi", "RIFF");
    EXPECT_FALSE(SignAVI(SiteCode42, Short.c_str(), Dst.c_str()));
    EXPECT_FALSE(SignAVI(SiteCode42, Src.c_str(), (FFiles / "nowhere/x.avi").c_str()));
    EXPECT_EQ(test::ReadBytes(Dst).size(), 19u);
    EXPECT_EQ(Listing(FFiles.Path()),
              (std::set<std::string>{"big.avi", "big.avi.mod.avi", "short.avi"}));

    // When it succeeds the old copy is replaced.
    EXPECT_TRUE(SignAVI(SiteCode42, Src.c_str(), Dst.c_str()));
    EXPECT_EQ(test::ReadBytes(Dst).size(), Big.size() + 20);
}

TEST_F(AviSignature, SigningInPlaceKeepsTheSourceUntilDone) {
    const std::string Movie = test::SampleMovie();
    const std::string Path = Write("inplace.avi", Movie);
    ASSERT_TRUE(SignAVI(SiteCode42, Path.c_str(), Path.c_str()));
    EXPECT_EQ(test::ReadBytes(Path).size(), Movie.size() + 20);
    EXPECT_EQ(Verify(Path), VerifyOk);
    EXPECT_EQ(Listing(FFiles.Path()), std::set<std::string>{"inplace.avi"});
}

TEST_F(AviSignature, EmptySiteCodeSignsButNeverVerifies) {
    const std::string Signed = Sign(Write("movie.avi", test::SampleMovie()), "");
    EXPECT_EQ(Verify(Signed, ""), VerifyNoSiteCode);
    EXPECT_EQ(Verify(Signed, SiteCode42), VerifyMismatch);
}

} // namespace
} // namespace quillon
