#include "CRC32.h"

#include <libdeflate.h>

namespace quillon {

static_assert(CRC32Table[1] == 0x77073096u && CRC32Table[128] == 0xEDB88320u &&
              CRC32Table[255] == 0x2D02EF8Du);

void UpdateCRC32(const void* Data, uint16_t Len, uint32_t& CRC) {
    if (Len == 0)
        return;
    // libdeflate computes the same reflected CRC (with carry-less multiplication
    // where the processor has it) but inverts the register on the way in and
    // out; undoing both leaves the bare table step.
    CRC = ~libdeflate_crc32(~CRC, Data, Len);
}

} // namespace quillon
