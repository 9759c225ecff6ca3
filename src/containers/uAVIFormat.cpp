#include "uAVIFormat.h"

#include "containers/byte_order.h"
#include "platform/debug_output.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

// The window starts small, as a walk over a movie jumps from header to
// header over large payloads, and doubles while the headers lie within one
// window's reach of each other.
constexpr size_t SmallWindow = 4096;
constexpr size_t LargeWindow = 1 << 20;

} // namespace

TAVIStream::TAVIStream(const std::string& FileName, int64_t VisibleSize)
    : TFileStream(FileName, TFileMode::OpenRead), FWindowWanted(SmallWindow),
      FVisibleSize(VisibleSize) {}

TAVIStream::TAVIStream(TFileStream&& File, int64_t VisibleSize)
    : TFileStream(std::move(File)), FWindowWanted(SmallWindow), FVisibleSize(VisibleSize) {
    Seek(0);
}

TAVIStream::~TAVIStream() = default;

// Reads at FPos and moves FPos past what arrived, like a read of the file
// itself: a short read leaves FPos at the end of the file.
size_t TAVIStream::ReadAhead(void* Buffer, size_t Count) {
    const int64_t WindowEnd = FWindowStart + static_cast<int64_t>(FWindowLength);
    const bool Covered = FPos >= FWindowStart && FPos + static_cast<int64_t>(Count) <= WindowEnd;
    // When the window already holds everything up to the end of the file,
    // a read there needs no system call (every enclosing level retries one).
    const bool EndKnown = FWindowReachesEnd && FPos >= FWindowStart;
    if (!Covered && !EndKnown) {
        const bool Dense = FWindowLength > 0 && FPos >= FWindowStart &&
                           FPos - WindowEnd < static_cast<int64_t>(FWindowWanted);
        FWindowWanted = Dense ? std::min(2 * FWindowWanted, LargeWindow) : SmallWindow;
        if (FWindow.size() < FWindowWanted)
            FWindow.resize(FWindowWanted);
        Seek(FPos);
        FWindowStart = FPos;
        size_t Want = FWindowWanted;
        if (FVisibleSize >= 0)
            Want = static_cast<size_t>(
                std::clamp<int64_t>(FVisibleSize - FPos, 0, static_cast<int64_t>(Want)));
        FWindowLength = Want > 0 ? Read(FWindow.data(), Want) : 0;
        FWindowReachesEnd = FWindowLength < FWindowWanted;
    }
    const int64_t End = FWindowStart + static_cast<int64_t>(FWindowLength);
    const size_t Got = FPos < End ? std::min(Count, static_cast<size_t>(End - FPos)) : 0;
    if (Got > 0) {
        std::memcpy(Buffer, FWindow.data() + (FPos - FWindowStart), Got);
        FPos += static_cast<int64_t>(Got);
    }
    return Got;
}

void TAVIStream::DebugPosition(uint32_t Bound) const {
    DebugOutputF("--------- position:%lld, %d", static_cast<long long>(FPos),
                 static_cast<int32_t>(Bound));
}

namespace {

bool IsListID(uint32_t ID) {
    return ID == RiffID || ID == ListID;
}

} // namespace

bool TAVIStream::ReadHeaderOutsideWindow(int32_t Level, TChunkItem& Item) {
    uint8_t Header[12] = {}; // form-type bytes cut off by the end of the file stay zero
    const uint32_t P = static_cast<uint32_t>(FPos);
    if (ReadAhead(Header, 8) < 8)
        return false;
    if (IsListID(LoadLE32(Header)))
        ReadAhead(Header + 8, 4);
    FillItem(Header, P, Level, Item);
    return true;
}

// Most headers lie inside the window whole: they are read where they are,
// with no call on the way, as a walk may meet half a billion of them.
inline bool TAVIStream::ReadHeaderAt(int32_t Level, TChunkItem& Item) {
    const int64_t InWindow = FPos - FWindowStart;
    if (InWindow < 0 || InWindow + 12 > static_cast<int64_t>(FWindowLength))
        return ReadHeaderOutsideWindow(Level, Item);
    const uint8_t* Header = FWindow.data() + InWindow;
    const uint32_t P = static_cast<uint32_t>(FPos);
    FPos += IsListID(LoadLE32(Header)) ? 12 : 8;
    FillItem(Header, P, Level, Item);
    return true;
}

inline void TAVIStream::FillItem(const uint8_t* Header, uint32_t P, int32_t Level,
                                 TChunkItem& Item) {
    if (IsListID(LoadLE32(Header))) {
        Item.IsList = true;
        Item.ListHeader = TListHeader{LoadLE32(Header), LoadLE32(Header + 4), LoadLE32(Header + 8)};
        Item.ChunkHeader.reset();
    } else {
        Item.IsList = false;
        Item.ChunkHeader = TChunkHeader{LoadLE32(Header), LoadLE32(Header + 4)};
        Item.ListHeader.reset();
    }
    Item.Position = P;
    Item.Level = Level;
    Item.Next = nullptr;
}

TChunkItem* TAVIStream::Append(const TChunkItem& Item) {
    TChunkItem& Node = FItems.emplace_back(Item);
    if (FLast)
        FLast->SetNext(&Node);
    FLast = &Node;
    return &Node;
}

