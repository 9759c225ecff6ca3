// Keys and signatures go both ways between Quillon and the real minisign:
// its key pairs (with and without a passphrase) load here, our secret keys
// sign with it, and each side's signatures verify on the other. Skipped
// where minisign is not installed (and under Windows).
#include "crypto/crypto_error.h"
#include "crypto/key_files.h"
#include "crypto/minisign_signature.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace quillon {
namespace {

namespace fs = std::filesystem;

// The minisign program, or "" when there is none on PATH.
std::string Minisign() {
#ifdef _WIN32
    return {};
#else
    const char* Path = std::getenv("PATH");
    std::string_view Rest = Path ? Path : "/usr/bin";
    while (!Rest.empty()) {
        const size_t Colon = Rest.find(':');
        const fs::path Candidate = fs::path(Rest.substr(0, Colon)) / "minisign";
        std::error_code Ec;
        if (fs::is_regular_file(Candidate, Ec))
            return Candidate.string();
        Rest = Colon == std::string_view::npos ? std::string_view() : Rest.substr(Colon + 1);
    }
    return {};
#endif
}

// Runs minisign through the shell with Input on its standard input; the
// exit status.
int RunMinisign(const std::string& Arguments, const std::string& Input = {}) {
#ifdef _WIN32
    (void)Arguments, (void)Input;
    return -1;
#else
    test::TScratchDir Dir;
    test::WriteBytes(Dir / "input", Input);
    const std::string Command =
        "'" + Minisign() + "' " + Arguments + " < '" + (Dir / "input") + "' > /dev/null 2>&1";
    const int Status = std::system(Command.c_str());
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
#endif
}

class WithMinisign : public testing::Test {
  protected:
    void SetUp() override {
        if (Minisign().empty())
            GTEST_SKIP() << "minisign is not installed (scripts/install-deps installs it)";
        test::WriteBytes(Dir / "message.txt", std::string("a text to sign\n"));
    }
    std::string Q(const std::string& Name) const { return "'" + (Dir / Name) + "'"; }
    test::TScratchDir Dir;
};

TEST_F(WithMinisign, ItsUnprotectedKeyPairLoadsAndSignsHere) {
    ASSERT_EQ(RunMinisign("-G -W -p " + Q("m.pub") + " -s " + Q("m.key")), 0);
    const TSecretKey Secret = ReadSecretKeyFile(Dir / "m.key", {});
    const TPublicKey Public = ReadPublicKeyFile(Dir / "m.pub");
    EXPECT_EQ(Secret.Id, Public.Id);
    EXPECT_EQ(Secret.Key.PublicKey(), Public.Key);
    // Our signature with its key passes its check.
    const std::string Sig = SignFileDigest(Secret, Blake2b512OfFile(Dir / "message.txt"),
                                           DefaultTrustedComment(1700000000, "message.txt"),
                                           "signature from quillon");
    test::WriteBytes(Dir / "message.txt.minisig", Sig);
    EXPECT_EQ(RunMinisign("-V -p " + Q("m.pub") + " -m " + Q("message.txt")), 0);
}

TEST_F(WithMinisign, ItsProtectedKeyLoadsWithThePassphraseOnly) {
    ASSERT_EQ(RunMinisign("-G -p " + Q("m.pub") + " -s " + Q("m.key"), "secret words\nsecret words\n"),
              0);
    try {
        ReadSecretKeyFile(Dir / "m.key", [] { return std::string("other words"); });
        ADD_FAILURE() << "a wrong passphrase was accepted";
    } catch (const ECryptoError& E) {
        EXPECT_EQ(E.Kind(), TCryptoErrorKind::WrongPassphrase);
    }
    const TSecretKey Secret =
        ReadSecretKeyFile(Dir / "m.key", [] { return std::string("secret words"); });
    EXPECT_EQ(Secret.Key.PublicKey(), ReadPublicKeyFile(Dir / "m.pub").Key);
}

TEST_F(WithMinisign, OurKeysSignWithItAndItsSignaturesVerifyHere) {
    const TSecretKey Key = GenerateSecretKey("Quillon test");
    // A light derivation keeps the test quick; the format is the same.
    WriteSecretKeyFile(Dir / "q.key", Key, std::string("pw"), false, WeakestKdfLimits());
    WriteSecretKeyFile(Dir / "plain.key", Key, std::nullopt, false);
    WritePublicKeyFile(Dir / "q.pub", Key.Public(), false);
    ASSERT_EQ(RunMinisign("-S -s " + Q("q.key") + " -m " + Q("message.txt") + " -t 'from test'",
                          "pw\n"),
              0);
    EXPECT_EQ(RunMinisign("-V -p " + Q("q.pub") + " -m " + Q("message.txt")), 0);
    ASSERT_EQ(RunMinisign("-S -s " + Q("plain.key") + " -m " + Q("message.txt") + " -x " +
                          Q("plain.minisig")),
              0);

    for (const char* SigName : {"message.txt.minisig", "plain.minisig"}) {
        const TDetachedSignature Sig = ParseDetachedSignature(
            [&] {
                const auto B = test::ReadBytes(Dir.Path() / SigName);
                return std::string(B.begin(), B.end());
            }());
        EXPECT_NO_THROW(VerifyDetachedSignatureOfFile(Key.Public(), Sig, Dir / "message.txt"));
        test::WriteBytes(Dir / "changed.txt", std::string("a text to sign!\n"));
        EXPECT_THROW(VerifyDetachedSignatureOfFile(Key.Public(), Sig, Dir / "changed.txt"),
                     ECryptoError);
        const TPublicKey Other = GenerateSecretKey("other").Public();
        EXPECT_THROW(VerifyDetachedSignatureOfFile(Other, Sig, Dir / "message.txt"), ECryptoError);
    }
}

TEST_F(WithMinisign, BothRefuseOurSignatureOnceItsTrustedCommentChanged) {
    const TSecretKey Key = GenerateSecretKey("k");
    WritePublicKeyFile(Dir / "k.pub", Key.Public(), false);
    std::string Sig = SignFileDigest(Key, Blake2b512OfFile(Dir / "message.txt"),
                                     "timestamp:1\tfile:message.txt\thashed", "u");
    Sig.replace(Sig.find("timestamp:1"), 11, "timestamp:2");
    test::WriteBytes(Dir / "message.txt.minisig", Sig);
    EXPECT_NE(RunMinisign("-V -p " + Q("k.pub") + " -m " + Q("message.txt")), 0);
    EXPECT_THROW(VerifyDetachedSignatureOfFile(Key.Public(), ParseDetachedSignature(Sig),
                                               Dir / "message.txt"),
                 ECryptoError);
}

} // namespace
} // namespace quillon
