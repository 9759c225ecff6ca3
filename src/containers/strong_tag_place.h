// Where a strong tag lies in a file, and the bytes that put it there.
//
// JPEG: an APP9 segment whose payload starts with the identifier
// "QUILLON-TAG" and a NUL, then the tag body; it stands in front of the
// first marker 0xC0..0xCF, right behind the signature comment. The header
// area is walked as the comment reader walks it.
//
// AVI: a chunk "QTAG" in front of the 20-byte signature trailer. Its
// payload is the body, a zero byte when the body's length is odd, the
// body's length (32 bits, little-endian) and "QTAG" again, so that the
// chunk is found from the end of the file.
#pragma once

#include "platform/file_stream.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

inline constexpr uint8_t MarkerStrongTag = 0xE9; // APP9
inline constexpr std::string_view JpegTagIdentifier{"QUILLON-TAG\0", 12};
// What one JPEG segment can carry after the identifier.
inline constexpr size_t MaxJpegTagBody = 65535 - 2 - JpegTagIdentifier.size();

// What a search for a tag found.
struct TTagSpot {
    enum TState { Absent, Present, Damaged } State = Absent;
    uint64_t Offset = 0; // the segment's 0xFF, or the chunk's header
    uint64_t Length = 0; // the whole segment or chunk
    std::vector<uint8_t> Body;
    std::string Reason; // why a tag is damaged
};

// The first APP9 segment of the header area that starts with the
// identifier. One cut short by the end of the file is Damaged.
TTagSpot FindJpegTag(std::span<const uint8_t> File);
// True when the header area's walk reaches SOS within Prefix (the start of
// a file): a tag that Prefix does not hold is then in no part of the file.
bool JpegHeaderAreaWithin(std::span<const uint8_t> Prefix);
// The offset in front of the first marker 0xC0..0xCF of the header area;
// nothing when SOS or the end comes first.
std::optional<uint64_t> JpegTagInsertOffset(std::span<const uint8_t> File);
// 0xFF 0xE9, the length, the identifier, the body. Raises
// std::length_error for a body over MaxJpegTagBody.
std::vector<uint8_t> JpegTagSegment(std::span<const uint8_t> Body);
// The file with the tag segment in place. Raises EFileError when the file
// has no place for it or carries a tag already.
std::vector<uint8_t> InsertJpegTag(std::span<const uint8_t> File, std::span<const uint8_t> Body);
// The file without the segment at Spot: the bytes the file digest covers.
std::vector<uint8_t> WithoutSegment(std::span<const uint8_t> File, const TTagSpot& Spot);

inline constexpr char AviTagChunkId[4] = {'Q', 'T', 'A', 'G'};
inline constexpr size_t AviTagFooterBytes = 8;
inline constexpr size_t AviTrailerBytes = 20;

uint64_t AviTagChunkBytes(size_t BodyBytes);
std::vector<uint8_t> AviTagChunk(std::span<const uint8_t> Body);
// The RIFF size (offset 4) of a signed file with a tag: the source's value
// grown by the tag chunk and the trailer, modulo 2^32.
uint32_t RiffSizeWithTag(uint32_t SourceRiffSize, uint64_t TagChunkBytes);
// Reads the end of the file: trailer, footer, chunk header. Offset is the
// signed length. A footer that names no sound chunk is Damaged. Raises
// EFileError when the file cannot be read.
TTagSpot FindAviTag(TFileStream& File);

} // namespace quillon
