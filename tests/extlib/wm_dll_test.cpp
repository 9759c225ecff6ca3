#include "extlib/uKvWMDll.h"
#include "extlib/wm_exports.h"
#include "support/standin_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace quillon {
namespace {

using test::TScratchDir;
using test::TStandinSession;
using test::WriteBytes;
using TLines = std::vector<std::string>;

std::string MakeFile(const TScratchDir& Dir, const std::string& Name) {
    const std::string Path = Dir / Name;
    WriteBytes(Path, std::string("not really a picture"));
    return Path;
}

// ---- through the stand-in library beside the test binary ------------------

TEST(WMDllStandin, MissingInputsNeverLoadTheLibrary) {
    TStandinSession Standin("1");
    const std::string File = MakeFile(Standin.Dir(), "photo.jpg");
    EXPECT_EQ(VerifyWithWMDll(nullptr, File.c_str()), -1);
    EXPECT_EQ(VerifyWithWMDll("", File.c_str()), -1);
    EXPECT_EQ(VerifyWithWMDll("SITE", nullptr), -2);
    EXPECT_EQ(VerifyWithWMDll("SITE", ""), -2);
    EXPECT_EQ(VerifyWithWMDll("SITE", (Standin.Dir() / "absent.jpg").c_str()), -2);
    // A folder is not a file, even one named like a picture.
    std::filesystem::create_directory(Standin.Dir() / "folder.jpg");
    EXPECT_EQ(VerifyWithWMDll("SITE", (Standin.Dir() / "folder.jpg").c_str()), -2);
    // An empty site code wins over a missing file.
    EXPECT_EQ(VerifyWithWMDll("", ""), -1);
    EXPECT_EQ(Standin.Calls(), TLines{});
}

TEST(WMDllStandin, AnswersMapToCodes) {
    const std::pair<const char*, int32_t> Cases[] = {{"1", 1}, {"0", 0},  {"-1", -5},
                                                     {"5", 1}, {"-2", 1}, {"2147483647", 1}};
    for (const auto& [Answer, Code] : Cases) {
        TStandinSession Standin(Answer);
        const std::string File = MakeFile(Standin.Dir(), "photo.jpg");
        EXPECT_EQ(VerifyWithWMDll("SITE-42", File.c_str()), Code) << "answer " << Answer;
        EXPECT_EQ(Standin.Calls(), TStandinSession::FullRequest("SITE-42", File))
            << "answer " << Answer;
    }
}

TEST(WMDllStandin, SiteCodeAndPathArriveUnchanged) {
    TStandinSession Standin("1");
    const std::string File = MakeFile(Standin.Dir(), "name with blanks.JPEG");
    const std::string Site = "  tab\there \xC7\xD1 ";
    EXPECT_EQ(VerifyWithWMDll(Site.c_str(), File.c_str()), 1);
    EXPECT_EQ(Standin.Calls(), TStandinSession::FullRequest(Site, File));
}

TEST(WMDllStandin, FailedInitialisationUnloads) {
    TStandinSession Standin("1", /*InitFails=*/true);
    const std::string File = MakeFile(Standin.Dir(), "photo.jpg");
    EXPECT_EQ(VerifyWithWMDll("SITE", File.c_str()), -4);
    TLines Expected = TStandinSession::FullRequest("SITE", File);
    Expected.erase(Expected.end() - 2); // no verification without a context
    EXPECT_EQ(Standin.Calls(), Expected);
}

TEST(WMDllStandin, EachRequestLoadsAndUnloadsOnce) {
    TStandinSession Standin("0");
    const std::string A = MakeFile(Standin.Dir(), "a.jpg");
    const std::string B = MakeFile(Standin.Dir(), "b.png");
    EXPECT_EQ(VerifyWithWMDll("S1", A.c_str()), 0);
    EXPECT_EQ(VerifyWithWMDll("S2", B.c_str()), 0);
    TLines Expected = TStandinSession::FullRequest("S1", A);
    const TLines Second = TStandinSession::FullRequest("S2", B);
    Expected.insert(Expected.end(), Second.begin(), Second.end());
    EXPECT_EQ(Standin.Calls(), Expected);
}

TEST(WMDllStandin, ExceptionFromTheLibraryArrivesAfterTheUnload) {
    TStandinSession Standin("throw");
    const std::string File = MakeFile(Standin.Dir(), "photo.jpg");
    try {
        VerifyWithWMDll("SITE", File.c_str());
        FAIL() << "no exception";
    } catch (const EWMLibraryError& E) {
        EXPECT_NE(std::string(E.what()).find("stand-in verification failed"), std::string::npos);
    }
    EXPECT_EQ(Standin.Calls(), TStandinSession::FullRequest("SITE", File));
}

TEST(WMDllStandin, ResolvesAllNineExportsAndKeepsStaleValues) {
    TStandinSession Standin("1");
    ASSERT_TRUE(LoadWMDll());
    const TLibraryHandle Handle = WMDllLastHandle();
    ASSERT_NE(Handle, nullptr);
    for (int I = 0; I < WMExportCount; ++I)
        EXPECT_EQ(WMDllLastSlot(I), GetLibrarySymbol(Handle, WMExportNames[I])) << I;
    FreeDynamicLibrary(Handle);
    EXPECT_EQ(Standin.Calls(), (TLines{"load", "unload"}));
}

// ---- through a scripted loader -----------------------------------------------

// Records what the adapter asks of the platform and of the library.
struct TRecorder {
    std::vector<std::string> Events;
    bool LoadSucceeds = true;
    bool HasInit = true;
    bool HasVerify = true;
    intptr_t Context = 77;
    int32_t Answer = 1;
    TLines Args;
    std::vector<const char*> ArgPointers;
};
TRecorder* Rec = nullptr;
int FakeLibrary = 0;

intptr_t FakeInit(int32_t Argc, char** Argv, int32_t A, int32_t B, int32_t C) {
    for (int32_t I = 0; I < Argc; ++I) {
        Rec->Args.push_back(Argv[I]);
        Rec->ArgPointers.push_back(Argv[I]);
    }
    Rec->Events.push_back("init " + std::to_string(Argc) + " " + std::to_string(A) + " " +
                          std::to_string(B) + " " + std::to_string(C));
    return Rec->Context;
}
int32_t FakeVerify(intptr_t Context, int32_t Flags) {
    Rec->Events.push_back("verify " + std::to_string(Context) + " " + std::to_string(Flags));
    return Rec->Answer;
}
static_assert(std::is_same_v<decltype(&FakeInit), TWMInitMediaSign>);
static_assert(std::is_same_v<decltype(&FakeVerify), TWMVerify>);

TLibraryLoader FakeLoader() {
    return {[](const std::string& Name) -> TLibraryHandle {
                Rec->Events.push_back("load " + Name);
                return Rec->LoadSucceeds ? &FakeLibrary : nullptr;
            },
            [](TLibraryHandle H, const char* Name) -> void* {
                Rec->Events.push_back(std::string("symbol ") + Name);
                EXPECT_EQ(H, &FakeLibrary);
                if (std::strcmp(Name, "WMInitMediaSign") == 0)
                    return Rec->HasInit ? reinterpret_cast<void*>(&FakeInit) : nullptr;
                if (std::strcmp(Name, "WMVerify") == 0)
                    return Rec->HasVerify ? reinterpret_cast<void*>(&FakeVerify) : nullptr;
                return nullptr;
            },
            [](TLibraryHandle H) {
                Rec->Events.push_back("free");
                EXPECT_EQ(H, &FakeLibrary);
            }};
}

class WMDllLoader : public ::testing::Test {
  protected:
    void SetUp() override {
        Rec = &R;
        File = MakeFile(Dir, "photo.jpg");
    }
    void TearDown() override { Rec = nullptr; }

