// Walking a JPEG header area one marker segment at a time, as the comment
// reader and the comment inserter both do. Reads are buffered but behave as
// single-byte reads: a byte that is not there raises EFileError at the very
// point where it was wanted.
#pragma once

#include "platform/file_stream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quillon {

class TJpegByteReader {
  public:
    explicit TJpegByteReader(TFileStream& Stream);
    // Over a stream in memory, which must outlive the reader; Name stands
    // for it in messages.
    TJpegByteReader(const uint8_t* Data, size_t Size, std::string Name);

    // Raises EFileError at the end of the file.
    uint8_t ReadByte() {
        if (FPos == FLen && !Fill())
            RaiseEndOfFile();
        return FBuffer[FPos++];
    }
    bool AtEnd() { return FPos == FLen && !Fill(); }
    // The file's name, or the name given to the stream in memory.
    const std::string& Name() const { return FName; }
    // Appends Count bytes to Out, or as many as remain before the end of the file.
    void ReadUpTo(std::string& Out, size_t Count);
    // Bytes from the current position to the end of the file.
    int64_t Remaining() const;
    // Reads exactly Count bytes (Count = Remaining() in practice) into Out.
    void ReadExactly(uint8_t* Out, size_t Count);

  private:
    bool Fill();
    [[noreturn]] void RaiseEndOfFile() const;

    TFileStream* FStream = nullptr; // none for a stream in memory
    std::string FName;
    std::unique_ptr<uint8_t[]> FOwnBuffer;
    const uint8_t* FBuffer = nullptr;
    size_t FPos = 0;
    size_t FLen = 0;
};

// One segment as the header walk sees it: 0xFF, the marker, a big-endian
// length counting itself, the payload.
struct TJpegSegment {
    uint8_t Marker = 0;
    uint8_t LengthHigh = 0;
    uint8_t LengthLow = 0;
    std::string Payload; // may be shorter than the length says at the end of the file

    uint16_t Length() const { return static_cast<uint16_t>(LengthHigh << 8 | LengthLow); }
};

// Passes over bytes up to and including the next 0xFF, then reads the marker,
// the length and the payload (length - 2 bytes, none when the length is below
// 2). Raises EFileError when the file ends before the marker and both length
// bytes are in.
TJpegSegment ReadNextSegment(TJpegByteReader& Reader);

inline constexpr uint8_t MarkerCOM = 0xFE;
inline constexpr uint8_t MarkerSOS = 0xDA;

} // namespace quillon
