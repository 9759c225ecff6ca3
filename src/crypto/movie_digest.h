// The movie digest of a movie's tag: the signed bytes (offset 0 up to the
// tag) are cut into blocks of a fixed size; each block is digested on its
// own, and the movie digest is the digest of the signed length, the block
// size and every block digest in order. Blocks can thus be digested on
// several threads, and the same pass yields the change map's block digests.
#pragma once

#include "digest.h"

#include <cstdint>
#include <span>
#include <vector>

namespace quillon {

// The block size a writer picks: the smallest power of two from 256 KiB on
// that cuts the signed bytes into at most MaxBlocks blocks.
inline constexpr uint64_t MaxBlocks = 4096;
uint32_t ChooseBlockSize(uint64_t SignedLength);

TDigestBytes MovieDigestOfBlocks(uint64_t SignedLength, uint32_t BlockSize,
                                 const std::vector<TDigestBytes>& Blocks);

// Takes the signed bytes in order, in pieces of any size.
class TMovieDigestFeed {
  public:
    TMovieDigestFeed(uint64_t SignedLength, uint32_t BlockSize);

    // Bytes beyond the signed length raise std::logic_error.
    void Add(std::span<const uint8_t> Bytes);
    bool Complete() const { return FSeen == FLength; }
    uint64_t Seen() const { return FSeen; }

    // These need every signed byte (std::logic_error otherwise).
    TDigestBytes MovieDigest() const;
    const std::vector<TDigestBytes>& BlockDigests() const;
    std::vector<uint8_t> ShortBlockDigests(size_t EntryBytes) const;

  private:
    void RequireComplete() const;

    uint64_t FLength;
    uint32_t FBlockSize;
    uint64_t FSeen = 0;
    TBlake2b FOpen;
    std::vector<TDigestBytes> FBlocks;
};

} // namespace quillon
