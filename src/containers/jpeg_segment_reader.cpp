#include "jpeg_segment_reader.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {
// Header areas are small; the buffer only saves system calls.
constexpr size_t BufferSize = 16 * 1024;
} // namespace

TJpegByteReader::TJpegByteReader(TFileStream& Stream)
    : FStream(&Stream), FName(Stream.FileName()),
      FOwnBuffer(std::make_unique_for_overwrite<uint8_t[]>(BufferSize)), FBuffer(FOwnBuffer.get()) {
}

TJpegByteReader::TJpegByteReader(const uint8_t* Data, size_t Size, std::string Name)
    : FName(std::move(Name)), FBuffer(Data), FLen(Size) {}

bool TJpegByteReader::Fill() {
    if (FStream == nullptr)
        return false; // all of a stream in memory is in the buffer from the start
    FPos = 0;
    FLen = FStream->Read(FOwnBuffer.get(), BufferSize);
    return FLen > 0;
}

void TJpegByteReader::RaiseEndOfFile() const {
    throw EFileError("Stream read error on file \"" + FName + "\"", TFileErrorKind::EndOfFile);
}

void TJpegByteReader::ReadUpTo(std::string& Out, size_t Count) {
    while (Count > 0) {
        if (FPos == FLen && !Fill())
            return;
        const size_t Take = std::min(Count, FLen - FPos);
        Out.append(reinterpret_cast<const char*>(FBuffer + FPos), Take);
        FPos += Take;
        Count -= Take;
    }
}

int64_t TJpegByteReader::Remaining() const {
    const int64_t Buffered = static_cast<int64_t>(FLen - FPos);
    if (FStream == nullptr)
        return Buffered;
    return Buffered + std::max<int64_t>(0, FStream->Size() - FStream->Position());
}

void TJpegByteReader::ReadExactly(uint8_t* Out, size_t Count) {
    const size_t FromBuffer = std::min(Count, FLen - FPos);
    if (FromBuffer > 0)
        std::memcpy(Out, FBuffer + FPos, FromBuffer);
    FPos += FromBuffer;
    if (Count == FromBuffer)
        return;
    if (FStream == nullptr)
        RaiseEndOfFile();
    FStream->ReadBuffer(Out + FromBuffer, Count - FromBuffer);
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
