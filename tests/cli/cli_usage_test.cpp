// The tool's own behaviour around the engine: usage, help, site-code rules,
// output forms, quiet and status modes, parallel order, progress, summaries,
// safe signing and the folder walk, run in-process.
#include "cli/cli_escape.h"
#include "cli/cli_output.h"
#include "cli/cli_process.h"
#include "support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

// Splits a tab-separated verify line into its legacy columns and the
// strong verdict.
struct TVerifyLine {
    std::string Path;
    int Code = 0;
    std::string Verdict;
    std::string Reason;
    std::string Strong;
};

// Reads a field back as a program would: every backslash starts one of
// \t, \n, \r, \\ or \xHH.
std::string UnescapeField(const std::string& Field) {
    std::string Out;
    for (size_t I = 0; I < Field.size(); ++I) {
        if (Field[I] != '\\') {
            Out += Field[I];
            continue;
        }
        const char Kind = I + 1 < Field.size() ? Field[++I] : '?';
        if (Kind == 't' || Kind == 'n' || Kind == 'r' || Kind == '\\') {
            Out += Kind == 't' ? '\t' : Kind == 'n' ? '\n' : Kind == 'r' ? '\r' : '\\';
        } else if (Kind == 'x' && I + 2 < Field.size()) {
            Out += static_cast<char>(std::stoi(Field.substr(I + 1, 2), nullptr, 16));
            I += 2;
        } else {
            ADD_FAILURE() << "stray backslash in " << Field;
        }
    }
    return Out;
}

TVerifyLine SplitVerifyLine(const std::string& Line) {
    std::vector<std::string> F;
    size_t Start = 0;
    for (size_t Tab; (Tab = Line.find('\t', Start)) != std::string::npos; Start = Tab + 1)
        F.push_back(Line.substr(Start, Tab - Start));
    F.push_back(Line.substr(Start));
    // The legacy four, then the strong tag's five.
    EXPECT_EQ(F.size(), 9u) << Line;
    if (F.size() != 9)
        return {};
    return {UnescapeField(F[0]), std::stoi(F[1]), F[2], UnescapeField(F[3]), F[4]};
}

