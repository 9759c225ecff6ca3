#include "uAVIFormat.h"

#include "containers/byte_order.h"
#include "platform/debug_output.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

constexpr size_t WindowSize = 4096;

struct TLevel {
    int32_t Level;
    uint32_t Bound;
};

} // namespace

std::array<uint8_t, 8> TChunkHeader::Bytes() const {
    std::array<uint8_t, 8> B;
    StoreLE32(B.data(), ID);
    StoreLE32(B.data() + 4, Size);
    return B;
}

std::array<uint8_t, 12> TListHeader::Bytes() const {
    std::array<uint8_t, 12> B;
    StoreLE32(B.data(), ID);
    StoreLE32(B.data() + 4, Size);
    StoreLE32(B.data() + 8, FormType);
    return B;
}

TAVIStream::TAVIStream(const std::string& FileName, int64_t VisibleSize)
    : TFileStream(FileName, TFileMode::OpenRead), FWindow(WindowSize), FVisibleSize(VisibleSize) {}

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
        Seek(FPos);
        FWindowStart = FPos;
        size_t Want = FWindow.size();
        if (FVisibleSize >= 0)
            Want = static_cast<size_t>(
                std::clamp<int64_t>(FVisibleSize - FPos, 0, static_cast<int64_t>(Want)));
        FWindowLength = Want > 0 ? Read(FWindow.data(), Want) : 0;
        FWindowReachesEnd = FWindowLength < FWindow.size();
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

TChunkItem* TAVIStream::ReadChunkAt(int32_t Level) {
    const uint32_t P = static_cast<uint32_t>(FPos);
    uint8_t Header[12] = {}; // form-type bytes cut off by the end of the file stay zero
    if (ReadAhead(Header, 8) < 8)
        return nullptr;
    TChunkItem& Item = FItems.emplace_back();
    const uint32_t ID = LoadLE32(Header);
    if (ID == RiffID || ID == ListID) {
        ReadAhead(Header + 8, 4);
        Item.IsList = true;
        Item.ListHeader = TListHeader{ID, LoadLE32(Header + 4), LoadLE32(Header + 8)};
    } else {
        Item.ChunkHeader = TChunkHeader{ID, LoadLE32(Header + 4)};
    }
    Item.Position = P;
    Item.Level = Level;
    if (FLast)
        FLast->SetNext(&Item);
    FLast = &Item;
    return &Item;
}

TChunkItem* TAVIStream::ReadChunk(int32_t Level) {
    FPos = Position();
    TChunkItem* Item = ReadChunkAt(Level);
    Seek(FPos);
    return Item;
}

// Nested lists are walked with an explicit stack of their ends instead of by
// recursion, so any depth a file holds is walked. Each pass of the loop is
// one pass of the recursive walk's loop at the level on top, so the levels,
// the node list and the position lines come out the same, including the
// extra line and failed read of every enclosing level after the end of file.
TChunkItem* TAVIStream::ReadChunks(int32_t Level, uint32_t Bound) {
    FPos = Position();
    std::vector<TLevel> Levels{{Level, Bound}};
    while (!Levels.empty()) {
        const TLevel Top = Levels.back();
        DebugPosition(Top.Bound);
        if (FPos >= static_cast<int64_t>(Top.Bound)) {
            Levels.pop_back();
            continue;
        }
        TChunkItem* Item = ReadChunkAt(Top.Level);
        if (!Item) {
            Levels.pop_back();
            continue;
        }
        if (!FFirst)
            FFirst = Item;
        const uint32_t End = Item->Position + 8u + PadSize(Item->Size());
        if (Item->IsList) {
            Levels.push_back({Top.Level + 1, End});
            continue;
        }
        // A size that wraps the next header back onto or before this one
        // would read the same headers forever: the whole walk ends here.
        if (End <= Item->Position)
            break;
        FPos = End;
    }
    Seek(FPos);
    return FFirst;
}

} // namespace quillon
