// quillon-cli key: new, trust and list, with the passphrase asked on a
// stand-in terminal, read from a file, or refused; in-process, and the real
// executable once for the owner-only secret key.
#include "cli/cli_process.h"
#include "crypto/key_files.h"
#include "platform/files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace quillon::test {
namespace {

// The trust folder lies in a scratch folder for the test's lifetime.
class CliKeys : public testing::Test {
  protected:
    void SetUp() override {
#ifdef _WIN32
        FSet.emplace("APPDATA", Dir.Path().string().c_str());
#else
        FSet.emplace("XDG_CONFIG_HOME", Dir.Path().string().c_str());
#endif
    }
    std::string TrustDir() const {
        return *TrustFolder();
    }
    TScratchDir Dir;
    std::optional<TScopedEnv> FSet;
};

TEST_F(CliKeys, NewWithoutPassphraseWritesAPairThatBelongsTogether) {
    const TCliRun Run = RunCliInProcess(
        {"key", "new", Dir / "alice", "--no-passphrase", "--comment", "Alice Example"});
    ASSERT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_NE(Run.Out.find("key id: "), std::string::npos) << Run.Out;
    const TSecretKey Secret = ReadSecretKeyFile(Dir / "alice.key", {});
    const TPublicKey Public = ReadPublicKeyFile(Dir / "alice.pub");
    EXPECT_EQ(Secret.Key.PublicKey(), Public.Key);
    EXPECT_EQ(Public.Comment, "Alice Example");
    EXPECT_NE(Run.Out.find(KeyIdText(Public.Id)), std::string::npos);
}

TEST_F(CliKeys, ExistingFilesAreKeptUnlessForced) {
    ASSERT_EQ(RunCliInProcess({"key", "new", Dir / "k", "--no-passphrase"}).Status, 0);
    const TPublicKey First = ReadPublicKeyFile(Dir / "k.pub");
    const TCliRun Again = RunCliInProcess({"key", "new", Dir / "k", "--no-passphrase"});
    EXPECT_EQ(Again.Status, 1);
    EXPECT_NE(Again.Err.find("exists already (-f replaces it)"), std::string::npos) << Again.Err;
    EXPECT_EQ(ReadPublicKeyFile(Dir / "k.pub").Id, First.Id);
    ASSERT_EQ(RunCliInProcess({"key", "new", Dir / "k", "--no-passphrase", "-f"}).Status, 0);
    EXPECT_NE(ReadPublicKeyFile(Dir / "k.pub").Id, First.Id);
}

struct TPassCase {
    const char* Name;
    std::vector<std::optional<std::string>> Typed; // what the terminal gives, in turn
    int Status;
    const char* ErrPart;
};

const TPassCase PassCases[] = {
    {"NoTerminal", {std::nullopt}, 1, "no terminal"},
    {"Empty", {std::string()}, 1, "the passphrase is empty"},
    {"Differ", {std::string("one"), std::string("two")}, 1, "differ"},
    {"SecondMissing", {std::string("one"), std::nullopt}, 1, "differ"},
};

class CliKeyPassphrase : public CliKeys, public testing::WithParamInterface<TPassCase> {};

// The refusals come before the costly key derivation, so none writes a file.
TEST_P(CliKeyPassphrase, RefusalsWriteNothing) {
    const TPassCase& C = GetParam();
    size_t Turn = 0;
    cli::TConsole Console;
    Console.AskHidden = [&](const std::string&) {
        return Turn < C.Typed.size() ? C.Typed[Turn++] : std::nullopt;
    };
    const TCliRun Run = RunCliInProcess({"key", "new", Dir / "p"}, "", Console);
    EXPECT_EQ(Run.Status, C.Status);
    EXPECT_NE(Run.Err.find(C.ErrPart), std::string::npos) << Run.Err;
    EXPECT_FALSE(PathExists(Dir / "p.key"));
    EXPECT_FALSE(PathExists(Dir / "p.pub"));
}

INSTANTIATE_TEST_SUITE_P(Cases, CliKeyPassphrase, testing::ValuesIn(PassCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// One key at the full cost of the key derivation: from standard input, and
// the secret key file is readable by its owner alone (the real executable).
TEST_F(CliKeys, PassphraseFromStandardInputProtectsTheKey) {
    const TCliRun Run = RunCliProcess({"key", "new", Dir / "p", "--passphrase-file", "-"},
                                      "correct horse\n");
    ASSERT_EQ(Run.Status, 0) << Run.Err;
    if (const auto Bits = FilePermissions(Dir / "p.key")) {
        EXPECT_EQ(*Bits, 0600u);
    }
    const std::vector<uint8_t> Text = ReadBytes(Dir.Path() / "p.key");
    EXPECT_TRUE(SecretKeyNeedsPassphrase(std::string(Text.begin(), Text.end())));
}

TEST_F(CliKeys, TrustCopiesByKeyIdAndListShowsIdCommentAndFile) {
    ASSERT_EQ(RunCliInProcess({"key", "new", Dir / "a", "--no-passphrase", "--comment", "Ann"}).Status, 0);
    ASSERT_EQ(RunCliInProcess({"key", "new", Dir / "b", "--no-passphrase", "--comment", "Ben"}).Status, 0);
    const TCliRun Trust = RunCliInProcess({"key", "trust", Dir / "a.pub"});
    ASSERT_EQ(Trust.Status, 0) << Trust.Err;
    EXPECT_EQ(Trust.Out.rfind("trusted: ", 0), 0u) << Trust.Out;
    EXPECT_EQ(RunCliInProcess({"key", "trust", Dir / "a.pub"}).Out.rfind("already trusted: ", 0), 0u);
    ASSERT_EQ(RunCliInProcess({"key", "trust", Dir / "b.pub"}).Status, 0);

    const TCliRun List = RunCliInProcess({"key", "list"});
    ASSERT_EQ(List.Status, 0) << List.Err;
    const std::vector<std::string> L = Lines(List.Out);
    ASSERT_EQ(L.size(), 2u);
    for (const char* Who : {"a", "b"}) {
        const TPublicKey K = ReadPublicKeyFile(Dir / (std::string(Who) + ".pub"));
        const std::string Expected = KeyIdText(K.Id) + "\t" + K.Comment + "\t" + TrustDir() +
                                     KeyIdText(K.Id) + ".pub";
        EXPECT_TRUE(L[0] == Expected || L[1] == Expected) << Expected;
    }
}

TEST_F(CliKeys, TrustRefusesWhatIsNoPublicKey) {
    WriteBytes(Dir.Path() / "x.pub", std::string("untrusted comment: x\nnot base64\n"));
    const TCliRun Run = RunCliInProcess({"key", "trust", Dir / "x.pub"});
    EXPECT_EQ(Run.Status, 1);
    EXPECT_NE(Run.Err.find("not a public key file"), std::string::npos) << Run.Err;
    EXPECT_NE(RunCliInProcess({"key", "list"}).Err.find("no trusted keys"), std::string::npos);
}

TEST(CliKeyUsage, WrongShapesAreUsageErrors) {
    const std::vector<std::vector<std::string>> Bad = {
        {"key"},
        {"key", "make", "x"},
        {"key", "new"},
        {"key", "new", "a", "b"},
        {"key", "new", "a", "--no-passphrase", "--passphrase-file", "f"},
        {"key", "trust"},
        {"key", "list", "extra"},
        {"key", "list", "--comment", "c"},
        {"key", "new", "a", "--site-code", "K"},
        {"verify", "-s", "K", "--no-passphrase", "x.jpg"},
    };
    for (const auto& Args : Bad) {
        const TCliRun Run = RunCliInProcess(Args);
        EXPECT_EQ(Run.Status, 2) << Args.back();
        EXPECT_NE(Run.Err.find("usage: quillon-cli"), std::string::npos) << Run.Err;
    }
}

} // namespace
} // namespace quillon::test
