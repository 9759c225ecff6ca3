// The passphrase key derivation of secret key files: scrypt (Salsa20/8,
// SHA-256), whose output is laid over the secret part of the key.
#pragma once

#include "ed25519.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace quillon {

inline constexpr size_t KdfSaltBytes = 32;

struct TKdfLimits {
    uint64_t OpsLimit = 0;
    uint64_t MemLimit = 0; // bytes
};

// What key files are written with: the library's "sensitive" limits
// (about 1 GiB of memory and a few seconds), as other tools of the format use.
TKdfLimits KeyFileKdfLimits();
// The lowest the library accepts: for tests only, never for real keys.
TKdfLimits WeakestKdfLimits();

// Length bytes derived from the passphrase and salt. Raises ECryptoError
// (Failure) when the memory cannot be had, (Malformed) for limits beyond
// what a key file may ask of this machine.
TSecretBytes DeriveKeyStream(std::string_view Passphrase, std::span<const uint8_t> Salt,
                             const TKdfLimits& Limits, size_t Length);

} // namespace quillon
