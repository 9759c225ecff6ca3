#include "platform/debug_output.h"
#include "platform/environment.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/process_memory.h"
#include "platform/system_text.h"
#include "platform/temporary_files.h"
#include "support/test_support.h"

#include <cstring>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#undef DeleteFile // the test means ours
#endif

namespace quillon {
namespace {

using test::TScopedEnv;
using test::TScratchDir;

TEST(FileStream, ReadReturnsWhatArrivesAndShortAtEnd) {
    TScratchDir Dir;
    test::WriteBytes(Dir / "a", std::string("0123456789"));
    TFileStream S(Dir / "a", TFileMode::OpenRead);
    EXPECT_EQ(S.Size(), 10);
    char Buf[8];
    EXPECT_EQ(S.Read(Buf, 8), 8u);
    EXPECT_EQ(S.Position(), 8);
    EXPECT_EQ(S.Read(Buf, 8), 2u);
    EXPECT_EQ(std::string(Buf, 2), "89");
    EXPECT_EQ(S.Read(Buf, 8), 0u);
    S.Seek(3);
    S.ReadBuffer(Buf, 2);
    EXPECT_EQ(std::string(Buf, 2), "34");
    S.Seek(9);
    EXPECT_THROW(S.ReadBuffer(Buf, 2), EFileError);
}

TEST(FileStream, OpenFailuresRaiseWithTheirText) {
    TScratchDir Dir;
    try {
        TFileStream S(Dir / "missing", TFileMode::OpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFileError& E) {
        EXPECT_EQ(
            std::string(E.what()).rfind("Cannot open file \"" + (Dir / "missing") + "\". ", 0), 0u)
            << E.what();
    }
    EXPECT_THROW(TFileStream(Dir.Path().string(), TFileMode::OpenRead), EFileError);
    EXPECT_THROW(TFileStream(Dir / "no/such/folder", TFileMode::CreateNew), EFileError);
}

TEST(FileStream, CreateNewRefusesWhateverStandsThereAndWritesNothingThrough) {
    TScratchDir Dir;
    test::WriteBytes(Dir / "f", std::string("old content"));
    std::filesystem::create_directory(Dir.Path() / "d");
    std::vector<std::string> Taken{Dir / "f", Dir / "d"};
    std::error_code Ec;
    std::filesystem::create_symlink(Dir.Path() / "elsewhere", Dir.Path() / "dangling", Ec);
    if (!Ec)
        Taken.push_back(Dir / "dangling");
    for (const std::string& Path : Taken) {
        try {
            TFileStream S(Path, TFileMode::CreateNew);
            ADD_FAILURE() << "created over " << Path;
        } catch (const EFileError& E) {
            EXPECT_EQ(E.Kind(), TFileErrorKind::Exists) << Path << ": " << E.what();
        }
    }
    EXPECT_EQ(test::ReadBytes(Dir / "f").size(), 11u);
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "elsewhere"));
    TFileStream Fresh(Dir / "g", TFileMode::CreateNew);
    EXPECT_TRUE(FileExists(Dir / "g"));
}

TEST(FileStream, CopyFromCopiesExactCountAndRaisesWhenSourceFallsShort) {
    TScratchDir Dir;
    std::vector<uint8_t> Data(3 << 20);
    for (size_t I = 0; I < Data.size(); ++I)
        Data[I] = static_cast<uint8_t>(I * 7 + (I >> 12));
    test::WriteBytes(Dir / "src", Data);
    {
        TFileStream Src(Dir / "src", TFileMode::OpenRead);
        TFileStream Dst(Dir / "dst", TFileMode::CreateNew);
        Src.Seek(5);
        Dst.CopyFrom(Src, static_cast<int64_t>(Data.size()) - 25);
        EXPECT_EQ(Src.Position(), static_cast<int64_t>(Data.size()) - 20);
    }
    EXPECT_EQ(test::ReadBytes(Dir / "dst"),
              std::vector<uint8_t>(Data.begin() + 5, Data.end() - 20));
    TFileStream Src(Dir / "src", TFileMode::OpenRead);
    TFileStream Dst(Dir / "dst2", TFileMode::CreateNew);
    EXPECT_THROW(Dst.CopyFrom(Src, static_cast<int64_t>(Data.size()) + 1), EFileError);
}

TEST(Files, ExistenceCountsFilesOnly) {
    TScratchDir Dir;
    test::WriteBytes(Dir / "f", std::string("x"));
    EXPECT_TRUE(FileExists(Dir / "f"));
    EXPECT_FALSE(FileExists(Dir.Path().string()));
    EXPECT_FALSE(FileExists(Dir / "none"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(DirectoryExists(Dir.Path().string()));
}

// An interrupt that comes while a temporary file is being created waits
// for it to be listed, and removes it.
TEST(Files, AnInterruptNeverFindsATemporaryFileUnlisted) {
    TScratchDir Dir;
    const std::string Path = Dir / "made";
    std::promise<void> Creating, MayFinish;
    std::thread Creator([&] {
        CreateTemporaryFile(Path, [&] {
            Creating.set_value();
            MayFinish.get_future().wait();
            test::WriteBytes(Path, std::string("x"));
        });
    });
    Creating.get_future().wait();
    auto Interrupt = std::async(std::launch::async, [] { RemoveTemporaryFiles(); });
    EXPECT_EQ(Interrupt.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    MayFinish.set_value();
    Creator.join();
    Interrupt.get();
    EXPECT_FALSE(PathExists(Path));
}

TEST(Files, LateDeletionsAreDoneOnceFinished) {
    TScratchDir Dir;
    std::vector<std::string> Paths;
    for (const char* Name : {"a", "b", "c"}) {
        Paths.push_back(Dir / Name);
        test::WriteBytes(Paths.back(), std::string(1 << 16, 'x'));
        RegisterTemporaryFile(Paths.back());
        DeleteTemporaryFileLater(Paths.back());
    }
    FinishLateDeletions();
    for (const std::string& P : Paths)
        EXPECT_FALSE(PathExists(P)) << P;
    FinishLateDeletions(); // nothing waiting: returns at once
}

TEST(Files, DeleteAndRenameReplacing) {
    TScratchDir Dir;
    test::WriteBytes(Dir / "a", std::string("A"));
    test::WriteBytes(Dir / "b", std::string("B"));
    EXPECT_TRUE(RenameFile(Dir / "a", Dir / "b"));
    EXPECT_FALSE(FileExists(Dir / "a"));
    EXPECT_EQ(test::ReadBytes(Dir / "b"), std::vector<uint8_t>{'A'});
    EXPECT_TRUE(DeleteFile(Dir / "b"));
    EXPECT_FALSE(DeleteFile(Dir / "b"));
    EXPECT_FALSE(RenameFile(Dir / "b", Dir / "c"));
}

TEST(Paths, ExtensionNameAndFolder) {
    EXPECT_EQ(ExtractFileExt("/m/CLIP.AVI"), ".AVI");
    EXPECT_EQ(ExtractFileExt("/m/clips.avi/photo"), "");
    EXPECT_EQ(ExtractFileExt("photo"), "");
    EXPECT_EQ(ExtractFileExt("a.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("dir/.hidden"), ".hidden");
    EXPECT_EQ(ExtractFileName("/m/a.avi"), "a.avi");
    EXPECT_EQ(ExtractFileName("a.avi"), "a.avi");
    EXPECT_EQ(ExtractFilePath("/m/a.avi"), "/m/");
    EXPECT_EQ(ExtractFilePath("a.avi"), "");
    EXPECT_TRUE(SameTextAscii(".AvI", ".avi"));
    EXPECT_FALSE(SameTextAscii(".av", ".avi"));
    EXPECT_FALSE(SameTextAscii("\xC4", "\xE4")); // only A to Z fold
}

#ifdef _WIN32
// Windows always sets TEMP: unset or empty, it is missing, with no fallback.
TEST(Environment, TempLookup) {
    {
        TScopedEnv T("TEMP", "C:\\Scratch");
        EXPECT_EQ(TempDirectory(), std::optional<std::string>("C:\\Scratch\\"));
    }
    {
        TScopedEnv T("TEMP", "C:/Scratch/");
        EXPECT_EQ(TempDirectory(), std::optional<std::string>("C:/Scratch/"));
    }
    {
        TScopedEnv T("TEMP", nullptr);
        TScopedEnv D("TMPDIR", "C:\\Scratch");
        EXPECT_EQ(TempDirectory(), std::nullopt);
    }
}

TEST(SystemText, CodePageBytes) {
    EXPECT_EQ(SystemCodePageText("SITE-42 \t~"), std::optional<std::string>("SITE-42 \t~"));
    EXPECT_EQ(SystemCodePageText(""), std::optional<std::string>(""));
    EXPECT_EQ(SystemCodePageText("\xC3"), std::nullopt) << "broken UTF-8";
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the rest assumes the Western European code page";
    EXPECT_EQ(SystemCodePageText("caf\xC3\xA9 \xE2\x82\xAC"),
              std::optional<std::string>("caf\xE9 \x80"));
    // No look-alike: a character without a place in the code page is refused.
    EXPECT_EQ(SystemCodePageText("\xE4\xB8\x80"), std::nullopt);
    EXPECT_EQ(SystemCodePageText("\xC4\x81"), std::nullopt); // a with macron, not a
}
#else
TEST(Environment, TempLookup) {
    {
        TScopedEnv T("TEMP", "/var/tmp");
        EXPECT_EQ(TempDirectory(), std::optional<std::string>("/var/tmp/"));
    }
    {
        TScopedEnv T("TEMP", "/var/tmp/");
        EXPECT_EQ(TempDirectory(), std::optional<std::string>("/var/tmp/"));
    }
    {
        TScopedEnv T("TEMP", "");
        EXPECT_EQ(TempDirectory(), std::nullopt);
    }
    {
        TScopedEnv T("TEMP", nullptr);
        TScopedEnv D("TMPDIR", "/scratch");
        EXPECT_EQ(TempDirectory(), std::optional<std::string>("/scratch/"));
    }
    {
        TScopedEnv T("TEMP", nullptr);
        TScopedEnv D("TMPDIR", nullptr);
        EXPECT_EQ(TempDirectory(), std::optional<std::string>("/tmp/"));
    }
}

TEST(SystemText, BytesPassUnchanged) {
    for (const std::string Text : {"SITE-42", "caf\xC3\xA9", "\xC7\xD1", "\xC3"})
        EXPECT_EQ(SystemCodePageText(Text), std::optional<std::string>(Text));
}
#endif

#ifndef _WIN32
TEST(DebugOutput, WithoutASinkLinesReachStderrOnlyOnRequest) {
    for (const char* Trace : {static_cast<const char*>(nullptr), "", "0", "1"}) {
        const test::TScopedEnv Env("QUILLON_TRACE", Trace);
        testing::internal::CaptureStderr();
        DebugOutput("C:5453494C (4)");
        const std::string Printed = testing::internal::GetCapturedStderr();
        const bool Wanted = Trace != nullptr && std::string(Trace) == "1";
        EXPECT_EQ(Printed, Wanted ? "C:5453494C (4)\n" : "") << (Trace ? Trace : "unset");
        EXPECT_EQ(DebugOutputWanted(), Wanted) << (Trace ? Trace : "unset");
        // A sink decides, whatever the environment says.
        {
            const TScopedDebugSink Sink([](std::string_view) {});
            EXPECT_TRUE(DebugOutputWanted());
        }
        const TScopedDebugSink Drop(DiscardingDebugSink());
        EXPECT_FALSE(DebugOutputWanted());
    }
}
#endif

TEST(ProcessMemory, HugePageAdviceOnlyForWholeHugePagesAndKeepsTheBytes) {
    constexpr size_t MiB = size_t{1} << 20;
    const std::unique_ptr<uint8_t[]> Big(new uint8_t[9 * MiB]);
    std::memset(Big.get(), 0x5A, MiB); // advice may come after the first writes
    EXPECT_FALSE(AdviseHugePages(nullptr, 9 * MiB));
    EXPECT_FALSE(AdviseHugePages(Big.get(), MiB)); // no whole huge page inside
#ifdef _WIN32
    const bool Offered = false; // needs a privilege
#else
    const bool Offered = std::filesystem::exists("/sys/kernel/mm/transparent_hugepage/enabled");
#endif
    EXPECT_EQ(AdviseHugePages(Big.get(), 9 * MiB), Offered);
    std::memset(Big.get() + MiB, 0xA5, 8 * MiB);
    EXPECT_EQ(Big[MiB - 1], 0x5A);
    EXPECT_EQ(Big[9 * MiB - 1], 0xA5);
}

TEST(DebugOutput, SinkReceivesExactLines) {
    std::vector<std::string> Lines;
    {
        TScopedDebugSink Sink([&](std::string_view L) { Lines.emplace_back(L); });
        DebugOutputF("--------- position:%lld, %d", 12LL, -1);
        DebugOutput("plain");
        DebugOutputF("%s", std::string(300, 'x').c_str());
    }
    ASSERT_EQ(Lines.size(), 3u);
    EXPECT_EQ(Lines[0], "--------- position:12, -1");
    EXPECT_EQ(Lines[1], "plain");
    EXPECT_EQ(Lines[2], std::string(300, 'x'));
}

} // namespace
} // namespace quillon