std::string SignedJpeg() {
    return (TestDataDir() / "jpeg-signed" / "jpeg" / "signed_q090_420_plasma128x96.jpg").string();
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

TEST(CliUsage, HelpExplainsEveryOptionAndWarnsInOneLine) {
    const TCliRun Run = RunCliInProcess({"--help"});
    EXPECT_EQ(Run.Status, 0);
    EXPECT_EQ(Run.Err, "");
    for (const char* Word : {"verify",
                             "sign",
                             "render",
                             "comment",
                             "-s -",
                             "--json",
                             "--tsv",
                             "--trace",
                             "--out",
                             "--quiet",
                             "--status",
                             "--jobs",
                             "--force",
                             "--keep-metadata",
                             "--no-progress",
                             "--in-place",
                             "--max-memory",
                             "--max-pixels",
                             "--max-scans",
                             "--max-work",
                             "--version",
                             ".mod.avi",
                             ".mod.jpg",
                             "Invalid group code",
                             "path_bytes",
#ifdef _WIN32
                             "an unset or empty TEMP gives -4"
#else
                             "TMPDIR"
#endif
         })
        EXPECT_NE(Run.Out.find(Word), std::string::npos) << Word;
    bool Warned = false;
    for (const std::string& Line : Lines(Run.Out))
        Warned |= Line.find("linear") != std::string::npos &&
                  Line.find("without knowing the site code") != std::string::npos &&
                  Line.find("no protection against deliberate forgery") != std::string::npos;
    EXPECT_TRUE(Warned) << Run.Out;
    const TCliRun Version = RunCliInProcess({"--version"});
    EXPECT_EQ(Version.Status, 0);
    EXPECT_EQ(Version.Out.rfind("quillon-cli ", 0), 0u) << Version.Out;
}

TEST(CliUsage, SiteCodeRulesAreUsageErrorsInOneLine) {
    const std::string Path = SignedJpeg();
    std::string Umlauts; // 128 times "ü": 256 bytes
    for (int I = 0; I < 128; ++I)
        Umlauts += "\xC3\xBC";
    struct TCase {
        std::vector<std::string> Args;
        std::string Input;
        std::string Complaint;
    };
    const TCase Cases[] = {
        {{"verify", "-s", "", Path}, "", "the site code is empty"},
        {{"verify", "-s", "-", Path}, "", "empty (the first line of standard input)"},
        {{"verify", "-s", "-", Path}, "\r\nSITE-42\n", "empty"},
        {{"verify", "-s", std::string(256, 'A'), Path}, "", "256 bytes long; at most 255 bytes"},
#ifndef _WIN32 // in a Windows code page each "ü" is one byte
        {{"sign", "-s", Umlauts, Path}, "", "256 bytes long; at most 255 bytes"},
#endif
        {{"verify", "-s", "-", Path}, std::string("ab\0cd\n", 6), "NUL"},
    };
    for (const TCase& C : Cases) {
        const TCliRun Run = RunCliInProcess(C.Args, C.Input);
        EXPECT_EQ(Run.Status, 2) << C.Complaint;
        EXPECT_EQ(Run.Out, "");
        ASSERT_FALSE(Lines(Run.Err).empty()) << C.Complaint;
        EXPECT_EQ(Lines(Run.Err).front().find("quillon-cli: "), 0u) << Run.Err;
        EXPECT_NE(Lines(Run.Err).front().find(C.Complaint), std::string::npos) << Run.Err;
    }
    // 255 bytes still fit; the line end is not part of the key.
    const TCliRun Run =
        RunCliInProcess({"verify", "-s", "-", Path}, std::string(255, 'A') + "\r\n");
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(SplitVerifyLine(Lines(Run.Out).at(0)).Code, 0);
}

TEST(CliUsage, EveryResultThatIsNoVerdictSaysWhy) {
    TScratchDir Dir;
    const std::string Text = Dir / "notes.jpg";
    WriteBytes(Text, std::string("not a jpeg"));
    const std::string Empty = Dir / "empty.jpg";
    WriteBytes(Empty, std::string());
    const std::string Clip = Dir / "clip.avi";
    fs::copy_file(TestDataDir() / "avi" / "signed_mjpeg_pcm.avi", Clip);
    const TScopedEnv Temp("TEMP", (Dir / "no-such-folder").c_str());
    const TCliRun Run = RunCliInProcess(
        {"verify", "-s", "SITE-42", Dir / "gone.jpg", Text, Empty, Clip, SignedJpeg()});
    const std::vector<std::string> Out = Lines(Run.Out);
    ASSERT_EQ(Out.size(), 5u) << Run.Out;
    const std::pair<int, std::string> Expected[] = {
        {-2, "not found"},
        {-9, "not a JPEG file (JPEG error #53: Not a JPEG file: starts with 0x6e 0x6f)"},
        {-9, "not a JPEG file (JPEG error #42: Empty input file)"},
        {-4, "TEMP folder " + Dir / "no-such-folder" + " is missing"},
        {1, ""},
    };
    for (size_t I = 0; I < Out.size(); ++I) {
        const TVerifyLine L = SplitVerifyLine(Out[I]);
        EXPECT_EQ(L.Code, Expected[I].first) << Out[I];
        EXPECT_EQ(L.Reason, Expected[I].second) << Out[I];
    }
}

TEST(CliUsage, QuietPrintsOnlyFailuresAndStatusPrintsNothing) {
    TScratchDir Dir;
    const std::string Broken = Dir / "broken.jpg";
    WriteBytes(Broken, std::string("x"));
    const std::vector<std::string> Paths = {SignedJpeg(), Broken};
    struct TCase {
        std::vector<std::string> Mode;
        size_t Lines;
    };
    for (const TCase& C : {TCase{{}, 2}, TCase{{"-q"}, 1}, TCase{{"--status"}, 0}}) {
        std::vector<std::string> Args{"verify", "-s", "SITE-42"};
        Args.insert(Args.end(), C.Mode.begin(), C.Mode.end());
        Args.insert(Args.end(), Paths.begin(), Paths.end());
        const TCliRun Run = RunCliInProcess(Args);
        EXPECT_EQ(Run.Status, 1);
        ASSERT_EQ(Lines(Run.Out).size(), C.Lines) << Run.Out;
        if (C.Lines == 1) {
            EXPECT_EQ(SplitVerifyLine(Lines(Run.Out)[0]).Path, Broken);
        }
        // Only a full listing closes with the summary.
        const bool Summarised = Run.Err.find("quillon-cli: 2 files") != std::string::npos;
        EXPECT_EQ(Summarised, C.Lines == 2) << Run.Err;
    }
}

TEST(CliUsage, SummaryCountsEveryOutcome) {
    TScratchDir Dir;
    const std::string Broken = Dir / "broken.jpg";
    WriteBytes(Broken, std::string("x"));
    const TCliRun Run = RunCliInProcess(
        {"verify", "-s", "SITE-42", SignedJpeg(), SignedJpeg(), Broken, Dir / "gone.avi"});
    ASSERT_EQ(Lines(Run.Err).size(), 1u) << Run.Err;
    const std::string Summary = Lines(Run.Err)[0];
    EXPECT_EQ(Summary.rfind("quillon-cli: 4 files, ", 0), 0u) << Summary;
    EXPECT_NE(Summary.find(": 2 original, 1 invalid file, 1 unknown error"), std::string::npos)
        << Summary;
}

// Any number of jobs on a thread budget of any size (the console's cores):
// one thread for everything gives what several give.
TEST(CliUsage, OutputIsTheSameForAnyNumberOfJobsAndThreads) {
    const std::string Avi = (TestDataDir() / "avi").string();
    const std::string Signed = (TestDataDir() / "jpeg-signed").string();
    const TCliRun One = RunCliInProcess({"verify", "-s", "SITE-42", "-j", "1", Avi, Signed});
    EXPECT_GT(Lines(One.Out).size(), 50u);
    for (const int Cores : {1, 3})
        for (const char* Jobs : {"1", "2", "7"}) {
            cli::TConsole Console;
            Console.Cores = Cores;
            const TCliRun Many =
                RunCliInProcess({"verify", "-s", "SITE-42", "-j", Jobs, Avi, Signed}, "", Console);
            EXPECT_EQ(Many.Out, One.Out) << "-j " << Jobs << ", " << Cores << " threads";
            EXPECT_EQ(Many.Status, One.Status);
        }
}

TEST(CliUsage, TerminalsGetWordsAndAProgressLine) {
    TScratchDir Dir;
    const std::string Broken = Dir / "broken.jpg";
    WriteBytes(Broken, std::string("x"));
    cli::TConsole Terminal;
    Terminal.OutIsTerminal = Terminal.ErrIsTerminal = true;
    TCliRun Run = RunCliInProcess({"verify", "-s", "SITE-42", SignedJpeg(), Broken}, "", Terminal);
    EXPECT_EQ(Lines(Run.Out), (std::vector<std::string>{
                                  SignedJpeg() + ": Original image file !!",
                                  Broken + ": unknown error: not a JPEG file (JPEG error #53: "
                                           "Not a JPEG file: starts with 0x78 0xff)"}));
    // Drawn at once with a carriage return, wiped before the summary.
    EXPECT_EQ(Run.Err.rfind("\r0/2 files  0 B of 9.1 KiB\x1b[K", 0), 0u) << Run.Err;
    EXPECT_NE(Run.Err.find("\r\x1b[Kquillon-cli: 2 files"), std::string::npos) << Run.Err;

    Run = RunCliInProcess({"verify", "-s", "SITE-42", "--tsv", SignedJpeg(), Broken}, "", Terminal);
    EXPECT_EQ(SplitVerifyLine(Lines(Run.Out)[0]).Code, 1);
    for (const char* Quiet : {"--json", "--no-progress", "--status", "-q"}) {
        Run =
            RunCliInProcess({"verify", "-s", "SITE-42", Quiet, SignedJpeg(), Broken}, "", Terminal);
        EXPECT_EQ(Run.Err.find('\r'), std::string::npos) << Quiet;
    }
}

#ifdef _WIN32
// Windows names are always text; the walk must still give them as UTF-8.
TEST(CliUsage, JsonLinesWriteTextAsItself) {
    TScratchDir Dir;
    WriteBytes(Dir.Path() / fs::path(u8"caf\u00E9 name.JPG"), std::string("not a jpeg"));
    const TCliRun Run =
        RunCliInProcess({"verify", "--json", "--site-code", "K", Dir.Path().string()});
    EXPECT_EQ(Run.Status, 1);
    std::string Folder;
    for (const char C : Dir.Path().string())
        Folder += C == '\\' ? std::string("\\\\") : std::string(1, C);
    EXPECT_EQ(Run.Out.rfind("{\"path\":\"" + Folder + "\\\\caf\xC3\xA9 name.JPG\",\"code\":-9,", 0),
              0u)
        << Run.Out;
}
#else
// Reads the JSON lines with Python's own parser and prints, for each, the
// path's exact bytes in hex (from "path_bytes" where the path is no text).
std::vector<std::string> PathsReadByPython(const std::string& Output, const TScratchDir& Dir) {
    const std::string Lines = Dir / "out.jsonl", Script = Dir / "read.py", Result = Dir / "r.txt";
    WriteBytes(Lines, Output);
    WriteBytes(Script, std::string(R"(import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    o = json.loads(line)
    b = bytes.fromhex(o["path_bytes"]) if "path_bytes" in o else o["path"].encode("utf-8")
    assert isinstance(o["code"], int) and isinstance(o["reason"], str)
    print(b.hex())
)"));
    const std::string Command = "python3 " + Script + " " + Lines + " > " + Result;
    EXPECT_EQ(std::system(Command.c_str()), 0) << Output;
    std::vector<std::string> Hex;
    std::ifstream In(Result);
    for (std::string L; std::getline(In, L);)
        Hex.push_back(L);
    return Hex;
}

// A name built to pass for another file's verdict when the lines are split
// at tabs and line ends: it stays one line, whose path reads back whole.
TEST(CliUsage, ANameCannotForgeAVerdictLine) {
    TScratchDir Dir;
    const std::string Forged = Dir / "fake\t1\tOriginal image file !!\t\nx.jpg";
    fs::copy_file(TestDataDir() / "jpeg" / "jpeg" / "q100like_reencode_rose.jpg", Forged);
    for (const bool Terminal : {false, true}) {
        cli::TConsole Console;
        Console.OutIsTerminal = Terminal;
        const TCliRun Run =
            RunCliInProcess({"verify", "-s", "SITE-42", Dir.Path().string()}, "", Console);
        ASSERT_EQ(Lines(Run.Out).size(), 1u) << Run.Out;
        if (Terminal) {
            EXPECT_EQ(Run.Out.find('\t'), std::string::npos) << Run.Out;
            continue;
        }
        const TVerifyLine L = SplitVerifyLine(Lines(Run.Out)[0]);
        EXPECT_EQ(L.Path, Forged);
        EXPECT_EQ(L.Code, -3);
    }
    TScratchDir Work;
    const TCliRun Json = RunCliInProcess({"verify", "--json", "-s", "SITE-42", Forged});
    ASSERT_EQ(Lines(Json.Out).size(), 1u) << Json.Out;
    std::string Hex = cli::HexBytes(Forged);
    for (char& C : Hex)
        C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    EXPECT_EQ(PathsReadByPython(Json.Out, Work), std::vector<std::string>{Hex});

    const TCliRun Sign = RunCliInProcess({"sign", "-s", "SITE-42", Forged});
    ASSERT_EQ(Sign.Status, 0) << Sign.Err;
    ASSERT_EQ(Lines(Sign.Out).size(), 1u) << Sign.Out;
    EXPECT_EQ(UnescapeField(Lines(Sign.Out)[0]), Forged + ".mod.jpg");
}

TEST(CliUsage, JsonLinesReadBackWithAStandardParser) {
    TScratchDir Dir;
    const std::vector<std::string> Names = {"caf\xC3\xA9 \xE2\x82\xAC.jpg", "we\"ird\\\t\x01.jpg",
                                            "latin1 \xE9.jpg"};
    for (const std::string& Name : Names)
        WriteBytes(Dir / Name, std::string("not a jpeg"));
    const TCliRun Run = RunCliInProcess({"verify", "--json", "-s", "K", Dir.Path().string()});
    TScratchDir Work;
    std::vector<std::string> Expected;
    for (const std::string& P : {Dir / Names[2], Dir / Names[0], Dir / Names[1]})
        Expected.push_back(cli::HexBytes(P));
    for (std::string& E : Expected)
        for (char& C : E)
            C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    std::sort(Expected.begin(), Expected.end());
    std::vector<std::string> Got = PathsReadByPython(Run.Out, Work);
    std::sort(Got.begin(), Got.end());
    EXPECT_EQ(Got, Expected);
    // Text stays text: the valid name is written as itself.
    EXPECT_NE(Run.Out.find("caf\xC3\xA9 \xE2\x82\xAC.jpg"), std::string::npos);
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
    for (const std::string& Line : Lines(Run.Out))
        Paths.push_back(SplitVerifyLine(Line).Path);
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

TEST(CliUsage, SignLeavesExistingCopiesAloneUnlessForced) {
    TScratchDir Dir;
    const std::string Src = Dir / "clip.avi";
    fs::copy_file(TestDataDir() / "avi" / "ff_rawvideo_bgr24_tiny.avi", Src);
    const std::string Dst = Src + ".mod.avi";
    WriteBytes(Dst, std::string("older copy"));
    TCliRun Run = RunCliInProcess({"sign", "-s", "K", Src});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_NE(Run.Err.find(Dst + " exists already (-f replaces it)"), std::string::npos) << Run.Err;
    EXPECT_EQ(ReadBytes(Dst),
              std::vector<uint8_t>({'o', 'l', 'd', 'e', 'r', ' ', 'c', 'o', 'p', 'y'}));
    Run = RunCliInProcess({"sign", "-s", "K", "-f", Src});
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_EQ(Run.Out, cli::EscapeField(Dst) + "\n"); // piped: escaped, backslashes doubled
    EXPECT_EQ(fs::file_size(Dst), fs::file_size(Src) + 20);
}

#ifndef _WIN32
// What sign --out and render --out do with what stands at the destination,
// with and without -f: a link is replaced itself (never its target), and
// only with -f; what is no regular file never.
TEST(CliUsage, DestinationsAreReplacedOnlyAsTheRulesSay) {
    enum TKind { Regular, LinkToAFile, DanglingLink, Fifo, Folder };
    const struct {
        const char* Command;
        TKind Kind;
        bool Force;
        const char* Complaint; // nullptr: written
    } Cases[] = {
        {"sign", DanglingLink, false, "dst exists already (-f replaces it)"},
        {"sign", DanglingLink, true, nullptr},
        {"sign", LinkToAFile, true, nullptr},
        {"sign", Fifo, true, "dst is a FIFO, not a regular file\n"},
        {"sign", Folder, true, "dst is a folder\n"},
        {"render", Regular, false, nullptr},
        {"render", LinkToAFile, false, "it is a symbolic link"},
        {"render", LinkToAFile, true, nullptr},
        {"render", Fifo, true, "it is a FIFO"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(std::string(C.Command) + " kind " + std::to_string(C.Kind) +
                     (C.Force ? " -f" : ""));
        TScratchDir Dir;
        const fs::path D = Dir.Path();
        WriteBytes(D / "precious.txt", std::string("precious"));
        fs::create_directory(D / "elsewhere");
        const std::string Dst = Dir / "dst";
        switch (C.Kind) {
        case Regular:
            WriteBytes(Dst, std::string("old"));
            break;
        case LinkToAFile:
            fs::create_symlink(D / "precious.txt", Dst);
            break;
        case DanglingLink:
            fs::create_symlink(D / "elsewhere" / "created", Dst);
            break;
        case Fifo:
            ASSERT_EQ(::mkfifo(Dst.c_str(), 0600), 0);
            break;
        case Folder:
            fs::create_directory(Dst);
            break;
        }
        std::vector<std::string> Args{C.Command};
        if (std::string(C.Command) == "sign")
            Args.insert(Args.end(), {"-s", "K"});
        if (C.Force)
            Args.push_back("-f");
        Args.insert(Args.end(), {SignedJpeg(), "--out", Dst});
        const TCliRun Run = RunCliInProcess(Args);
        if (C.Complaint == nullptr) {
            EXPECT_EQ(Run.Status, 0) << Run.Err;
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Dst)));
        } else {
            EXPECT_EQ(Run.Status, 1);
            EXPECT_NE(Run.Err.find(C.Complaint), std::string::npos) << Run.Err;
        }
        EXPECT_EQ(ReadBytes(D / "precious.txt").size(), 8u);
        EXPECT_TRUE(fs::is_empty(D / "elsewhere"));
    }
}
#endif

TEST(CliUsage, SignWalksFoldersAndSkipsSignedCopies) {
    TScratchDir Dir;
    const fs::path Data = TestDataDir();
    fs::create_directories(Dir.Path() / "sub");
    fs::copy_file(Data / "avi" / "ff_rawvideo_bgr24_tiny.avi", Dir / "a.avi");
    fs::copy_file(SignedJpeg(), Dir / "sub/b.jpg");
    fs::copy_file(SignedJpeg(), Dir / "sub/old.jpg.mod.jpg");
    const TCliRun Run = RunCliInProcess({"sign", "-s", "K", "-j", "2", Dir.Path().string()});
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_EQ(Run.Out, cli::EscapeField(Dir / "a.avi.mod.avi") + "\n" +
                           cli::EscapeField((Dir.Path() / "sub" / "b.jpg.mod.jpg").string()) +
                           "\n");
    EXPECT_FALSE(fs::exists(Dir / "sub/old.jpg.mod.jpg.mod.jpg"));
    const TCliRun Check =
        RunCliInProcess({"verify", "-s", "K", Dir / "a.avi.mod.avi", Dir / "sub/b.jpg.mod.jpg"});
    EXPECT_EQ(Check.Status, 0) << Check.Out;
}

TEST(CliUsage, SignFailuresNameTheDestination) {
    TScratchDir Dir;
    const std::string Missing = Dir / "photo.jpg";
    TCliRun Run = RunCliInProcess({"sign", "--site-code", "K", Missing});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(Run.Out, "");
    EXPECT_EQ(Lines(Run.Err).size(), 1u);
    EXPECT_NE(Run.Err.find(Missing + ".mod.jpg: not found"), std::string::npos) << Run.Err;

    const std::string Src = Dir / "clip.AVI";
    WriteBytes(Src, std::string(64, 'x'));
    Run = RunCliInProcess({"sign", "--site-code", "K", Src, "--out", Src, "-f"});
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
        EXPECT_NE(Run.Err.find("none.jpg: not found"), std::string::npos) << Run.Err;
    }
}

} // namespace
} // namespace quillon::test
