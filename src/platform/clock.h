// Time sources.
#pragma once

#include <cstdint>

namespace quillon {

// Low 32 bits of the high-resolution counter (a seed for pseudo-random names).
uint32_t HighResolutionCounterLow32();

} // namespace quillon
