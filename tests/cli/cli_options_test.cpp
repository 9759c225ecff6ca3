#include "cli/cli_options.h"
#include "cli/cli_process.h"
#include "engine/media_file.h"

#include <gtest/gtest.h>
#include <sstream>
#include <streambuf>

namespace quillon::cli {
namespace {

TParseResult Parse(std::vector<std::string> Args) {
    return ParseCommandLine(Args);
}

TEST(CliOptions, VerifyTakesSiteCodeJsonAndPathsInAnyOrder) {
    const auto R = Parse({"--trace", "verify", "a.jpg", "--json", "--site-code", "K", "b.avi"});
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Options.Command, TCommand::Verify);
    EXPECT_TRUE(R.Options.Trace);
    EXPECT_TRUE(R.Options.Json);
    EXPECT_EQ(R.Options.SiteCode, "K");
    EXPECT_EQ(R.Options.Paths, (std::vector<std::string>{"a.jpg", "b.avi"}));
}

TEST(CliOptions, ValuesMayLookLikeOptionsOrBeEmpty) {
    auto R = Parse({"verify", "--site-code", "-", "x"});
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Options.SiteCode, "-");
    R = Parse({"verify", "--site-code", "--json", "x"});
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Options.SiteCode, "--json");
    EXPECT_FALSE(R.Options.Json);
    R = Parse({"verify", "--site-code=a=b c", "x"});
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Options.SiteCode, "a=b c");
    R = Parse({"verify", "-s", "-x", "x"});
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Options.SiteCode, "-x");
}

TEST(CliOptions, ShortFormsTakeTheirValueAttachedOrNext) {
    auto R = Parse({"verify", "-sK", "-j2", "-q", "x"});
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Options.SiteCode, "K");
    EXPECT_EQ(R.Options.Jobs, 2);
    EXPECT_TRUE(R.Options.Quiet);
    R = Parse({"sign", "-s", "K", "-j", "3", "-f", "a.jpg", "-o", "b.jpg"});
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Options.Jobs, 3);
    EXPECT_TRUE(R.Options.Force);
    EXPECT_EQ(R.Options.OutPath, "b.jpg");
}

TEST(CliOptions, DoubleDashEndsOptions) {
    const auto R = Parse({"verify", "--site-code", "K", "--", "--json", "-"});
    ASSERT_EQ(R.Error, "");
    EXPECT_FALSE(R.Options.Json);
    EXPECT_EQ(R.Options.Paths, (std::vector<std::string>{"--json", "-"}));
}

TEST(CliOptions, SignRenderAndCommentShapes) {
    auto R = Parse({"sign", "--site-code", "K", "src.jpg"});
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Options.Command, TCommand::Sign);
    R = Parse({"sign", "--site-code", "K", "a.jpg", "b.avi", "folder"});
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Options.Paths.size(), 3u);
    R = Parse({"sign", "--keep-metadata", "-s", "K", "a.jpg", "--out", "d.jpg"});
    ASSERT_EQ(R.Error, "");
    EXPECT_TRUE(R.Options.KeepMetadata);
    R = Parse({"render", "p.jpg", "--out", "p.ppm"});
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Options.OutPath, "p.ppm");
    R = Parse({"comment", "p.jpg"});
    ASSERT_EQ(R.Error, "");
    EXPECT_EQ(R.Options.Command, TCommand::Comment);
}

