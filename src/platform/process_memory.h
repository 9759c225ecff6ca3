// Memory use of the running process, for benchmarks and diagnostics.
#pragma once

#include <cstdint>

namespace quillon {

// The largest resident set the process has had so far, in bytes.
int64_t PeakResidentBytes();

} // namespace quillon
