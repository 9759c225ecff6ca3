// The AVI signature: the 20-byte trailer appended to a signed file and the
// header pass that feeds the chunk structure into the keyed checksum.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillon {

class TAVIStream;

inline constexpr uint32_t KVWMMagic = 0x4B56574Du; // the bytes "MWVK" in a file
inline constexpr size_t SignTrailerSize = 20;

// Every field is a little-endian 32-bit number in the file.
struct TSignTrailer {
    uint32_t ID = 0;
    uint32_t Size = 0;
    uint32_t Magic = 0;
    uint32_t HeaderCRC = 0;
    uint32_t FileCRC = 0;

    static TSignTrailer Make(uint32_t HeaderCRC, uint32_t FileCRC);
    static TSignTrailer FromBytes(const std::array<uint8_t, SignTrailerSize>& Bytes);
    std::array<uint8_t, SignTrailerSize> Bytes() const;
    // "JUNK" with the magic; the Size field is not looked at.
    bool HasSignature() const;
};
static_assert(sizeof(TSignTrailer) == SignTrailerSize);

// Walks the stream from its position and feeds the header of every list but
// "RIFF" (12 bytes) and every chunk but "JUNK" (8 bytes), in file order.
// With Trace, each fed header writes its "L:"/"C:" debugger line, after all
// of the walk's position lines. Keeps no header: fixed memory when no
// debugger output is wanted, else the open lists of the current path.
void FeedChunkHeaders(TAVIStream& Stream, uint32_t& CRC, bool Trace);

// The register after the magic and the site code's characters.
uint32_t KeyedCRCStart(const char* SiteCode);

} // namespace quillon
