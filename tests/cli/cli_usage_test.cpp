// The tool's own behaviour, whatever the engine answers: usage, help,
// site-code handling, output forms and the folder walk, run in-process.
#include "cli/cli_output.h"
#include "cli/cli_process.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

// Splits a text line of verify into path, code and verdict.
struct TVerifyLine {
    std::string Path;
    int Code = 0;
    std::string Verdict;
};

TVerifyLine SplitVerifyLine(const std::string& Line) {
    const size_t A = Line.find('\t');
    const size_t B = Line.find('\t', A + 1);
    EXPECT_NE(B, std::string::npos) << Line;
    if (B == std::string::npos)
        return {};
    return {Line.substr(0, A), std::stoi(Line.substr(A + 1, B - A - 1)), Line.substr(B + 1)};
}

TEST(CliUsage, NoArgumentsOrBadOnesGiveStatus2AndUsage) {
    const std::vector<std::vector<std::string>> Bad = {
        {},
        {"verify", "x.jpg"},
        {"verify", "--site-code", "K", "--frob", "x.jpg"},
        {"sign", "--site-code", "K"},
        {"nosuchcommand"},
    };
    for (const auto& Args : Bad) {
        const TCliRun Run = RunCliInProcess(Args);
        EXPECT_EQ(Run.Status, 2) << (Args.empty() ? "" : Args[0]);
        EXPECT_EQ(Run.Out, "");
        EXPECT_NE(Run.Err.find("usage: quillon-cli"), std::string::npos) << Run.Err;
    }
    const TCliRun Run = RunCliInProcess({"verify", "--site-code", "K", "--frob", "x.jpg"});
    EXPECT_NE(Run.Err.find("--frob"), std::string::npos) << Run.Err;
}

TEST(CliUsage, HelpExplainsEveryCommandAndWarnsInOneLine) {
    for (const char* H : {"--help", "-h"}) {
        const TCliRun Run = RunCliInProcess({H});
        EXPECT_EQ(Run.Status, 0);
        EXPECT_EQ(Run.Err, "");
        for (const char* Word : {"verify", "sign", "render", "comment", "--site-code -", "--json",
                                 "--trace", "--out", ".mod.avi", ".mod.jpg", "Invalid group code"})
            EXPECT_NE(Run.Out.find(Word), std::string::npos) << Word;
        bool Warned = false;
        for (const std::string& Line : Lines(Run.Out))
            Warned |= Line.find("linear") != std::string::npos &&
                      Line.find("without knowing the site code") != std::string::npos &&
                      Line.find("no protection against deliberate forgery") != std::string::npos;
        EXPECT_TRUE(Warned) << Run.Out;
    }
}

TEST(CliUsage, OverlongSiteCodeIsRefusedLikeAnEmptyOne) {
    TScratchDir Dir;
    const std::string Path = Dir / "none.jpg";
    const std::string Long(256, 'A');
    TCliRun Run = RunCliInProcess({"verify", "--site-code", Long, Path});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(Run.Out, Path + "\t-1\tInvalid group code\n");

    Run = RunCliInProcess({"verify", "--site-code", "-", Path}, Long + "\r\nignored\n");
    EXPECT_EQ(Run.Out, Path + "\t-1\tInvalid group code\n");
    // 255 characters still fit; the line end is not part of the key.
    Run = RunCliInProcess({"verify", "--site-code", "-", Path}, std::string(255, 'A') + "\r\n");
    ASSERT_EQ(Lines(Run.Out).size(), 1u);
    EXPECT_NE(SplitVerifyLine(Lines(Run.Out)[0]).Code, -1);
}

TEST(CliUsage, SiteCodeWithNulFromStandardInputIsAUsageError) {
    const TCliRun Run =
        RunCliInProcess({"verify", "--site-code", "-", "x.jpg"}, std::string("ab\0cd\n", 6));
    EXPECT_EQ(Run.Status, 2);
    EXPECT_EQ(Run.Out, "");
}

