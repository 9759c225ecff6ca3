// Chroma upsampling of one sample row as the reference decoder does it.
#pragma once

#include <cstdint>

namespace quillon {

// Half resolution across, full down, for InWidth > 2: writes 2 * InWidth
// samples, triangle-filtered, the first and last copied.
void UpsampleH2V1Fancy(const uint8_t* In, int InWidth, uint8_t* Out);

// Half resolution both ways, for InWidth > 2: one output row from the
// nearer input row and the farther one (above for the upper output row,
// below for the lower). Writes 2 * InWidth samples.
void UpsampleH2V2Fancy(const uint8_t* Near, const uint8_t* Far, int InWidth, uint8_t* Out);

// Every other whole-number ratio, and the two above at widths of 2 or less:
// each sample repeated Factor times across, OutWidth samples in all.
void UpsampleReplicate(const uint8_t* In, int Factor, int OutWidth, uint8_t* Out);

} // namespace quillon
