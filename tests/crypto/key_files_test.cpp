// Key files: what is written reads back, damage and wrong passphrases are
// clear errors, a secret key others may read is refused, and the trust
// folder holds one file a key.
#include "crypto/base64.h"
#include "crypto/crypto_error.h"
#include "crypto/key_files.h"
#include "crypto/minisign_keys.h"
#include "platform/file_stream.h"
#include "platform/files.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon {
namespace {

namespace fs = std::filesystem;

TCryptoErrorKind KindOf(const std::function<void()>& Do) {
    try {
        Do();
    } catch (const ECryptoError& E) {
        return E.Kind();
    }
    ADD_FAILURE() << "no ECryptoError raised";
    return TCryptoErrorKind::Failure;
}

TEST(KeyFormat, PublicAndSecretKeysReadBackWithAndWithoutPassphrase) {
    const TSecretKey Key = GenerateSecretKey("Alice Example");
    const TPublicKey Public = ParsePublicKey(FormatPublicKey(Key.Public()));
    EXPECT_EQ(Public.Id, Key.Id);
    EXPECT_EQ(Public.Key, Key.Key.PublicKey());
    EXPECT_EQ(Public.Comment, "Alice Example");
    for (const std::optional<std::string>& Pass :
         {std::optional<std::string>(), std::optional<std::string>("pass word")}) {
        const std::string Text = FormatSecretKey(Key, Pass, WeakestKdfLimits());
        EXPECT_EQ(SecretKeyNeedsPassphrase(Text), Pass.has_value());
        const TSecretKey Back = ParseSecretKey(Text, Pass.value_or(""));
        EXPECT_EQ(Back.Id, Key.Id);
        EXPECT_EQ(Back.Key.PublicKey(), Key.Key.PublicKey());
        EXPECT_EQ(Back.Comment, "Alice Example");
    }
}

TEST(KeyFormat, WrongPassphraseIsAClearError) {
    const TSecretKey Key = GenerateSecretKey("k");
    const std::string Text = FormatSecretKey(Key, std::string("right"), WeakestKdfLimits());
    EXPECT_EQ(KindOf([&] { ParseSecretKey(Text, "wrong"); }), TCryptoErrorKind::WrongPassphrase);
    EXPECT_EQ(KindOf([&] { ParseSecretKey(Text, ""); }), TCryptoErrorKind::WrongPassphrase);
}

TEST(KeyFormat, KeyIdReadsAsLittleEndianNumber) {
    EXPECT_EQ(KeyIdText({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}), "EFCDAB8967452301");
}

struct TDamageCase {
    const char* Name;
    std::function<std::string(std::string)> Damage;
    TCryptoErrorKind Kind;
};

// Replaces the base64 line by the encoding of the blob with byte At xored.
std::string FlipBlobByte(const std::string& Text, size_t At) {
    const size_t Start = Text.find('\n') + 1;
    const size_t End = Text.find('\n', Start);
    auto Blob = *DecodeBase64(std::string_view(Text).substr(Start, End - Start));
    Blob[At] ^= 0x40;
    return Text.substr(0, Start) + EncodeBase64(Blob) + Text.substr(End);
}

const TDamageCase SecretDamage[] = {
    {"NoCommentLine", [](std::string T) { T.erase(0, T.find('\n') + 1); return T; },
     TCryptoErrorKind::Malformed},
    {"Empty", [](std::string T) { T.clear(); return T; }, TCryptoErrorKind::Malformed},
    {"CutBase64", [](std::string T) { T.resize(T.size() - 10); return T; },
     TCryptoErrorKind::Malformed},
    {"OtherSignatureAlgorithm", [](std::string T) { return FlipBlobByte(T, 0); },
     TCryptoErrorKind::Unsupported},
    {"OtherKdf", [](std::string T) { return FlipBlobByte(T, 2); },
     TCryptoErrorKind::Unsupported},
    {"OtherChecksum", [](std::string T) { return FlipBlobByte(T, 4); },
     TCryptoErrorKind::Unsupported},
    {"SaltChanged", [](std::string T) { return FlipBlobByte(T, 10); },
     TCryptoErrorKind::WrongPassphrase},
    {"SecretChanged", [](std::string T) { return FlipBlobByte(T, 100); },
     TCryptoErrorKind::WrongPassphrase},
    {"ChecksumChanged", [](std::string T) { return FlipBlobByte(T, 150); },
     TCryptoErrorKind::WrongPassphrase},
};

class DamagedSecretKey : public testing::TestWithParam<TDamageCase> {};

TEST_P(DamagedSecretKey, IsRefusedWithItsKind) {
    static const std::string Text =
        FormatSecretKey(GenerateSecretKey("k"), std::string("pw"), WeakestKdfLimits());
    const std::string Damaged = GetParam().Damage(Text);
    EXPECT_EQ(KindOf([&] { ParseSecretKey(Damaged, "pw"); }), GetParam().Kind);
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedSecretKey, testing::ValuesIn(SecretDamage),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(KeyFormat, AnUnprotectedKeyWithAChangedSecretIsRefused) {
    const std::string Text = FormatSecretKey(GenerateSecretKey("k"), std::nullopt);
    EXPECT_EQ(KindOf([&] { ParseSecretKey(FlipBlobByte(Text, 100), ""); }),
              TCryptoErrorKind::Malformed);
}

TEST(KeyFormat, CommentsMustStayOnOneLine) {
    EXPECT_EQ(CommentProblem("Alice Example, Studio 3"), "");
    EXPECT_NE(CommentProblem("two\nlines"), "");
    EXPECT_NE(CommentProblem("tab\there"), "");
    EXPECT_NE(CommentProblem(std::string(MaxCommentBytes + 1, 'x')), "");
}

TEST(KeyFiles, SecretKeyIsOwnerOnlyAndNeverReplacedUnlessAsked) {
    test::TScratchDir Dir;
    const TSecretKey Key = GenerateSecretKey("k");
    const std::string Path = Dir / "k.key";
    WriteSecretKeyFile(Path, Key, std::nullopt, false);
    if (const auto Bits = FilePermissions(Path)) {
        EXPECT_EQ(*Bits, 0600u);
    }
    EXPECT_THROW(WriteSecretKeyFile(Path, GenerateSecretKey("k2"), std::nullopt, false),
                 EFileError);
    EXPECT_EQ(ReadSecretKeyFile(Path, {}).Id, Key.Id); // the first stands
    const TSecretKey Second = GenerateSecretKey("k2");
    WriteSecretKeyFile(Path, Second, std::nullopt, true);
    EXPECT_EQ(ReadSecretKeyFile(Path, {}).Id, Second.Id);
}

TEST(KeyFiles, SecretKeyReadableByOthersIsRefused) {
    test::TScratchDir Dir;
    const std::string Path = Dir / "open.key";
    WriteSecretKeyFile(Path, GenerateSecretKey("k"), std::nullopt, false);
    if (!FilePermissions(Path))
        GTEST_SKIP() << "this system keeps no permission bits";
    fs::permissions(Path, fs::perms::group_read | fs::perms::others_read, fs::perm_options::add);
    try {
        ReadSecretKeyFile(Path, {});
        ADD_FAILURE() << "a readable key was accepted";
    } catch (const ECryptoError& E) {
        EXPECT_EQ(E.Kind(), TCryptoErrorKind::Unsafe);
        EXPECT_NE(std::string(E.what()).find("0644"), std::string::npos) << E.what();
    }
}

TEST(KeyFiles, ProtectedKeyWithoutPassphraseSourceIsAClearError) {
    test::TScratchDir Dir;
    const std::string Path = Dir / "p.key";
    WriteSecretKeyFile(Path, GenerateSecretKey("k"), std::string("pw"), false, WeakestKdfLimits());
    EXPECT_EQ(KindOf([&] { ReadSecretKeyFile(Path, [] { return std::nullopt; }); }),
              TCryptoErrorKind::WrongPassphrase);
    EXPECT_NO_THROW(ReadSecretKeyFile(Path, [] { return std::string("pw"); }));
}

TEST(TrustFolder, StoresOneFileAKeyAndListsThem) {
    test::TScratchDir Dir;
    const std::string Folder = Dir / "trusted/";
    const TSecretKey A = GenerateSecretKey("Alice"), B = GenerateSecretKey("Bob");
    WritePublicKeyFile(Dir / "a.pub", A.Public(), false);
    WritePublicKeyFile(Dir / "b.pub", B.Public(), false);
    test::WriteBytes(Dir / "junk.pub", std::string("not a key\n"));
    std::string StoredAs;
    EXPECT_EQ(TrustPublicKeyFile(Dir / "a.pub", Folder, false, StoredAs), TTrustOutcome::Added);
    EXPECT_EQ(StoredAs, Folder + KeyIdText(A.Id) + ".pub");
    EXPECT_EQ(TrustPublicKeyFile(Dir / "a.pub", Folder, false, StoredAs),
              TTrustOutcome::AlreadyTrusted);
    EXPECT_EQ(TrustPublicKeyFile(Dir / "b.pub", Folder, false, StoredAs), TTrustOutcome::Added);
    EXPECT_THROW(TrustPublicKeyFile(Dir / "junk.pub", Folder, false, StoredAs), ECryptoError);
    fs::copy_file(Dir / "junk.pub", Folder + "junk.pub");

    const TTrustedKeys Trusted = LoadTrustedKeys(Folder);
    ASSERT_EQ(Trusted.Keys.size(), 2u);
    EXPECT_EQ(Trusted.Problems.size(), 1u);
    for (const TTrustedKey& K : Trusted.Keys)
        EXPECT_TRUE(K.Key.Id == A.Id || K.Key.Id == B.Id);
    EXPECT_TRUE(LoadTrustedKeys(Dir / "missing/").Keys.empty());
}

TEST(TrustFolder, AnotherKeyUnderTheSameIdNeedsForce) {
    test::TScratchDir Dir;
    const std::string Folder = Dir / "trusted/";
    const TSecretKey A = GenerateSecretKey("Alice");
    TPublicKey Impostor = GenerateSecretKey("Mallory").Public();
    Impostor.Id = A.Id;
    WritePublicKeyFile(Dir / "a.pub", A.Public(), false);
    WritePublicKeyFile(Dir / "m.pub", Impostor, false);
    std::string StoredAs;
    TrustPublicKeyFile(Dir / "a.pub", Folder, false, StoredAs);
    EXPECT_THROW(TrustPublicKeyFile(Dir / "m.pub", Folder, false, StoredAs), EFileError);
    EXPECT_EQ(ReadPublicKeyFile(StoredAs).Key, A.Key.PublicKey());
    EXPECT_EQ(TrustPublicKeyFile(Dir / "m.pub", Folder, true, StoredAs), TTrustOutcome::Added);
    EXPECT_EQ(ReadPublicKeyFile(StoredAs).Key, Impostor.Key);
}

} // namespace
} // namespace quillon
