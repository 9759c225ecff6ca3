// quillon-cli with strong tags: the signed test vectors verify as their
// table says, sign --key and verify --trust work together, and
// --require-strong, the JSON object, the summary and the refusals behave.
#include "cli/cli_process.h"
#include "crypto/key_files.h"
#include "support/test_support.h"
#include "support/tsv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

fs::path StrongDir() {
    return TestDataDir() / "strong";
}

std::vector<std::string> Fields(const std::string& Line) {
    std::vector<std::string> F;
    size_t Start = 0;
    for (size_t Tab; (Tab = Line.find('\t', Start)) != std::string::npos; Start = Tab + 1)
        F.push_back(Line.substr(Start, Tab - Start));
    F.push_back(Line.substr(Start));
    return F;
}

// The trust folder lies in an empty scratch folder: only --trust trusts.
class CliStrong : public testing::Test {
  protected:
    CliStrong() {
#ifdef _WIN32
        FSet.emplace("APPDATA", Dir.Path().string().c_str());
#else
        FSet.emplace("XDG_CONFIG_HOME", Dir.Path().string().c_str());
#endif
    }
    std::string TestPublicKey() const { return (StrongDir() / "quillon-test-only.pub").string(); }
    // A key pair protected by "open sesame", with the cheapest passphrase
    // derivation (key new's takes seconds and a gigabyte).
    void MakeKey(const std::string& Name) {
        WriteBytes(Dir / "pass.txt", std::string("open sesame\n"));
        const TSecretKey Key = GenerateSecretKey("Ed Itor");
        WriteSecretKeyFile(Dir / (Name + ".key"), Key, std::string("open sesame"), false,
                           WeakestKdfLimits());
        WritePublicKeyFile(Dir / (Name + ".pub"), Key.Public(), false);
    }
    TScratchDir Dir;
    TScratchDir Temp;
    TScopedEnv TempEnv{"TEMP", Temp.Path().string().c_str()};
    std::optional<TScopedEnv> FSet;
};

TEST_F(CliStrong, SignedTestVectorsVerifyAsTheirTableSays) {
    const auto Table = ReadTsv(StrongDir() / "signed-files.tsv");
    ASSERT_GE(Table.size(), 9u);
    for (const auto& Row : Table) {
        SCOPED_TRACE(Row.at("file") + " trusted: " + Row.at("trusted"));
        std::vector<std::string> Args = {"verify", "--tsv", "-s", Row.at("site_code")};
        if (Row.at("trusted") == "yes")
            Args.insert(Args.end(), {"--trust", TestPublicKey()});
        for (const char* InPlace : {"--in-place", ""}) {
            std::vector<std::string> Call = Args;
            if (*InPlace)
                Call.push_back(InPlace);
            Call.push_back((StrongDir() / Row.at("file")).string());
            const TCliRun Run = RunCliInProcess(Call);
            const std::vector<std::string> F = Fields(Lines(Run.Out).at(0));
            ASSERT_EQ(F.size(), 9u) << Run.Out;
            EXPECT_EQ(F[1], Row.at("code"));
            EXPECT_EQ(F[4], Row.at("strong"));
            EXPECT_EQ(F[5], Row.at("key_id"));
            EXPECT_EQ(F[6], Row.at("strong") == "original" || Row.at("strong") == "pixels-original" ||
                                    Row.at("strong") == "changed"
                                ? "Quillon test key - for tests only, never trust it"
                                : "");
            EXPECT_EQ(F[7], Row.at("signed_at"));
            EXPECT_EQ(F[8], Row.at("reason")) << Run.Out;
        }
    }
}

