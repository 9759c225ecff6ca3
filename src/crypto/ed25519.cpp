#include "ed25519.h"

#include "crypto_error.h"
#include "sodium_setup.h"

#include <algorithm>
#include <sodium.h>

namespace quillon {

static_assert(PublicKeyBytes == crypto_sign_PUBLICKEYBYTES);
static_assert(SecretKeyBytes == crypto_sign_SECRETKEYBYTES);
static_assert(SignatureBytes == crypto_sign_BYTES);

TSecretBytes::~TSecretBytes() {
    if (!FBytes.empty())
        sodium_memzero(FBytes.data(), FBytes.size());
}

TSigningKey TSigningKey::Generate() {
    EnsureSodium();
    TSigningKey Key;
    TPublicKeyBytes Public;
    crypto_sign_keypair(Public.data(), Key.FKey.Data());
    return Key;
}

TSigningKey::TSigningKey(std::span<const uint8_t> Bytes) : FKey(SecretKeyBytes) {
    EnsureSodium();
    if (Bytes.size() != SecretKeyBytes)
        throw ECryptoError(TCryptoErrorKind::Malformed, "a secret key holds 64 bytes");
    // The public half must belong to the seed, or every signature made
    // with it would fail to verify.
    TPublicKeyBytes Public;
    crypto_sign_seed_keypair(Public.data(), FKey.Data(), Bytes.data());
    if (!std::equal(Public.begin(), Public.end(), Bytes.begin() + 32))
        throw ECryptoError(TCryptoErrorKind::Malformed,
                           "the secret key is damaged (its two halves do not belong together)");
}

TSignatureBytes TSigningKey::Sign(std::span<const uint8_t> Message) const {
    TSignatureBytes Signature;
    crypto_sign_detached(Signature.data(), nullptr, Message.data(), Message.size(), FKey.Data());
    return Signature;
}

TPublicKeyBytes TSigningKey::PublicKey() const {
    TPublicKeyBytes Public;
    crypto_sign_ed25519_sk_to_pk(Public.data(), FKey.Data());
    return Public;
}

bool VerifySignature(const TPublicKeyBytes& Key, const TSignatureBytes& Signature,
                     std::span<const uint8_t> Message) {
    EnsureSodium();
    return crypto_sign_verify_detached(Signature.data(), Message.data(), Message.size(),
                                       Key.data()) == 0;
}

void RandomBytes(std::span<uint8_t> Out) {
    EnsureSodium();
    randombytes_buf(Out.data(), Out.size());
}

} // namespace quillon
