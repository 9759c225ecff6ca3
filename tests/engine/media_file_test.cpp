// The rules the window and the command line share: kind by extension,
// signed-copy names, the site-code limit, and what the dispatch asks whom.
#include "engine/media_file.h"
#include "engine/verdict_text.h"
#include "extlib/uKvWMDll.h"

#include <climits>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon {
namespace {

TEST(MediaFile, KindAndSignedCopyNameByExtension) {
    struct TCase {
        const char* Path;
        TMediaKind Kind;
        const char* SignedCopy;
    };
    const TCase Cases[] = {
        {"clip.avi", TMediaKind::Avi, "clip.avi.mod.avi"},
        {"CLIP.AVI", TMediaKind::Avi, "CLIP.AVI.mod.avi"},
        {"dir/Clip.Avi", TMediaKind::Avi, "dir/Clip.Avi.mod.avi"},
        {".avi", TMediaKind::Avi, ".avi.mod.avi"},
        {"photo.jpg", TMediaKind::Jpeg, "photo.jpg.mod.jpg"},
        {"x.png", TMediaKind::Jpeg, "x.png.mod.jpg"},
        {"noext", TMediaKind::Jpeg, "noext.mod.jpg"},
        {"clip.avi.jpg", TMediaKind::Jpeg, "clip.avi.jpg.mod.jpg"},
        {"clip.avix", TMediaKind::Jpeg, "clip.avix.mod.jpg"},
        {"clip.avi ", TMediaKind::Jpeg, "clip.avi .mod.jpg"},
        // The last dot lies in a folder name: no extension at all.
        {"movies.avi/clip", TMediaKind::Jpeg, "movies.avi/clip.mod.jpg"},
        {"", TMediaKind::Jpeg, ".mod.jpg"},
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(MediaKindOf(C.Path), C.Kind) << C.Path;
        EXPECT_EQ(SignedCopyPath(C.Path), C.SignedCopy) << C.Path;
    }
}

// Entries that note who was asked and answer as scripted.
struct TScripted {
    std::vector<std::string> Asked;
    int32_t LibraryAnswer = LibraryAbsent;
    bool LibraryThrows = false;

    TMediaEntries Entries() {
        TMediaEntries E;
        E.VerifyAVI = [this](const char*, const char*) {
            Asked.push_back("avi");
            return TVerifyResult(VerifyMismatch);
        };
        E.VerifyWithWMDll = [this](const char*, const char*) -> int32_t {
            Asked.push_back("library");
            if (LibraryThrows)
                throw EWMLibraryError("external watermark library: broke");
            return LibraryAnswer;
        };
        E.VerifyJpeg = [this](const char*, const char*) {
            Asked.push_back("jpeg");
            return TVerifyResult(VerifyNoSignature, "no signature comment");
        };
        return E;
    }
};

TEST(MediaFile, OnlyTheLibrarysVerdictOfOneStandsForPhotos) {
    for (const int32_t Answer :
         {LibraryNotVerified, LibraryAbsent, LibraryNotStarted, LibraryFailed, LibraryNoFile}) {
        TScripted S;
        S.LibraryAnswer = Answer;
        EXPECT_EQ(VerifyMediaFile("K", "a.jpg", {}, S.Entries()).Code, VerifyNoSignature) << Answer;
        EXPECT_EQ(S.Asked, (std::vector<std::string>{"library", "jpeg"}));
    }
    TScripted S;
    S.LibraryAnswer = LibraryVerified;
    EXPECT_EQ(VerifyMediaFile("K", "a.jpg", {}, S.Entries()).Code, VerifyOk);
    EXPECT_EQ(S.Asked, std::vector<std::string>{"library"});
}

TEST(MediaFile, MoviesNeverGoToTheLibrary) {
    TScripted S;
    EXPECT_EQ(VerifyMediaFile("K", "CLIP.Avi", {}, S.Entries()).Code, VerifyMismatch);
    EXPECT_EQ(S.Asked, std::vector<std::string>{"avi"});
}

TEST(MediaFile, SomethingRaisedInTheLibraryIsAnUnknownErrorWithItsText) {
    TScripted S;
    S.LibraryThrows = true;
    const TVerifyResult R = VerifyMediaFile("K", "a.jpg", {}, S.Entries());
    EXPECT_EQ(R.Code, VerifyOtherFailure);
    EXPECT_NE(R.Reason.find("broke"), std::string::npos) << R.Reason;
}

TEST(MediaFile, SiteCodeOverTheBufferIsRefusedBeforeAnyoneIsAsked) {
    TScripted S;
    EXPECT_EQ(
        VerifyMediaFile(std::string(MaxSiteCodeBytes + 1, 'k'), "a.jpg", {}, S.Entries()).Code,
        VerifyNoSiteCode);
    EXPECT_TRUE(S.Asked.empty());
    VerifyMediaFile(std::string(MaxSiteCodeBytes, 'k'), "a.jpg", {}, S.Entries());
    EXPECT_FALSE(S.Asked.empty());
}

TEST(MediaFile, EveryCodeHasTheWindowsText) {
    EXPECT_EQ(VerdictText(1), "Original image file !!");
    EXPECT_EQ(VerdictText(0), "Entire image changed or wrong SITE-CODE !!");
    EXPECT_EQ(VerdictText(-3), "Entire image changed or wrong SITE-CODE !!");
    EXPECT_EQ(VerdictText(-1), "Invalid group code");
    EXPECT_EQ(VerdictText(-2), "Invalid file");
    EXPECT_EQ(VerdictText(-4),
              "In your system, the environment value as \"TEMP\" is not set.\r\nIt is very "
              "important system environment value. Pleas check it, and try again.");
    EXPECT_EQ(VerdictText(-5),
              "Not enough free space in TEMP directory.\r\nPleas check it, and try again.");
    for (const int32_t Other : {-9, -6, 2, 100, INT32_MIN, INT32_MAX})
        EXPECT_EQ(VerdictText(Other), "unknown error") << Other;
}

} // namespace
} // namespace quillon