TEST_F(CliStrong, SignWithAKeyThenVerifyWithItsPublicKey) {
    MakeKey("editor");
    const std::string Photo = Dir / "photo.jpg", Movie = Dir / "clip.avi";
    fs::copy_file(TestDataDir() / "jpeg" / "jpeg" / "coef_bands400_qones_420_56x40.jpg", Photo);
    fs::copy_file(TestDataDir() / "avi" / "ff_mjpeg_pcm.avi", Movie);
    const TCliRun Signed =
        RunCliInProcess({"sign", "-s", "SITE", "--key", Dir / "editor.key", "--passphrase-file",
                         Dir / "pass.txt", Photo, Movie});
    ASSERT_EQ(Signed.Status, 0) << Signed.Err;
    const std::vector<std::string> Copies = {Movie + ".mod.avi", Photo + ".mod.jpg"};

    struct TCase {
        const char* Name;
        std::vector<std::string> Options;
        int Status;
        const char* Strong;
    };
    const TCase Cases[] = {
        {"Trusted", {"--trust", Dir / "editor.pub"}, 0, "original"},
        {"TrustedRequired", {"--trust", Dir / "editor.pub", "--require-strong"}, 0, "original"},
        {"Untrusted", {}, 0, "untrusted"},
        {"UntrustedRequired", {"--require-strong"}, 1, "untrusted"},
        {"OtherKeyTrusted", {"--trust", TestPublicKey(), "--require-strong"}, 1, "untrusted"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        std::vector<std::string> Args = {"verify", "--tsv", "-s", "SITE"};
        Args.insert(Args.end(), C.Options.begin(), C.Options.end());
        Args.insert(Args.end(), Copies.begin(), Copies.end());
        const TCliRun Run = RunCliInProcess(Args);
        EXPECT_EQ(Run.Status, C.Status) << Run.Err;
        const std::vector<std::string> Out = Lines(Run.Out);
        ASSERT_EQ(Out.size(), 2u);
        for (const std::string& Line : Out) {
            EXPECT_EQ(Fields(Line).at(1), "1") << Line;
            EXPECT_EQ(Fields(Line).at(4), C.Strong) << Line;
        }
        EXPECT_NE(Run.Err.find(std::string("strong: 2 ") + C.Strong), std::string::npos) << Run.Err;
    }

    const TCliRun Json =
        RunCliInProcess({"verify", "--json", "-s", "SITE", "--trust", Dir / "editor.pub", Copies[1]});
    const TPublicKey Key = ReadPublicKeyFile(Dir / "editor.pub");
    EXPECT_NE(Json.Out.find(",\"strong\":{\"verdict\":\"original\",\"key_id\":\"" + KeyIdText(Key.Id) +
                            "\",\"key_comment\":\"Ed Itor\",\"signed_at\":\""),
              std::string::npos)
        << Json.Out;
}

TEST_F(CliStrong, KeysThatCannotBeUsedAreRefusedBeforeAnyFileIsWritten) {
    MakeKey("editor");
    const std::string Photo = Dir / "photo.jpg";
    fs::copy_file(TestDataDir() / "jpeg" / "jpeg" / "coef_bands400_qones_420_56x40.jpg", Photo);
    WriteBytes(Dir / "wrong.txt", std::string("open barley\n"));
    WriteBytes(Dir / "notakey.pub", std::string("hello\n"));
    struct TCase {
        const char* Name;
        std::vector<std::string> Args;
        int Status;
        const char* ErrPart;
    };
    const TCase Cases[] = {
        {"WrongPassphrase",
         {"sign", "-s", "S", "--key", Dir / "editor.key", "--passphrase-file", Dir / "wrong.txt", Photo},
         1,
         "cannot use the signing key"},
        {"NoTerminal", {"sign", "-s", "S", "--key", Dir / "editor.key", Photo}, 1, "--passphrase-file"},
        {"MissingKey", {"sign", "-s", "S", "--key", Dir / "none.key", Photo}, 1, "none.key"},
        {"PassphraseWithoutKey", {"sign", "-s", "S", "--passphrase-file", Dir / "pass.txt", Photo}, 2,
         "give --key too"},
        {"BothFromStandardInput",
         {"sign", "-s", "-", "--key", Dir / "editor.key", "--passphrase-file", "-", Photo},
         2,
         "cannot both come from standard input"},
        {"TrustNotAKey", {"verify", "-s", "S", "--trust", Dir / "notakey.pub", Photo}, 1,
         "cannot trust"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        const TCliRun Run = RunCliInProcess(C.Args);
        EXPECT_EQ(Run.Status, C.Status);
        EXPECT_NE(Run.Err.find(C.ErrPart), std::string::npos) << Run.Err;
        EXPECT_FALSE(fs::exists(Photo + ".mod.jpg"));
    }
}

} // namespace
} // namespace quillon::test
