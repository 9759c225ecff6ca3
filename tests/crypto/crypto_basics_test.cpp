// Digests and base64 against values computed by other implementations
// (Python's hashlib, RFC 4648), so a wrong wrapper shows.
#include "crypto/base64.h"
#include "crypto/crypto_error.h"
#include "crypto/digest.h"
#include "crypto/ed25519.h"
#include "crypto/passphrase_kdf.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon {
namespace {

std::span<const uint8_t> AsBytes(std::string_view Text) {
    return {reinterpret_cast<const uint8_t*>(Text.data()), Text.size()};
}

struct TDigestCase {
    const char* Name;
    std::string Input;
    const char* Blake2b256;
    const char* Sha256;
};

const TDigestCase DigestCases[] = {
    {"Empty", "", "0e5751c026e543b2e8ab2eb06099daa1d1e5df47778f7787faab45cdf12fe3a8",
     "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"Abc", "abc", "bddd813c634239723171ef3fee98579b94964e3bb1cb3e427262c8c068d52319",
     "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
};

class Digests : public testing::TestWithParam<TDigestCase> {};

TEST_P(Digests, MatchIndependentValuesWholeAndInPieces) {
    const TDigestCase& C = GetParam();
    EXPECT_EQ(HexText(Blake2b256(AsBytes(C.Input))), C.Blake2b256);
    EXPECT_EQ(HexText(Sha256(AsBytes(C.Input))), C.Sha256);
    TBlake2b Pieces;
    for (const char Ch : C.Input)
        Pieces.Update(&Ch, 1);
    EXPECT_EQ(HexText(Pieces.Finish256()), C.Blake2b256);
}

INSTANTIATE_TEST_SUITE_P(Known, Digests, testing::ValuesIn(DigestCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Digests, Blake2b512OfAbc) {
    TBlake2b H(64);
    H.Update(AsBytes("abc"));
    EXPECT_EQ(HexText(H.Finish512()),
              "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d1"
              "7d87c5392aab792dc252d5de4533cc9518d38aa8dbf1925ab92386edd4009923");
}

struct TBase64Case {
    const char* Name;
    std::string Bytes;
    const char* Text;
};

const TBase64Case Base64Cases[] = {
    {"Empty", "", ""},     {"One", "f", "Zg=="},         {"Two", "fo", "Zm8="},
    {"Three", "foo", "Zm9v"}, {"Six", "foobar", "Zm9vYmFy"},
    {"HighBytes", std::string("\xff\xfe\x00", 3), "//4A"},
};

class Base64 : public testing::TestWithParam<TBase64Case> {};

TEST_P(Base64, EncodesAndDecodesAsRfc4648) {
    const TBase64Case& C = GetParam();
    EXPECT_EQ(EncodeBase64(AsBytes(C.Bytes)), C.Text);
    const auto Back = DecodeBase64(C.Text);
    ASSERT_TRUE(Back.has_value());
    EXPECT_EQ(std::string(Back->begin(), Back->end()), C.Bytes);
}

INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64, testing::ValuesIn(Base64Cases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Base64, RefusesWhatIsNotExactlyBase64) {
    for (const char* Bad : {"Zg", "Zg=", "Z===", "Zm9v\n", " Zm9v", "Zm9v!", "Zm9vYmFy=="})
        EXPECT_FALSE(DecodeBase64(Bad).has_value()) << Bad;
}

TEST(Ed25519, SignsVerifiesAndRefusesChangedMessagesOrKeys) {
    const TSigningKey Key = TSigningKey::Generate();
    const TSigningKey Other = TSigningKey::Generate();
    const TSignatureBytes Sig = Key.Sign(AsBytes("message"));
    EXPECT_TRUE(VerifySignature(Key.PublicKey(), Sig, AsBytes("message")));
    EXPECT_FALSE(VerifySignature(Key.PublicKey(), Sig, AsBytes("messagE")));
    EXPECT_FALSE(VerifySignature(Other.PublicKey(), Sig, AsBytes("message")));
}

TEST(Ed25519, RefusesASecretKeyWhoseHalvesDoNotBelongTogether) {
    const TSigningKey Key = TSigningKey::Generate();
    std::vector<uint8_t> Bytes(Key.Bytes().begin(), Key.Bytes().end());
    EXPECT_NO_THROW(TSigningKey{Bytes});
    Bytes[40] ^= 1;
    EXPECT_THROW(TSigningKey{Bytes}, ECryptoError);
    EXPECT_THROW(TSigningKey(std::span<const uint8_t>(Bytes).first(32)), ECryptoError);
}

TEST(PassphraseKdf, DependsOnPassphraseAndSaltAndRefusesExcessiveCost) {
    const std::vector<uint8_t> Salt(KdfSaltBytes, 7), Salt2(KdfSaltBytes, 8);
    const TKdfLimits Weak = WeakestKdfLimits();
    const TSecretBytes A = DeriveKeyStream("one", Salt, Weak, 104);
    const auto Same = [](const TSecretBytes& X, const TSecretBytes& Y) {
        return std::equal(X.Data(), X.Data() + X.Size(), Y.Data());
    };
    EXPECT_TRUE(Same(A, DeriveKeyStream("one", Salt, Weak, 104)));
    EXPECT_FALSE(Same(A, DeriveKeyStream("two", Salt, Weak, 104)));
    EXPECT_FALSE(Same(A, DeriveKeyStream("one", Salt2, Weak, 104)));
    TKdfLimits Hostile = KeyFileKdfLimits();
    Hostile.MemLimit *= 64;
    EXPECT_THROW(DeriveKeyStream("one", Salt, Hostile, 104), ECryptoError);
}

} // namespace
} // namespace quillon