    TLines LoadEvents() const {
        TLines E{std::string("load ") + WMDllFileName()};
        for (const char* Name :
             {"WMInitMediaSign", "WMGetValue", "WMSetValueRaw", "WMLoadImage", "WMDumpImage",
              "WMFreeMediaSign", "WMReadCode", "WMWriteCode", "WMVerify"})
            E.push_back(std::string("symbol ") + Name);
        return E;
    }

    // A request through the recording loader.
    static int32_t Verify(const char* Site, const char* Path, TWMDllAbsenceMemo* Memo = nullptr) {
        return VerifyWithWMDllUsing(Site, Path, FakeLoader(), Memo);
    }

    TRecorder R;
    TScratchDir Dir;
    std::string File;
};

TEST_F(WMDllLoader, ResolvesInOrderThenInitVerifyFree) {
    const std::string Site = "SITE-42";
    EXPECT_EQ(Verify(Site.c_str(), File.c_str()), 1);
    TLines Expected = LoadEvents();
    Expected.insert(Expected.end(), {"init 6 0 2 0", "verify 77 0", "free"});
    EXPECT_EQ(R.Events, Expected);
    // The handle stays behind, stale, after the unload.
    EXPECT_EQ(WMDllLastHandle(), &FakeLibrary);
}

TEST_F(WMDllLoader, ArgumentVectorHoldsTheCallersOwnStrings) {
    const char* Site = "key";
    EXPECT_EQ(Verify(Site, File.c_str()), 1);
    EXPECT_EQ(R.Args, (TLines{"prog", "-key", "key", "-verify", "-fine", File}));
    ASSERT_EQ(R.ArgPointers.size(), 6u);
    EXPECT_EQ(R.ArgPointers[2], Site);
    EXPECT_EQ(R.ArgPointers[5], File.c_str());
}

TEST_F(WMDllLoader, AbsentLibraryFreesNothing) {
    R.LoadSucceeds = false;
    EXPECT_FALSE(LoadWMDll(FakeLoader()));
    EXPECT_EQ(Verify("SITE", File.c_str()), -3);
    EXPECT_EQ(R.Events, (TLines{std::string("load ") + WMDllFileName(),
                                std::string("load ") + WMDllFileName()}));
}

TEST_F(WMDllLoader, AbsenceMemoSkipsTheSearchOnlyWhileItLives) {
    const std::string Load = std::string("load ") + WMDllFileName();
    {
        TWMDllAbsenceMemo Memo;
        EXPECT_EQ(Verify("SITE", File.c_str(), &Memo), 1);
        EXPECT_EQ(Verify("SITE", File.c_str(), &Memo), 1);
        EXPECT_EQ(std::count(R.Events.begin(), R.Events.end(), Load), 2) << "found: every request";
        R.Events.clear();
        R.LoadSucceeds = false;
        for (int I = 0; I < 3; ++I)
            EXPECT_EQ(Verify("SITE", File.c_str(), &Memo), -3);
        // Missing inputs still come first.
        EXPECT_EQ(Verify("SITE", "", &Memo), -2);
        EXPECT_EQ(R.Events, TLines{Load});
        R.LoadSucceeds = true;
        EXPECT_EQ(Verify("SITE", File.c_str(), &Memo), -3);
        // A request without the memo searches.
        R.Events.clear();
        EXPECT_EQ(Verify("SITE", File.c_str()), 1);
        EXPECT_EQ(R.Events.front(), Load);
    }
    R.Events.clear();
    TWMDllAbsenceMemo Fresh;
    EXPECT_EQ(Verify("SITE", File.c_str(), &Fresh), 1);
    EXPECT_EQ(R.Events.front(), Load);
}

TEST_F(WMDllLoader, MissingCalledExportCountsAsNoLibrary) {
    for (const bool WithoutInit : {true, false}) {
        R.Events.clear();
        R.HasInit = !WithoutInit;
        R.HasVerify = WithoutInit;
        EXPECT_EQ(Verify("SITE", File.c_str()), -3);
        TLines Expected = LoadEvents();
        Expected.push_back("free");
        EXPECT_EQ(R.Events, Expected) << (WithoutInit ? "without init" : "without verify");
    }
}

TEST_F(WMDllLoader, NegativeContextIsStillAContext) {
    R.Context = -1;
    R.Answer = -7;
    EXPECT_EQ(Verify("SITE", File.c_str()), 1);
    EXPECT_EQ(R.Events[R.Events.size() - 2], "verify -1 0");
}

} // namespace
} // namespace quillon
