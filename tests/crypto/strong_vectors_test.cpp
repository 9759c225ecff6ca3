// The test vectors of testdata/strong: each tag parses (or fails) as its
// table says, the valid ones decode to their listed fields, and signing
// those fields again with the test key gives the same bytes.
#include "strong_vector_fields.h"

#include "crypto/crypto_error.h"
#include "crypto/key_files.h"

#include "support/test_support.h"
#include "support/tsv.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

std::filesystem::path StrongDir() {
    return test::TestDataDir() / "strong";
}

std::string ReadText(const std::filesystem::path& Path) {
    const std::vector<uint8_t> B = test::ReadBytes(Path);
    return std::string(B.begin(), B.end());
}

// What a verifier concludes from a tag alone and the test public key.
std::string Outcome(const std::vector<uint8_t>& Body, TMediaKind Kind, const TPublicKey& Key) {
    try {
        ParseStrongTag(Body, Kind);
    } catch (const ECryptoError& E) {
        return E.Kind() == TCryptoErrorKind::Unsupported ? "unsupported" : "damaged";
    }
    return StrongTagSignedBy(Body, Kind, Key.Key) ? "valid" : "forged";
}

// A checkout does not keep a file's permission bits, so the test-only secret
// key is parsed from its text rather than read as a key file, which would
// rightly refuse it when the checkout left it readable by others.
TSecretKey TestOnlySecretKey() {
    const std::vector<uint8_t> Text = test::ReadBytes(StrongDir() / "quillon-test-only.key");
    return ParseSecretKey(std::string_view(reinterpret_cast<const char*>(Text.data()), Text.size()), {});
}

TEST(StrongVectors, TestKeyPairBelongsTogether) {
    const TSecretKey Secret = TestOnlySecretKey();
    const TPublicKey Public = ReadPublicKeyFile((StrongDir() / "quillon-test-only.pub").string());
    EXPECT_EQ(Secret.Id, Public.Id);
    EXPECT_EQ(Secret.Key.PublicKey(), Public.Key);
}

TEST(StrongVectors, EachTagGivesTheOutcomeItsTableLists) {
    const TPublicKey Key = ReadPublicKeyFile((StrongDir() / "quillon-test-only.pub").string());
    const auto Table = test::ReadTsv(StrongDir() / "expected.tsv");
    ASSERT_GE(Table.size(), 14u);
    for (const auto& Row : Table) {
        const std::string File = Row.at("file");
        const TMediaKind Kind = Row.at("kind") == "jpeg" ? TMediaKind::Jpeg : TMediaKind::Avi;
        EXPECT_EQ(Outcome(test::ReadBytes(StrongDir() / File), Kind, Key), Row.at("outcome")) << File;
    }
}

TEST(StrongVectors, ValidTagsDecodeToTheirFieldsAndSignAgainToTheSameBytes) {
    const TSecretKey Secret = TestOnlySecretKey();
    for (const auto& [Name, Kind] : {std::pair{"photo", TMediaKind::Jpeg}, std::pair{"movie", TMediaKind::Avi}}) {
        const std::vector<uint8_t> Body = test::ReadBytes(StrongDir() / (std::string(Name) + ".tag"));
        TStrongTag Tag = ParseStrongTag(Body, Kind);
        EXPECT_EQ(test::TagFieldsText(Tag), ReadText(StrongDir() / (std::string(Name) + ".fields")))
            << Name;
        EXPECT_EQ(SignStrongTag(Tag, Secret), Body) << Name;
    }
}

} // namespace
} // namespace quillon
