// Where signing writes: a link at the destination is replaced, never
// followed; a hard-linked file is never written through; what is no regular
// file is refused; and a photo's old signed copy survives every failure and
// every kill, the new one arriving whole or not at all.
#ifndef _WIN32
#include "engine/mediasign.h"
#include "platform/files.h"
#include "support/riff_builder.h"
#include "support/test_jpeg.h"
#include "support/test_support.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillon {
namespace {

namespace fs = std::filesystem;
using test::EntryNames;
constexpr const char* Site = "SITE-42";

std::vector<uint8_t> Photo(int Width, int Height) {
    test::TTestPicture P;
    P.Width = Width;
    P.Height = Height;
    P.Gradient = [](int X, int Y, int C) { return X * 3 + Y * 5 + C * 70; };
    return test::EncodeTestJpeg(P);
}

struct TMedia {
    const char* Name;
    const char* Extension;
    TSignResult (*Sign)(const char*, const char*, const char*);
    TVerifyResult (*Verify)(const char*, const char*);
};

void PrintTo(const TMedia& M, std::ostream* Out) {
    *Out << M.Name;
}

class SigningDestination : public ::testing::TestWithParam<TMedia> {
  protected:
    std::string Source() {
        const std::string Path = FDir / (std::string("src") + GetParam().Extension);
        if (std::string(GetParam().Extension) == ".avi")
            test::WriteBytes(Path, test::SampleMovie());
        else
            test::WriteBytes(Path, Photo(40, 24));
        return Path;
    }
    test::TScratchDir FDir;
};

TEST_P(SigningDestination, LinksAreReplacedAndNothingElseIsWritten) {
    const TMedia& M = GetParam();
    const std::string Src = Source();
    const std::string Precious = FDir / "precious.txt";
    test::WriteBytes(Precious, std::string("precious"));
    fs::create_directory(FDir.Path() / "elsewhere");
    const struct {
        const char* Kind;
        std::function<void(const std::string&)> Make;
        bool Signs;
    } Cases[] = {
        {"link to a file", [&](const std::string& D) { fs::create_symlink(Precious, D); }, true},
        {"dangling link",
         [&](const std::string& D) { fs::create_symlink(FDir / "elsewhere/created", D); }, true},
        {"hard link", [&](const std::string& D) { fs::create_hard_link(Precious, D); }, true},
        {"FIFO", [](const std::string& D) { ASSERT_EQ(::mkfifo(D.c_str(), 0600), 0); }, false},
        {"folder", [](const std::string& D) { fs::create_directory(D); }, false},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Kind);
        const std::string Dst = FDir / (std::string("dst") + M.Extension);
        C.Make(Dst);
        const std::set<std::string> Before = EntryNames(FDir.Path());
        const TSignResult R = M.Sign(Site, Src.c_str(), Dst.c_str());
        EXPECT_EQ(R.Ok, C.Signs) << R.Reason;
        if (C.Signs) {
            EXPECT_EQ(EntryKindOf(Dst), TEntryKind::RegularFile);
            EXPECT_EQ(M.Verify(Site, Dst.c_str()).Code, VerifyOk);
        } else {
            EXPECT_NE(R.Reason.find(C.Kind), std::string::npos) << R.Reason;
        }
        EXPECT_EQ(EntryNames(FDir.Path()), Before);
        EXPECT_EQ(test::ReadBytes(Precious).size(), 8u);
        EXPECT_TRUE(fs::is_empty(FDir.Path() / "elsewhere"));
        fs::remove(Dst);
    }
}

INSTANTIATE_TEST_SUITE_P(Signing, SigningDestination,
                         ::testing::Values(TMedia{"Photo", ".jpg", &SignJpegFile, &VerifyJpegFile},
                                           TMedia{"Movie", ".avi", &SignAviFile, &VerifyAviFile}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

class PhotoSigning : public ::testing::Test {
  protected:
    void SetUp() override {
        test::WriteBytes(FSrc, Photo(2400, 1600));
        ASSERT_TRUE(SignJpeg(Site, FSrc.c_str(), FDst.c_str()));
        FGood = test::ReadBytes(FDst);
        // The source changes, so that a new copy differs from the old one.
        test::WriteBytes(FSrc, Photo(2400, 1592));
    }
    // The old signed copy, untouched, and nothing else beside the source.
    void ExpectOldCopyAlone() {
        EXPECT_EQ(test::ReadBytes(FDst), FGood);
        EXPECT_EQ(EntryNames(FDir.Path()), (std::set<std::string>{"p.jpg", "p.jpg.mod.jpg"}));
    }
    test::TScratchDir FDir;
    const std::string FSrc = FDir / "p.jpg";
    const std::string FDst = FDir / "p.jpg.mod.jpg";
    std::vector<uint8_t> FGood;
};

TEST_F(PhotoSigning, OutOfRoomKeepsTheOldSignedCopy) {
    const int Signed = test::WithFileSizeLimit(
        FGood.size() / 2, [&] { return SignJpeg(Site, FSrc.c_str(), FDst.c_str()) ? 1 : 0; });
    EXPECT_EQ(Signed, 0);
    ExpectOldCopyAlone();
}

// Killed at any moment, the destination holds the old copy or the whole new
// one, which verifies; nothing else is left.
TEST_F(PhotoSigning, AKillAtAnyMomentLeavesAWholeSignedCopy) {
    for (const int Delay : {0, 40, 120, 250, 500}) {
        SCOPED_TRACE(Delay);
        test::WriteBytes(FDst, FGood);
        const pid_t Child = ::fork();
        ASSERT_GE(Child, 0);
        if (Child == 0)
            ::_exit(SignJpeg(Site, FSrc.c_str(), FDst.c_str()) ? 0 : 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(Delay));
        ::kill(Child, SIGKILL);
        int Status = 0;
        ASSERT_EQ(::waitpid(Child, &Status, 0), Child);
        if (test::ReadBytes(FDst) != FGood) {
            EXPECT_EQ(VerifyJpeg(Site, FDst.c_str()), VerifyOk);
        }
        std::set<std::string> Left = EntryNames(FDir.Path());
        // Only where the file system has no unnamed files: a leftover the
        // next signing removes.
        Left.erase("p.jpg.mod.jpg.partial0");
        EXPECT_EQ(Left, (std::set<std::string>{"p.jpg", "p.jpg.mod.jpg"}));
    }
}

} // namespace
} // namespace quillon
#endif
