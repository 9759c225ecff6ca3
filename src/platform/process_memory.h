// Memory use of the running process, for benchmarks and diagnostics, and
// the machine's memory, for the limits derived from it.
#pragma once

#include <cstdint>

namespace quillon {

// The largest resident set the process has had so far, in bytes.
int64_t PeakResidentBytes();
// The machine's physical memory in bytes; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();

} // namespace quillon
