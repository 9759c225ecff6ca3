#include "jpeg_input.h"

#include <algorithm>

#include "platform/byte_meter.h"
#include "platform/file_stream.h"

namespace quillon {

namespace {

// The pieces the library is handed from memory; their size changes nothing
// in what it decodes.
constexpr size_t MemoryPiece = 4096;
// Large enough that the reads cost little next to the decoding.
constexpr size_t FilePiece = 64 << 10;

class TMemoryReader final : public TPieceReader {
  public:
    TMemoryReader(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}
    const uint8_t* Next(size_t& Size) override {
        Size = std::min(MemoryPiece, FSize - FOffset);
        const uint8_t* Piece = FData + FOffset;
        FOffset += Size;
        return Piece;
    }
    uint64_t Size() const override { return FSize; }

  private:
    const uint8_t* FData;
    size_t FSize;
    size_t FOffset = 0;
};

class TFileReader final : public TPieceReader {
  public:
    TFileReader(const std::string& Path, TByteMeter* Meter)
        : FFile(Path, TFileMode::OpenRead), FSize(static_cast<uint64_t>(FFile.Size())),
          FBuffer(std::make_unique_for_overwrite<uint8_t[]>(FilePiece)), FMeter(Meter) {}
    const uint8_t* Next(size_t& Size) override {
        Size = FFile.Read(FBuffer.get(), FilePiece);
        if (FMeter)
            FMeter->Add(Size);
        return FBuffer.get();
    }
    uint64_t Size() const override { return FSize; }

  private:
    TFileStream FFile;
    uint64_t FSize;
    std::unique_ptr<uint8_t[]> FBuffer;
    TByteMeter* FMeter;
};

} // namespace

TJpegInput TJpegInput::Memory(const uint8_t* Data, size_t Size) {
    TJpegInput Input;
    Input.FData = Data;
    Input.FSize = Size;
    return Input;
}

TJpegInput TJpegInput::File(std::string Path) {
    TJpegInput Input;
    Input.FPath = std::move(Path);
    return Input;
}

std::unique_ptr<TPieceReader> TJpegInput::Open(TByteMeter* Meter) const {
    if (FPath.empty())
        return std::make_unique<TMemoryReader>(FData, FSize);
    return std::make_unique<TFileReader>(FPath, Meter);
}

} // namespace quillon
