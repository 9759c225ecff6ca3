#include "support/sha256.h"

#include <gtest/gtest.h>
#include <string>

namespace quillon::test {

TEST(Sha256, KnownAnswers) {
    EXPECT_EQ(Sha256Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc", 3),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string Two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(Sha256Hex(Two.data(), Two.size()),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Sha256, MillionAsInUnevenPieces) {
    const std::string Million(1000000, 'a');
    const std::string Expected = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";
    TSha256 H;
    for (size_t I = 0; I < Million.size(); I += 997)
        H.Update(Million.data() + I, std::min<size_t>(997, Million.size() - I));
    EXPECT_EQ(H.HexDigest(), Expected);
    EXPECT_EQ(Sha256Hex(Million.data(), Million.size()), Expected);
}

} // namespace quillon::test
