// The keyed checksum over spans longer than the step's 16-bit count, and
// the register's advance over a run of zero bytes, which lets a checksum of
// data read early be joined to a register that is known only later.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// Same register as feeding Data in pieces of at most 65535 bytes.
void FeedCRC32(const void* Data, size_t Len, uint32_t& CRC);

// The register after Count zero bytes, starting from CRC. With no inversions
// the step is linear, so feeding D from R equals
// AdvanceCRC32OverZeros(R, |D|) ^ (D fed from 0).
uint32_t AdvanceCRC32OverZeros(uint32_t CRC, uint64_t Count);

} // namespace quillon
