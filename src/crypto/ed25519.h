// Ed25519 signatures, random bytes, and memory that is wiped when freed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillon {

inline constexpr size_t PublicKeyBytes = 32;
inline constexpr size_t SecretKeyBytes = 64; // the seed, then the public key
inline constexpr size_t SignatureBytes = 64;

using TPublicKeyBytes = std::array<uint8_t, PublicKeyBytes>;
using TSignatureBytes = std::array<uint8_t, SignatureBytes>;

// Bytes that are wiped when the buffer goes: secret keys, key streams,
// passphrases.
class TSecretBytes {
  public:
    explicit TSecretBytes(size_t Size = 0) : FBytes(Size) {}
    ~TSecretBytes();
    TSecretBytes(const TSecretBytes&) = default;
    TSecretBytes& operator=(const TSecretBytes&) = default;
    TSecretBytes(TSecretBytes&&) noexcept = default;
    TSecretBytes& operator=(TSecretBytes&&) noexcept = default;

    uint8_t* Data() { return FBytes.data(); }
    const uint8_t* Data() const { return FBytes.data(); }
    size_t Size() const { return FBytes.size(); }
    uint8_t& operator[](size_t I) { return FBytes[I]; }
    uint8_t operator[](size_t I) const { return FBytes[I]; }
    std::span<uint8_t> Span() { return FBytes; }
    std::span<const uint8_t> Span() const { return FBytes; }

  private:
    std::vector<uint8_t> FBytes;
};

// An Ed25519 secret key (64 bytes: seed and public key).
class TSigningKey {
  public:
    // A new random key.
    static TSigningKey Generate();
    // Raises ECryptoError (Malformed) unless Bytes holds 64 bytes whose
    // second half is the public key of the first.
    explicit TSigningKey(std::span<const uint8_t> Bytes);

    TSignatureBytes Sign(std::span<const uint8_t> Message) const;
    TPublicKeyBytes PublicKey() const;
    std::span<const uint8_t> Bytes() const { return FKey.Span(); }

  private:
    TSigningKey() : FKey(SecretKeyBytes) {}
    TSecretBytes FKey;
};

bool VerifySignature(const TPublicKeyBytes& Key, const TSignatureBytes& Signature,
                     std::span<const uint8_t> Message);

// Bytes from the system's random source.
void RandomBytes(std::span<uint8_t> Out);

} // namespace quillon
