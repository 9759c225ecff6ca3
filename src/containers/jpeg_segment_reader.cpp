#include "jpeg_segment_reader.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {
// Header areas are small; the buffer only saves system calls.
constexpr size_t BufferSize = 16 * 1024;
} // namespace

TJpegByteReader::TJpegByteReader(TFileStream& Stream)
    : FStream(Stream), FBuffer(std::make_unique_for_overwrite<uint8_t[]>(BufferSize)) {}

bool TJpegByteReader::Fill() {
    FPos = 0;
    FLen = FStream.Read(FBuffer.get(), BufferSize);
    return FLen > 0;
}

void TJpegByteReader::RaiseEndOfFile() const {
    throw EFileError("Stream read error on file \"" + FStream.FileName() + "\"",
                     TFileErrorKind::EndOfFile);
}

void TJpegByteReader::ReadUpTo(std::string& Out, size_t Count) {
    while (Count > 0) {
        if (FPos == FLen && !Fill())
            return;
        const size_t Take = std::min(Count, FLen - FPos);
        Out.append(reinterpret_cast<const char*>(FBuffer.get() + FPos), Take);
        FPos += Take;
        Count -= Take;
    }
}

int64_t TJpegByteReader::Remaining() const {
    return static_cast<int64_t>(FLen - FPos) +
           std::max<int64_t>(0, FStream.Size() - FStream.Position());
}

void TJpegByteReader::ReadExactly(uint8_t* Out, size_t Count) {
    const size_t FromBuffer = std::min(Count, FLen - FPos);
    std::memcpy(Out, FBuffer.get() + FPos, FromBuffer);
    FPos += FromBuffer;
    if (Count > FromBuffer)
        FStream.ReadBuffer(Out + FromBuffer, Count - FromBuffer);
}

TJpegSegment ReadNextSegment(TJpegByteReader& Reader) {
    while (Reader.ReadByte() != 0xFF) {
    }
    TJpegSegment Seg;
    Seg.Marker = Reader.ReadByte();
    Seg.LengthHigh = Reader.ReadByte();
    Seg.LengthLow = Reader.ReadByte();
    const int Count = static_cast<int>(Seg.Length()) - 2;
    Reader.ReadUpTo(Seg.Payload, Count > 0 ? static_cast<size_t>(Count) : 0);
    return Seg;
}

} // namespace quillon
