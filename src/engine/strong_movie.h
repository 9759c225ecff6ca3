// A movie's strong tag: its size, known before the copy starts (it follows
// from the signed length alone), the signed body, and the verdict. The
// movie digest is fed from the buffers of the keyed checksum's byte pass.
#pragma once

#include "strong_verdict.h"

#include "crypto/movie_digest.h"

#include <cstdint>
#include <span>
#include <vector>

namespace quillon {

// The bytes of the tag chunk for SignedLength bytes signed by Key.
uint64_t MovieTagChunkBytes(uint64_t SignedLength, const TSecretKey& Key);
// The signed body for a movie whose signed bytes all went into Feed.
std::vector<uint8_t> SignedMovieTag(const TMovieDigestFeed& Feed, uint64_t SignedLength,
                                    const TStrongSigner& Signer);

// Hands a window of the file (from offset At) on to a movie digest, cut
// at the signed length.
class TMovieDigestSink {
  public:
    TMovieDigestSink(TMovieDigestFeed& Feed, uint64_t SignedLength)
        : FFeed(Feed), FLength(SignedLength) {}
    // Bytes at offsets At.. of the file; they must follow what was fed.
    void Add(uint64_t At, std::span<const uint8_t> Bytes);

  private:
    TMovieDigestFeed& FFeed;
    uint64_t FLength;
};

// Sets Checked.Verdict's class from the digest of the bytes found in front
// of the tag (Feed, complete, or nothing when FoundLength differs from the
// signed length).
void JudgeMovie(TCheckedTag& Checked, const TMovieDigestFeed* Feed, uint64_t FoundLength);

} // namespace quillon
