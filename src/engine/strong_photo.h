// A photo's strong tag: what signing puts in it and what verification
// concludes from it. The rows come from the pass that feeds the keyed
// checksum; the file bytes are the signed copy as it is written.
#pragma once

#include "strong_verdict.h"

#include "crypto/pixel_digest.h"

#include <cstdint>
#include <span>
#include <vector>

namespace quillon {

// The signed body for a photo whose every row went into Pixels and whose
// bytes without the tag segment are File.
std::vector<uint8_t> SignedPhotoTag(const TPixelDigestFeed& Pixels, uint32_t Width,
                                    uint32_t Height, uint32_t TileSize,
                                    std::span<const uint8_t> File, const TStrongSigner& Signer);

// BLAKE2b-256 of File with the segment at Spot left out.
TDigestBytes DigestWithoutSegment(std::span<const uint8_t> File, const TTagSpot& Spot);

// What the rendering gave, for a tag that passed the common steps.
struct TRenderedPhoto {
    const TPixelDigestFeed* Pixels = nullptr; // complete, or nothing
    std::string SizeProblem;                  // why Pixels is missing
    TDigestBytes FileDigest{};
    uint64_t FileLength = 0;
};
// Sets Checked.Verdict's class: original, pixels original, or changed, with
// what changed where the tag's maps tell it.
void JudgePhoto(TCheckedTag& Checked, const TRenderedPhoto& Photo);

} // namespace quillon
