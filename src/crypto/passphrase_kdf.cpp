#include "passphrase_kdf.h"

#include "crypto_error.h"
#include "sodium_setup.h"

#include <sodium.h>

namespace quillon {

static_assert(KdfSaltBytes == crypto_pwhash_scryptsalsa208sha256_SALTBYTES);

TKdfLimits KeyFileKdfLimits() {
    return {crypto_pwhash_scryptsalsa208sha256_OPSLIMIT_SENSITIVE,
            crypto_pwhash_scryptsalsa208sha256_MEMLIMIT_SENSITIVE};
}

TKdfLimits WeakestKdfLimits() {
    return {crypto_pwhash_scryptsalsa208sha256_OPSLIMIT_MIN,
            crypto_pwhash_scryptsalsa208sha256_MEMLIMIT_MIN};
}

TSecretBytes DeriveKeyStream(std::string_view Passphrase, std::span<const uint8_t> Salt,
                             const TKdfLimits& Limits, size_t Length) {
    EnsureSodium();
    // A key file names its own cost; a damaged or hostile one must not make
    // this program take more than four times what key files are made with.
    const TKdfLimits Most = KeyFileKdfLimits();
    if (Salt.size() != KdfSaltBytes || Limits.OpsLimit > 4 * Most.OpsLimit ||
        Limits.MemLimit > 4 * Most.MemLimit)
        throw ECryptoError(TCryptoErrorKind::Malformed,
                           "the key file asks for a key derivation beyond any sensible cost");
    TSecretBytes Stream(Length);
    if (crypto_pwhash_scryptsalsa208sha256(Stream.Data(), Length, Passphrase.data(),
                                           Passphrase.size(), Salt.data(), Limits.OpsLimit,
                                           static_cast<size_t>(Limits.MemLimit)) != 0)
        throw ECryptoError(TCryptoErrorKind::Failure,
                           "the key derivation failed (not enough memory?)");
    return Stream;
}

} // namespace quillon
