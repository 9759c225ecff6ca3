// Memory use of the running process, for benchmarks and diagnostics, and
// the machine's memory, for the limits derived from it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// The largest resident set the process has had so far, in bytes.
int64_t PeakResidentBytes();
// The machine's physical memory in bytes; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();

// Asks the system to back the whole huge pages inside a freshly allocated,
// not yet touched buffer with huge pages, where it offers them. Filling an
// image then takes a few hundred page faults instead of thousands, which
// matters most on virtual machines, where each fault is dear. True when the
// advice was given; small buffers are left as they are.
bool AdviseHugePages(void* Data, size_t Size);

} // namespace quillon