// Windows names take neither quotes, backslashes, control characters nor
// bytes that are no UTF-8; there the walk must still give UTF-8 names.
#ifdef _WIN32
TEST(CliUsage, JsonLinesEscapeOddPaths) {
    TScratchDir Dir;
    WriteBytes(Dir.Path() / fs::path(u8"caf\u00E9 name.JPG"), std::string("not a jpeg"));
    const TCliRun Run =
        RunCliInProcess({"verify", "--json", "--site-code", "K", Dir.Path().string()});
    EXPECT_EQ(Run.Status, 1);
    std::string Folder;
    for (const char C : Dir.Path().string())
        Folder += C == '\\' ? std::string("\\\\") : std::string(1, C);
    EXPECT_EQ(Run.Out, "{\"path\":\"" + Folder +
                           R"(\\caf\u00C3\u00A9 name.JPG","code":-9,"verdict":"unknown error"})"
                           "\n");
}
#else
TEST(CliUsage, JsonLinesEscapeOddPaths) {
    TScratchDir Dir;
    const std::string Name = std::string("we\"ird\\ \t\x01\xFF\xC3\xA9 name.JPG");
    WriteBytes(Dir / Name, std::string("not a jpeg"));
    const TCliRun Run =
        RunCliInProcess({"verify", "--json", "--site-code", "K", Dir.Path().string()});
    EXPECT_EQ(Run.Status, 1);
    // Not a JPEG: the verifier's own failure, -9.
    EXPECT_EQ(Run.Out, "{\"path\":\"" + Dir.Path().string() +
                           R"(/we\"ird\\ \t\u0001\u00FF\u00C3\u00A9 name.JPG","code":-9,)"
                           R"("verdict":"unknown error"})"
                           "\n");
}
#endif

TEST(CliUsage, FoldersAreWalkedInSortedOrderAfterPlainArguments) {
    TScratchDir Dir;
    const fs::path R = Dir.Path();
    fs::create_directories(R / "tree" / "sub");
    for (const char* Name : {"tree/b.AVI", "tree/a.jpeg", "tree/sub/c.Jpg", "tree/skip.png"})
        WriteBytes(R / Name, std::string("xx"));
    const std::string Missing = Dir / "missing.avi";
    const TCliRun Run =
        RunCliInProcess({"verify", "--site-code", "K", Missing, (R / "tree").string()});
    EXPECT_EQ(Run.Status, 1);
    std::vector<std::string> Paths;
    for (const std::string& Line : Lines(Run.Out)) {
        const TVerifyLine V = SplitVerifyLine(Line);
        EXPECT_EQ(Line, cli::FormatVerifyText(V.Path, V.Code));
        Paths.push_back(V.Path);
    }
    EXPECT_EQ(Paths, (std::vector<std::string>{Missing, (R / "tree" / "a.jpeg").string(),
                                               (R / "tree" / "b.AVI").string(),
                                               (R / "tree" / "sub" / "c.Jpg").string()}));
}

TEST(CliUsage, FolderWithoutMediaFilesFails) {
    TScratchDir Dir;
    WriteBytes(Dir / "a.txt", std::string("x"));
    const TCliRun Run = RunCliInProcess({"verify", "--site-code", "K", Dir.Path().string()});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(Run.Out, "");
    EXPECT_NE(Run.Err.find(Dir.Path().string()), std::string::npos);
}

TEST(CliUsage, SignRefusesKeysThatCouldNeverVerify) {
    TScratchDir Dir;
    const std::string Src = Dir / "clip.avi";
    WriteBytes(Src, std::string(64, 'x'));
    for (const std::string& Key : {std::string(), std::string(256, 'k')}) {
        const TCliRun Run = RunCliInProcess({"sign", "--site-code", Key, Src});
        EXPECT_EQ(Run.Status, 1);
        EXPECT_EQ(Lines(Run.Err).size(), 1u) << Run.Err;
        EXPECT_NE(Run.Err.find(Src + ".mod.avi"), std::string::npos) << Run.Err;
        EXPECT_FALSE(fs::exists(Src + ".mod.avi"));
    }
}

TEST(CliUsage, SignFailuresNameTheDestination) {
    TScratchDir Dir;
    const std::string Missing = Dir / "photo.jpg";
    TCliRun Run = RunCliInProcess({"sign", "--site-code", "K", Missing});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(Run.Out, "");
    EXPECT_EQ(Lines(Run.Err).size(), 1u);
    EXPECT_NE(Run.Err.find(Missing + ".mod.jpg"), std::string::npos) << Run.Err;

    const std::string Src = Dir / "clip.AVI";
    WriteBytes(Src, std::string(64, 'x'));
    Run = RunCliInProcess({"sign", "--site-code", "K", Src, Src});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_NE(Run.Err.find("source itself"), std::string::npos) << Run.Err;
    EXPECT_EQ(ReadBytes(Src), std::vector<uint8_t>(64, 'x'));
}

TEST(CliUsage, RenderAndCommentOfMissingFilesFail) {
    TScratchDir Dir;
    for (const char* Cmd : {"render", "comment"}) {
        const TCliRun Run = RunCliInProcess({Cmd, Dir / "none.jpg"});
        EXPECT_EQ(Run.Status, 1) << Cmd;
        EXPECT_EQ(Run.Out, "");
        EXPECT_NE(Run.Err.find("none.jpg"), std::string::npos);
    }
}

} // namespace
} // namespace quillon::test
