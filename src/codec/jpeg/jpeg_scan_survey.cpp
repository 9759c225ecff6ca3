#include "jpeg_scan_survey.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

constexpr uint8_t MarkerSOI = 0xD8, MarkerEOI = 0xD9, MarkerSOS = 0xDA, MarkerTEM = 0x01;

bool IsRestart(uint8_t Marker) {
    return Marker >= 0xD0 && Marker <= 0xD7;
}

// The stream one byte at a time, with a fast search for the next 0xFF.
class TByteCursor {
  public:
    explicit TByteCursor(TPieceReader& Reader) : FReader(Reader) {}

    // The next byte, or -1 at the end of the stream.
    int Next() {
        if (FPos == FSize && !Fill())
            return -1;
        return FPiece[FPos++];
    }
    // Passes over bytes up to and including the next 0xFF; false at the end.
    bool PassNextFF() {
        for (;;) {
            if (FPos == FSize && !Fill())
                return false;
            const void* FF = std::memchr(FPiece + FPos, 0xFF, FSize - FPos);
            if (FF) {
                FPos = static_cast<size_t>(static_cast<const uint8_t*>(FF) - FPiece) + 1;
                return true;
            }
            FPos = FSize;
        }
    }
    // Passes over Count bytes; false when the stream ends first.
    bool Skip(size_t Count) {
        while (Count > 0) {
            if (FPos == FSize && !Fill())
                return false;
            const size_t Step = std::min(Count, FSize - FPos);
            FPos += Step;
            Count -= Step;
        }
        return true;
    }

  private:
    bool Fill() {
        FPiece = FReader.Next(FSize);
        FPos = 0;
        return FSize > 0;
    }
    TPieceReader& FReader;
    const uint8_t* FPiece = nullptr;
    size_t FSize = 0;
    size_t FPos = 0;
};

// The marker code after the next 0xFF (fill bytes passed over), or -1.
int NextMarker(TByteCursor& Bytes) {
    if (!Bytes.PassNextFF())
        return -1;
    int Marker;
    do
        Marker = Bytes.Next();
    while (Marker == 0xFF);
    return Marker;
}

// Past a scan's coded data: the marker that ends it (stuffed zeros and
// restart markers belong to the data), or -1.
int MarkerAfterScanData(TByteCursor& Bytes) {
    for (;;) {
        const int Marker = NextMarker(Bytes);
        if (Marker < 0 || (Marker != 0x00 && !IsRestart(static_cast<uint8_t>(Marker))))
            return Marker;
    }
}

// A big-endian segment length, or -1 at the end of the stream.
int SegmentLength(TByteCursor& Bytes) {
    const int High = Bytes.Next();
    const int Low = High < 0 ? -1 : Bytes.Next();
    return Low < 0 ? -1 : High << 8 | Low;
}

// Reads the rest of a scan header and returns the component pixels it codes,
// or -1 when the stream ends inside it.
int64_t ScanHeaderWork(TByteCursor& Bytes, const jpeg_decompress_struct& Info) {
    const int Length = SegmentLength(Bytes);
    const int Count = Length < 3 ? -1 : Bytes.Next();
    if (Count < 0)
        return -1;
    int64_t Work = 0;
    for (int I = 0; I < Count; ++I) {
        const int Id = Bytes.Next();
        if (Id < 0 || Bytes.Next() < 0)
            return -1;
        for (int Ci = 0; Ci < Info.num_components; ++Ci)
            if (Info.comp_info[Ci].component_id == Id)
                Work += static_cast<int64_t>(ComponentPixels(Info.comp_info[Ci]));
    }
    const int Rest = Length - 3 - 2 * Count;
    if (Rest > 0 && !Bytes.Skip(static_cast<size_t>(Rest)))
        return -1;
    return Work;
}

} // namespace

uint64_t ComponentPixels(const jpeg_component_info& Component) {
    return static_cast<uint64_t>(Component.width_in_blocks) * Component.height_in_blocks * DCTSIZE2;
}

uint64_t FrameComponentPixels(const jpeg_decompress_struct& Info) {
    uint64_t Pixels = 0;
    for (int Ci = 0; Ci < Info.num_components; ++Ci)
        Pixels += ComponentPixels(Info.comp_info[Ci]);
    return Pixels;
}

TScanSurvey SurveyScans(TPieceReader& Reader, const jpeg_decompress_struct& Info,
                        uint64_t StopAfter) {
    TScanSurvey Survey;
    TByteCursor Bytes(Reader);
    int Marker = NextMarker(Bytes);
    while (Marker >= 0 && Marker != MarkerEOI && Survey.Scans <= StopAfter) {
        if (Marker == MarkerSOS) {
            const int64_t Work = ScanHeaderWork(Bytes, Info);
            if (Work < 0)
                break;
            ++Survey.Scans;
            Survey.Work += static_cast<uint64_t>(Work);
            Marker = MarkerAfterScanData(Bytes);
            continue;
        }
        // Markers that stand alone; every other one heads a segment.
        if (Marker != MarkerSOI && Marker != MarkerTEM &&
            !IsRestart(static_cast<uint8_t>(Marker))) {
            const int Length = SegmentLength(Bytes);
            if (Length < 2 || !Bytes.Skip(static_cast<size_t>(Length - 2)))
                break;
        }
        Marker = NextMarker(Bytes);
    }
    return Survey;
}

} // namespace quillon
