// Digests through libsodium: BLAKE2b (the strong signatures' digest, the
// faster of the two here: bench/digest_bench) and SHA-256 (what other
// tools print for files). Both take their input in pieces of any size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quillon {

inline constexpr size_t DigestBytes = 32;
using TDigestBytes = std::array<uint8_t, DigestBytes>;
using TDigest512 = std::array<uint8_t, 64>;

// BLAKE2b with an output of 1 to 64 bytes, unkeyed.
class TBlake2b {
  public:
    explicit TBlake2b(size_t OutputBytes = DigestBytes);
    ~TBlake2b();
    TBlake2b(TBlake2b&&) noexcept;
    TBlake2b& operator=(TBlake2b&&) noexcept;
    TBlake2b(const TBlake2b&) = delete;
    TBlake2b& operator=(const TBlake2b&) = delete;

    void Update(const void* Data, size_t Size);
    void Update(std::span<const uint8_t> Bytes) { Update(Bytes.data(), Bytes.size()); }
    // Writes the digest (Out.size() must be the output size given at the
    // start); the object is spent afterwards.
    void Finish(std::span<uint8_t> Out);
    TDigestBytes Finish256();
    TDigest512 Finish512();

  private:
    struct TState;
    std::unique_ptr<TState> FState;
    size_t FOutputBytes;
};

class TSha256 {
  public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Update(const void* Data, size_t Size);
    TDigestBytes Finish();

  private:
    struct TState;
    std::unique_ptr<TState> FState;
};

TDigestBytes Blake2b256(std::span<const uint8_t> Bytes);
TDigestBytes Sha256(std::span<const uint8_t> Bytes);
// BLAKE2b-512 of a whole file, read in large blocks. Raises EFileError.
TDigest512 Blake2b512OfFile(const std::string& Path);

// The first EntryBytes of each digest, one after the other (the maps'
// entries).
std::vector<uint8_t> DigestPrefixes(const std::vector<TDigestBytes>& Digests, size_t EntryBytes);

// Lower-case hexadecimal.
std::string HexText(std::span<const uint8_t> Bytes);

} // namespace quillon
