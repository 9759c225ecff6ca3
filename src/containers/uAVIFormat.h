// The chunk structure of a RIFF file: a read-only stream that walks every
// chunk and list header from offset 0 into one flat list in file order.
#pragma once

#include "containers/byte_order.h"
#include "platform/file_stream.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// A four-character code as the little-endian number its four bytes spell.
constexpr uint32_t FourCC(const char (&Code)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(Code[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(Code[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(Code[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(Code[3])) << 24;
}

inline constexpr uint32_t RiffID = FourCC("RIFF");
inline constexpr uint32_t ListID = FourCC("LIST");
inline constexpr uint32_t JunkID = FourCC("JUNK");

// The numbers are kept decoded; Bytes() gives them back as they lie in the file.
struct TChunkHeader {
    uint32_t ID = 0;
    uint32_t Size = 0;
    std::array<uint8_t, 8> Bytes() const {
        std::array<uint8_t, 8> B;
        StoreLE32(B.data(), ID);
        StoreLE32(B.data() + 4, Size);
        return B;
    }
};

struct TListHeader {
    uint32_t ID = 0;
    uint32_t Size = 0; // counts the form type
    uint32_t FormType = 0;
    std::array<uint8_t, 12> Bytes() const {
        std::array<uint8_t, 12> B;
        StoreLE32(B.data(), ID);
        StoreLE32(B.data() + 4, Size);
        StoreLE32(B.data() + 8, FormType);
        return B;
    }
};

struct TChunkItem {
    uint32_t Position = 0; // low 32 bits of the header's offset
    bool IsList = false;
    std::optional<TChunkHeader> ChunkHeader;
    std::optional<TListHeader> ListHeader;
    int32_t Level = 0;
    TChunkItem* Next = nullptr;

    void SetNext(TChunkItem* Item) { Next = Item; }
    uint32_t ID() const { return IsList ? ListHeader->ID : ChunkHeader->ID; }
    uint32_t Size() const { return IsList ? ListHeader->Size : ChunkHeader->Size; }
};

// Size of a payload with the pad byte that follows an odd one, in 32-bit arithmetic.
constexpr uint32_t PadSize(uint32_t Size) {
    return Size + (Size & 1u);
}

// How much a walk keeps and tells. Either way it reads the same headers in
// the same order: the bounds of the open lists decide only each header's
// Level and the position lines.
enum class TWalkDetail {
    Flat,      // no Level (every node has the starting one), no lines: fixed memory
    Levels,    // the open lists on the current path, for the Level of each node
    Positions, // Levels, and a "--------- position" line for each step
};

class TAVIStream : public TFileStream {
  public:
    // Opens an existing file for reading; raises EFileError when it cannot.
    // With VisibleSize, the walk sees the file as if it ended there.
    explicit TAVIStream(const std::string& FileName, int64_t VisibleSize = -1);
    // Walks a file that is open already (one being written, that may have
    // no name yet); TakeBack hands it back, after which nothing else may be
    // called.
    TAVIStream(TFileStream&& File, int64_t VisibleSize);
    TFileStream TakeBack() { return std::move(static_cast<TFileStream&>(*this)); }
    ~TAVIStream() override;

    // Walks from the current position until this level ends at Bound (an
    // unsigned 32-bit offset) and returns the first node of the list, or none.
    // Callers make one call, right after opening, with Level 0 and Bound 0xFFFFFFFF.
    // The list holds every header of the file: for files of any size the
    // walk below keeps none.
    TChunkItem* ReadChunks(int32_t Level, uint32_t Bound);
    // Reads one header at the current position and appends its node; none at
    // the end of the file.
    TChunkItem* ReadChunk(int32_t Level);

    TChunkItem* First() const { return FFirst; }
    TChunkItem* Last() const { return FLast; }

    // The same walk as ReadChunks, without the list: StartWalk, then
    // NextChunk until it gives none (each node, whose Next is none, stays
    // valid until the following call), or NextChunks, which fills up to
    // Count nodes at a time and gives fewer only at the end of the walk.
    void StartWalk(int32_t Level, uint32_t Bound, TWalkDetail Detail);
    const TChunkItem* NextChunk();
    size_t NextChunks(TChunkItem* Items, size_t Count);

  private:
    struct TOpenList {
        int32_t Level;
        uint32_t Bound;
    };
    bool ReadHeaderAt(int32_t Level, TChunkItem& Item);
    bool ReadHeaderOutsideWindow(int32_t Level, TChunkItem& Item);
    static void FillItem(const uint8_t* Header, uint32_t Position, int32_t Level, TChunkItem& Item);
    TChunkItem* Append(const TChunkItem& Item);
    bool StepWithLevels(TChunkItem& Item);
    bool StepFlat(TChunkItem& Item);
    size_t FlatRunInWindow(TChunkItem* Items, size_t Count);
    size_t ReadAhead(void* Buffer, size_t Count);
    void DebugPosition(uint32_t Bound) const;

    TChunkItem* FFirst = nullptr;
    TChunkItem* FLast = nullptr;
    std::deque<TChunkItem> FItems; // stable addresses, freed with the stream

    // The walk under way.
    TWalkDetail FDetail = TWalkDetail::Flat;
    std::vector<TOpenList> FOpen; // Levels and Positions: the open lists, innermost last
    uint32_t FOuterBound = 0;     // Flat: where the outermost level ends
    bool FWalkOver = true;
    TChunkItem FCurrent;

    // Headers are small and close together: they are served from a window
    // of the file so a walk costs a read per window rather than per header.
    // The window grows while the headers lie close together (a file of
    // empty chunks is read in large blocks) and shrinks again at a jump
    // over a payload.
    int64_t FPos = 0;
    std::vector<uint8_t> FWindow;
    size_t FWindowWanted = 0;
    int64_t FWindowStart = 0;
    size_t FWindowLength = 0;
    bool FWindowReachesEnd = false;
    int64_t FVisibleSize = -1; // below 0: the whole file
};

} // namespace quillon
