// A JPEG stream's bytes, handed out in pieces: from memory, or read from a
// file a piece at a time, so that decoding never holds a file whole and
// never reads past the end of its image (a signed photo may carry any
// amount of data behind it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quillon {

class TByteMeter;

class TPieceReader {
  public:
    virtual ~TPieceReader() = default;
    // The next piece of the stream, Size 0 at its end; valid until the next call.
    virtual const uint8_t* Next(size_t& Size) = 0;
    // The stream's length in bytes.
    virtual uint64_t Size() const = 0;
};

// Where a stream comes from; every Open starts a reader at its first byte.
class TJpegInput {
  public:
    // Data must outlive every reader.
    static TJpegInput Memory(const uint8_t* Data, size_t Size);
    static TJpegInput File(std::string Path);

    // Raises EFileError when the file cannot be opened. The bytes a file
    // reader reads are added to Meter (none: not counted).
    std::unique_ptr<TPieceReader> Open(TByteMeter* Meter = nullptr) const;

  private:
    const uint8_t* FData = nullptr;
    size_t FSize = 0;
    std::string FPath; // empty: in memory
};

} // namespace quillon