TChunkItem* TAVIStream::ReadChunk(int32_t Level) {
    FPos = Position();
    TChunkItem Item;
    const bool Read = ReadHeaderAt(Level, Item);
    Seek(FPos);
    return Read ? Append(Item) : nullptr;
}

TChunkItem* TAVIStream::ReadChunks(int32_t Level, uint32_t Bound) {
    StartWalk(Level, Bound, TWalkDetail::Positions);
    while (const TChunkItem* Item = NextChunk()) {
        TChunkItem* Node = Append(*Item);
        if (!FFirst)
            FFirst = Node;
    }
    Seek(FPos);
    return FFirst;
}

void TAVIStream::StartWalk(int32_t Level, uint32_t Bound, TWalkDetail Detail) {
    FPos = Position();
    // Lines nobody reads are not formed: a walk may meet half a billion headers.
    FDetail =
        Detail == TWalkDetail::Positions && !DebugOutputWanted() ? TWalkDetail::Levels : Detail;
    FOpen.clear();
    FOpen.push_back({Level, Bound});
    FOuterBound = Bound;
    FWalkOver = false;
}

const TChunkItem* TAVIStream::NextChunk() {
    return NextChunks(&FCurrent, 1) == 1 ? &FCurrent : nullptr;
}

size_t TAVIStream::NextChunks(TChunkItem* Items, size_t Count) {
    size_t N = 0;
    if (FDetail == TWalkDetail::Flat) {
        while (N < Count && !FWalkOver) {
            N += FlatRunInWindow(Items + N, Count - N);
            if (N < Count && StepFlat(Items[N]))
                ++N;
            else
                break;
        }
    } else {
        while (N < Count && !FWalkOver && StepWithLevels(Items[N]))
            ++N;
    }
    if (N < Count)
        FWalkOver = true;
    return N;
}

// Nested lists are walked with an explicit stack of their ends instead of by
// recursion, so any depth a file holds is walked. Each pass of the loop is
// one pass of the recursive walk's loop at the level on top, so the levels,
// the nodes and the position lines come out the same, including the extra
// line and failed read of every enclosing level after the end of file.
bool TAVIStream::StepWithLevels(TChunkItem& Item) {
    while (!FOpen.empty()) {
        const TOpenList Top = FOpen.back();
        if (FDetail == TWalkDetail::Positions)
            DebugPosition(Top.Bound);
        if (FPos >= static_cast<int64_t>(Top.Bound) || !ReadHeaderAt(Top.Level, Item)) {
            FOpen.pop_back();
            continue;
        }
        const uint32_t End = Item.Position + 8u + PadSize(Item.Size());
        if (Item.IsList)
            FOpen.push_back({Top.Level + 1, End});
        else if (End <= Item.Position)
            // A size that wraps the next header back onto or before this one
            // would read the same headers forever: the whole walk ends here.
            FOpen.clear();
        else
            FPos = End;
        return true;
    }
    return false;
}

// StepFlat over the headers that lie whole inside the window, with the
// walk's state in locals: a file of empty chunks holds a header every 8
// bytes, and this loop is what reading it costs. Stops at the first header
// that is not whole in the window, or at the walk's end, for StepFlat.
size_t TAVIStream::FlatRunInWindow(TChunkItem* Items, size_t Count) {
    int64_t Pos = FPos;
    uint32_t Bound = FOuterBound;
    const int64_t WindowStart = FWindowStart;
    const int64_t WindowEnd = FWindowStart + static_cast<int64_t>(FWindowLength);
    const uint8_t* const Window = FWindow.data();
    const int32_t Level = FOpen.back().Level;
    size_t N = 0;
    while (N < Count && Pos < static_cast<int64_t>(Bound) && Pos >= WindowStart &&
           Pos + 12 <= WindowEnd) {
        const uint8_t* Header = Window + (Pos - WindowStart);
        TChunkItem& Item = Items[N++];
        const auto P = static_cast<uint32_t>(Pos);
        FillItem(Header, P, Level, Item);
        const uint32_t End = P + 8u + PadSize(LoadLE32(Header + 4));
        if (Item.IsList) {
            Pos += 12;
            Bound = std::max(Bound, End);
        } else if (End <= P) {
            Pos += 8;
            Bound = 0;
        } else {
            Pos = End;
        }
    }
    FPos = Pos;
    FOuterBound = Bound;
    return N;
}

// The walk above reads a header at the current position exactly while some
// open list (the outermost level included) ends beyond it. The position
// only grows, and a list closes only once the position has reached its end,
// so that holds exactly while the position lies before the furthest end of
// any list met so far: no stack is needed for the headers alone.
bool TAVIStream::StepFlat(TChunkItem& Item) {
    if (FPos >= static_cast<int64_t>(FOuterBound) || !ReadHeaderAt(FOpen.back().Level, Item))
        return false;
    const uint32_t End = Item.Position + 8u + PadSize(Item.Size());
    if (Item.IsList) {
        FOuterBound = std::max(FOuterBound, End);
    } else if (End <= Item.Position) {
        FOuterBound = 0; // as above: the walk ends after this header
    } else {
        FPos = End;
    }
    return true;
}

} // namespace quillon
