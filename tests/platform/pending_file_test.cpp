// The one writer: what it replaces at a destination of every kind, what it
// leaves behind, and the leftovers of killed runs.
#include "platform/files.h"
#include "platform/pending_file.h"
#include "support/test_support.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>

#ifdef _WIN32
#include <windows.h>
#undef DeleteFile // the test means ours
#else
#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quillon {
namespace {

namespace fs = std::filesystem;
using test::EntryNames;
using test::TScratchDir;

std::string Text(const std::string& Path) {
    const std::vector<uint8_t> Bytes = test::ReadBytes(Path);
    return std::string(Bytes.begin(), Bytes.end());
}

void Write(const std::string& Destination, TReplace Rule, const std::string& Contents) {
    TPendingFile Out(Destination, Rule);
    Out.Stream().Write(Contents.data(), Contents.size());
    Out.Commit();
}

// ---- every kind of destination, under each rule ----------------------------

enum class TKind {
    Missing,
    Regular,
    HardLink,
    Link,
    DanglingLink,
    Directory,
    DirectoryLink,
    Fifo,
    Socket,
    Device,
    DeviceName,
    DeviceNameWithExtension,
};

struct TDestinationCase {
    const char* Name;
    TKind Kind;
    bool Replaced[3]; // under TReplace::Nothing, RegularFile, FileOrLink
};

const TDestinationCase DestinationCases[] = {
    {"Missing", TKind::Missing, {true, true, true}},
    {"RegularFile", TKind::Regular, {false, true, true}},
    {"HardLink", TKind::HardLink, {false, true, true}},
    {"LinkToAFile", TKind::Link, {false, false, true}},
    {"DanglingLink", TKind::DanglingLink, {false, false, true}},
    {"Folder", TKind::Directory, {false, false, false}},
    {"LinkToAFolder", TKind::DirectoryLink, {false, false, false}},
    {"Fifo", TKind::Fifo, {false, false, false}},
    {"Socket", TKind::Socket, {false, false, false}},
    {"DeviceNode", TKind::Device, {false, false, false}},
    {"ReservedDeviceName", TKind::DeviceName, {false, false, false}},
    {"ReservedDeviceNameWithExtension", TKind::DeviceNameWithExtension, {false, false, false}},
};

// Makes Kind at Dir/<name>, beside a file "precious.txt" and a folder
// "folder" that links may lead to; the destination's path, or "" where this
// system (or the emulator) cannot make that kind.
std::string MakeDestination(TKind Kind, const fs::path& Dir) {
    test::WriteBytes(Dir / "precious.txt", std::string("precious"));
    fs::create_directory(Dir / "folder");
    const fs::path Dst = Dir / "dst.jpg";
    std::error_code Ec;
    switch (Kind) {
    case TKind::Missing:
        break;
    case TKind::Regular:
        test::WriteBytes(Dst, std::string("old"));
        break;
    case TKind::HardLink:
        fs::create_hard_link(Dir / "precious.txt", Dst, Ec);
        break;
    case TKind::Link:
        fs::create_symlink(Dir / "precious.txt", Dst, Ec);
        break;
    case TKind::DanglingLink:
        fs::create_symlink(Dir / "folder" / "created", Dst, Ec);
        break;
    case TKind::Directory:
        fs::create_directory(Dst, Ec);
        break;
    case TKind::DirectoryLink:
        fs::create_directory_symlink(Dir / "folder", Dst, Ec);
        break;
    case TKind::DeviceName:
    case TKind::DeviceNameWithExtension:
#ifdef _WIN32
        return (Dir / (Kind == TKind::DeviceName ? "NUL" : "com1.jpg")).string();
#else
        return {}; // names mean nothing special here
#endif
#ifdef _WIN32
    case TKind::Fifo:
    case TKind::Socket:
    case TKind::Device:
        return {};
#else
    case TKind::Fifo:
        if (::mkfifo(Dst.c_str(), 0600) != 0)
            return {};
        break;
    case TKind::Socket: {
        const int S = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un Address{};
        Address.sun_family = AF_UNIX;
        if (S < 0 || Dst.string().size() >= sizeof Address.sun_path)
            return {};
        std::strcpy(Address.sun_path, Dst.c_str());
        const bool Bound = ::bind(S, reinterpret_cast<sockaddr*>(&Address), sizeof Address) == 0;
        ::close(S); // the name stays
        if (!Bound)
            return {};
        break;
    }
    case TKind::Device:
        // The same device as /dev/null, in the scratch folder: a fault here
        // must never reach the machine's own.
        if (::mknod(Dst.c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            return {};
        break;
#endif
    }
    return Ec ? std::string() : Dst.string();
}

void PrintTo(const TDestinationCase& C, std::ostream* Out) {
    *Out << C.Name;
}

class DestinationKind : public ::testing::TestWithParam<TDestinationCase> {};

TEST_P(DestinationKind, IsReplacedOnlyWhereTheRuleAllowsAndNothingIsWrittenThrough) {
    const TDestinationCase& C = GetParam();
    const TReplace Rules[] = {TReplace::Nothing, TReplace::RegularFile, TReplace::FileOrLink};
    for (int R = 0; R < 3; ++R) {
        SCOPED_TRACE("rule " + std::to_string(R));
        TScratchDir Dir;
        const std::string Dst = MakeDestination(C.Kind, Dir.Path());
        if (Dst.empty())
            GTEST_SKIP() << "this system cannot make such a destination";
        const TEntryKind Before = EntryKindOf(Dst);
        std::set<std::string> Expected = EntryNames(Dir.Path());
        try {
            Write(Dst, Rules[R], "new");
            EXPECT_TRUE(C.Replaced[R]) << "replaced";
            EXPECT_EQ(EntryKindOf(Dst), TEntryKind::RegularFile);
            EXPECT_EQ(Text(Dst), "new");
            Expected.insert(fs::path(Dst).filename().string());
        } catch (const EFileError& E) {
            EXPECT_FALSE(C.Replaced[R]) << E.what();
            const bool ARuleWould = C.Replaced[2];
            EXPECT_EQ(E.Kind(), ARuleWould ? TFileErrorKind::Exists : TFileErrorKind::NotAFile);
            EXPECT_EQ(EntryKindOf(Dst), Before);
        }
        // Nothing written beside the destination, nor through it.
        EXPECT_EQ(EntryNames(Dir.Path()), Expected);
        EXPECT_EQ(Text(Dir / "precious.txt"), "precious");
        EXPECT_TRUE(fs::is_empty(Dir.Path() / "folder"));
    }
}

INSTANTIATE_TEST_SUITE_P(Writer, DestinationKind, ::testing::ValuesIn(DestinationCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Writer, RefusalsNameWhatStandsThere) {
    TScratchDir Dir;
    test::WriteBytes(Dir / "f", std::string("x"));
    EXPECT_EQ(ReplaceRefusal(Dir / "f", TReplace::Nothing), "exists already");
    EXPECT_EQ(ReplaceRefusal(Dir / "f", TReplace::RegularFile), "");
    EXPECT_EQ(ReplaceRefusal(Dir.Path().string(), TReplace::FileOrLink), "is a folder");
    EXPECT_EQ(ReplaceRefusal(Dir / "none", TReplace::Nothing), "");
}

// ---- what the writer leaves behind ----------------------------------------

TEST(Writer, AFailedOrAbandonedWriteLeavesTheDestinationAndNothingElse) {
    TScratchDir Dir;
    const std::string Dst = Dir / "dst.jpg";
    test::WriteBytes(Dst, std::string("old"));
    {
        TPendingFile Out(Dst);
        Out.Stream().Write("half", 4);
    } // abandoned
    EXPECT_EQ(Text(Dst), "old");
    EXPECT_THROW(TPendingFile(Dir / "gone/dst.jpg"), EFileError);
    EXPECT_EQ(EntryNames(Dir.Path()), std::set<std::string>{"dst.jpg"});
}

#ifndef _WIN32
// A destination that became a FIFO while the file was written is refused
// when it is to be replaced.
TEST(Writer, TheDestinationIsCheckedAgainBeforeTheRename) {
    TScratchDir Dir;
    const std::string Dst = Dir / "dst.jpg";
    TPendingFile Out(Dst);
    Out.Stream().Write("new", 3);
    ASSERT_EQ(::mkfifo(Dst.c_str(), 0600), 0);
    EXPECT_THROW(Out.Commit(), EFileError);
    EXPECT_EQ(EntryKindOf(Dst), TEntryKind::Fifo);
}

// A process killed in the middle of a write leaves the old file as it was
// and, where the system has unnamed files, nothing else at all.
TEST(Writer, AKilledWriterLeavesTheOldFile) {
    TScratchDir Dir;
    const std::string Dst = Dir / "dst.jpg";
    test::WriteBytes(Dst, std::string("old"));
    const pid_t Child = ::fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        TPendingFile Out(Dst);
        Out.Stream().Write("half", 4);
        ::raise(SIGKILL);
    }
    int Status = 0;
    ASSERT_EQ(::waitpid(Child, &Status, 0), Child);
    EXPECT_TRUE(WIFSIGNALED(Status));
    EXPECT_EQ(Text(Dst), "old");
    std::set<std::string> Left = EntryNames(Dir.Path());
    Left.erase("dst.jpg.partial0"); // only where the file system has no unnamed files
    EXPECT_EQ(Left, std::set<std::string>{"dst.jpg"});
}
#endif

// Leftovers of killed runs are removed before a name is chosen; live ones
// (written since this process started), links and other names are kept,
// and however many names are taken the write still finds one.
TEST(Writer, StaleLeftoversGoAndTakenNamesNeverStopAWrite) {
    TScratchDir Dir;
    const std::string Dst = Dir / "m.avi";
    std::set<std::string> Kept{"m.avi", "m.avi.partial", "m.avi.partialX"};
    for (const std::string& Name : Kept)
        if (Name != "m.avi")
            test::WriteBytes(Dir / Name, std::string("not ours"));
    const auto Old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (int N = 0; N < 130; ++N) {
        const std::string Name = "m.avi.partial" + std::to_string(N);
        test::WriteBytes(Dir / Name, std::string("left"));
        if (N % 2 == 0 || N >= 110) {
            fs::last_write_time(Dir / Name, Old);
        } else {
            Kept.insert(Name); // written after this process started: a live writer's
        }
    }
    test::WriteBytes(Dir / "m.avi.partial3.old", std::string("aside"));
    fs::last_write_time(Dir / "m.avi.partial3.old", Old);
    Write(Dst, TReplace::FileOrLink, "new");
    EXPECT_EQ(Text(Dst), "new");
    EXPECT_EQ(EntryNames(Dir.Path()), Kept);

    // Every number up to 149 held by a live writer: the next one is taken.
    for (int N = 0; N < 150; ++N)
        test::WriteBytes(Dir / ("m.avi.partial" + std::to_string(N)), std::string("live"));
    Write(Dst, TReplace::FileOrLink, "newer");
    EXPECT_EQ(Text(Dst), "newer");
    EXPECT_FALSE(fs::exists(Dir.Path() / "m.avi.partial150"));
}

// A secret is for its owner from its first byte, whether the new file is
// created without a name or under a temporary one.
TEST(Writer, OwnerOnlyFilesAreNeverReadableByOthers) {
    TScratchDir Dir;
    const auto Named = [&](int N) { return Dir / ("k.tmp" + std::to_string(N)); };
    for (const bool WithName : {false, true}) {
        SCOPED_TRACE(WithName ? "named" : "unnamed");
        const std::string Dst = Dir / (WithName ? "named.key" : "unnamed.key");
        TPendingFile Out(Dst, TReplace::Nothing,
                         WithName ? TPendingFile::TNameFor(Named) : TPendingFile::TNameFor(),
                         TFileMode::CreateNewOwnerOnly);
        if (const auto Bits = FilePermissions(Out.TemporaryName())) {
            EXPECT_EQ(*Bits, 0600u) << "while written";
        }
        Out.Stream().Write("secret", 6);
        Out.Commit();
        EXPECT_EQ(Text(Dst), "secret");
        if (const auto Bits = FilePermissions(Dst)) {
            EXPECT_EQ(*Bits, 0600u);
        }
    }
}

} // namespace
} // namespace quillon