TEST(CliOptions, LimitsTakeAmountsWithDecimalUnits) {
    struct TCase {
        std::vector<std::string> Args;
        uint64_t TOptions::*Slot;
        uint64_t Value;
    };
    const TCase Cases[] = {
        {{"--max-memory", "2G"}, &TOptions::MaxMemory, 2'000'000'000},
        {{"--max-memory=1500000"}, &TOptions::MaxMemory, 1'500'000},
        {{"--max-pixels", "1G"}, &TOptions::MaxPixels, 1'000'000'000},
        {{"--max-pixels", "600M"}, &TOptions::MaxPixels, 600'000'000},
        {{"--max-scans", "2000"}, &TOptions::MaxScans, 2000},
        {{"--max-work", "100k"}, &TOptions::MaxWork, 100'000},
    };
    for (const TCase& C : Cases) {
        std::vector<std::string> Args{"verify", "-s", "K", "x.jpg"};
        Args.insert(Args.end(), C.Args.begin(), C.Args.end());
        const auto R = Parse(Args);
        ASSERT_EQ(R.Error, "") << C.Args[0];
        EXPECT_EQ(R.Options.*C.Slot, C.Value) << C.Args[0];
    }
    for (const char* Bad : {"0", "-5", "2X", "", "5000000000"}) {
        const auto R = Parse({"render", "p.jpg", "--max-scans", Bad});
        EXPECT_NE(R.Error.find("--max-scans takes a count"), std::string::npos) << Bad;
    }
    EXPECT_EQ(Parse({"render", "p.jpg", "--max-work", "1k"}).Error, "");
    EXPECT_NE(Parse({"comment", "p.jpg", "--max-pixels", "1G"}).Error, "");
}

TEST(CliOptions, UsageErrors) {
    const std::vector<std::vector<std::string>> Bad = {
        {},
        {"--json"},
        {"frobnicate", "x"},
        {"verify", "x"},                // no site code
        {"verify", "--site-code", "K"}, // no path
        {"verify", "--site-code"},      // value missing
        {"verify", "--site-code", "K", "--site-code", "L", "x"},
        {"verify", "--site-code", "K", "--bogus", "x"},
        {"verify", "--site-code", "K", "--out", "o", "x"},
        {"verify", "--site-code", "", "x"}, // an empty key
        {"verify", "-s", "K", "--json", "--tsv", "x"},
        {"verify", "-s", "K", "-j", "0", "x"},
        {"verify", "-s", "K", "-j", "two", "x"},
        {"verify", "-s", "K", "--force", "x"},
        {"verify", "-s", "K", "--quiet=yes", "x"},
        {"sign", "--site-code", "K"},
        {"sign", "--site-code", "K", "a", "b", "--out", "c"},
        {"sign", "--site-code", "K", "--json", "a"},
        {"sign", "-s", "K", "--status", "a"},
        {"sign", "a"},
        {"render"},
        {"render", "a", "b"},
        {"render", "--site-code", "K", "a"},
        {"render", "a", "--out"},
        {"comment"},
        {"comment", "a", "--json"},
        {"-x", "comment", "a"},
    };
    for (const auto& Args : Bad) {
        std::string Joined;
        for (const auto& A : Args)
            Joined += A + " ";
        EXPECT_NE(Parse(Args).Error, "") << Joined;
    }
}

TEST(CliOptions, HelpAndVersionWinOverEveryOtherProblem) {
    for (const char* H : {"--help", "-h", "--version"}) {
        const auto R = Parse({"verify", "--bogus", H});
        EXPECT_TRUE(R.Options.Help || R.Options.Version);
        EXPECT_EQ(R.Error, "");
    }
}

TEST(CliSiteCode, FirstLineWithoutItsLineEnd) {
    const auto Read = [](const std::string& Text) {
        std::istringstream In(Text);
        return ReadSiteCodeLine(In).value_or("<too long>");
    };
    EXPECT_EQ(Read("SITE-42\nsecond\n"), "SITE-42");
    EXPECT_EQ(Read("SITE-42\r\n"), "SITE-42");
    EXPECT_EQ(Read("no newline"), "no newline");
    EXPECT_EQ(Read(""), "");
    EXPECT_EQ(Read("\n"), "");
    EXPECT_EQ(Read(" a\tb \n"), " a\tb ");
    EXPECT_EQ(Read("a\r\r\n"), "a\r"); // only the one \r before the newline goes
    EXPECT_EQ(Read("\xE4\xFF\n"), "\xE4\xFF");
    const std::string Longest(MaxSiteCodeBytes, 'k');
    EXPECT_EQ(Read(Longest), Longest);
    EXPECT_EQ(Read(Longest + "\n"), Longest);
    EXPECT_EQ(Read(Longest + "\r\nmore"), Longest);
    EXPECT_EQ(Read(Longest + "k"), "<too long>");
    EXPECT_EQ(Read(Longest + "k\n"), "<too long>");
    EXPECT_EQ(Read(Longest + "\r\r\n"), "<too long>");
}

// An endless input without a line end (/dev/zero) is refused after the
// longest key and its line end, not read on.
TEST(CliSiteCode, EndlessInputIsReadOnlyAsFarAsAKeyCanReach) {
    class TEndless : public std::streambuf {
      public:
        size_t Served = 0;

      protected:
        int_type underflow() override {
            setg(FBlock, FBlock, FBlock + sizeof FBlock);
            Served += sizeof FBlock;
            return traits_type::to_int_type(FBlock[0]);
        }

      private:
        char FBlock[1]{};
    } Zeros;
    std::istream In(&Zeros);
    EXPECT_EQ(ReadSiteCodeLine(In), std::nullopt);
    EXPECT_LE(Zeros.Served, MaxSiteCodeBytes + 2);
    const test::TCliRun Run =
        test::RunCliInProcess({"verify", "-s", "-", "x.jpg"}, std::string(1 << 20, '\0'));
    EXPECT_EQ(Run.Status, ExitUsage);
    EXPECT_NE(Run.Err.find("site code longer than 255 bytes"), std::string::npos) << Run.Err;
}

} // namespace
} // namespace quillon::cli

namespace quillon::cli {
namespace {

TEST(CliOptions, StrongOptionsBelongToTheirCommands) {
    struct TCase {
        const char* Name;
        std::vector<std::string> Args;
        const char* Error; // "" when accepted
    };
    const TCase Cases[] = {
        {"TrustRepeats", {"verify", "-s", "K", "--trust", "a.pub", "--trust=b.pub", "x"}, ""},
        {"RequireStrong", {"verify", "-s", "K", "--require-strong", "x"}, ""},
        {"KeyWithPassphraseFile", {"sign", "-s", "K", "--key", "k.key", "--passphrase-file", "p", "x"}, ""},
        {"KeyTwice", {"sign", "-s", "K", "--key", "a", "--key", "b", "x"}, "--key given twice"},
        {"TrustOnSign", {"sign", "-s", "K", "--trust", "a.pub", "x"}, "sign takes no --trust"},
        {"KeyOnVerify", {"verify", "-s", "K", "--key", "a.key", "x"}, "verify takes no --key"},
        {"RequireOnSign", {"sign", "-s", "K", "--require-strong", "x"}, "sign takes no --require-strong"},
        {"PassphraseAlone", {"sign", "-s", "K", "--passphrase-file", "p", "x"},
         "--passphrase-file is for a signing key: give --key too"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        const TParseResult R = ParseCommandLine(C.Args);
        EXPECT_EQ(R.Error, C.Error);
    }
    const TParseResult R =
        ParseCommandLine({"verify", "-s", "K", "--trust", "a.pub", "--trust=b.pub", "x"});
    EXPECT_EQ(R.Options.TrustFiles, (std::vector<std::string>{"a.pub", "b.pub"}));
}

} // namespace
} // namespace quillon::cli
