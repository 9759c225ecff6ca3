#include "avi_signature.h"

#include "CRC32.h"
#include "containers/byte_order.h"
#include "containers/uAVIFormat.h"
#include "crc32_extend.h"
#include "platform/debug_output.h"

#include <cstring>
#include <vector>

namespace quillon {

TSignTrailer TSignTrailer::Make(uint32_t HeaderCRC, uint32_t FileCRC) {
    return TSignTrailer{JunkID, 12, KVWMMagic, HeaderCRC, FileCRC};
}

TSignTrailer TSignTrailer::FromBytes(const std::array<uint8_t, SignTrailerSize>& Bytes) {
    return TSignTrailer{LoadLE32(&Bytes[0]), LoadLE32(&Bytes[4]), LoadLE32(&Bytes[8]),
                        LoadLE32(&Bytes[12]), LoadLE32(&Bytes[16])};
}

std::array<uint8_t, SignTrailerSize> TSignTrailer::Bytes() const {
    std::array<uint8_t, SignTrailerSize> B;
    StoreLE32(&B[0], ID);
    StoreLE32(&B[4], Size);
    StoreLE32(&B[8], Magic);
    StoreLE32(&B[12], HeaderCRC);
    StoreLE32(&B[16], FileCRC);
    return B;
}

bool TSignTrailer::HasSignature() const {
    return ID == JunkID && Magic == KVWMMagic;
}

uint32_t KeyedCRCStart(const char* SiteCode) {
    uint32_t CRC = KVWMMagic;
    FeedCRC32(SiteCode, std::strlen(SiteCode), CRC);
    return CRC;
}

namespace {

// Headers gathered into one buffer and fed in large pieces: a file of empty
// chunks has a header every 8 bytes, and a call per header would cost more
// than the checksum itself.
class THeaderFeed {
  public:
    explicit THeaderFeed(uint32_t& CRC) : FCRC(CRC), FBuffer(Capacity) {}
    ~THeaderFeed() { Flush(); }
    THeaderFeed(const THeaderFeed&) = delete;
    THeaderFeed& operator=(const THeaderFeed&) = delete;

    void Add(const TChunkHeader& Header) {
        uint8_t* To = Room(8);
        StoreLE32(To, Header.ID);
        StoreLE32(To + 4, Header.Size);
    }
    void Add(const TListHeader& Header) {
        uint8_t* To = Room(12);
        StoreLE32(To, Header.ID);
        StoreLE32(To + 4, Header.Size);
        StoreLE32(To + 8, Header.FormType);
    }
    void Flush() {
        FeedCRC32(FBuffer.data(), FSize, FCRC);
        FSize = 0;
    }

  private:
    uint8_t* Room(size_t Count) {
        if (FSize + Count > Capacity)
            Flush();
        uint8_t* At = FBuffer.data() + FSize;
        FSize += Count;
        return At;
    }
    static constexpr size_t Capacity = 60 << 10;
    uint32_t& FCRC;
    std::vector<uint8_t> FBuffer;
    size_t FSize = 0;
};

} // namespace

void FeedChunkHeaders(TAVIStream& Stream, uint32_t& CRC, bool Trace) {
    constexpr uint32_t Unbounded = 0xFFFFFFFFu;
    const bool Lines = DebugOutputWanted();
    const bool HeaderLines = Trace && Lines;
    TWalkDetail Detail = Lines ? TWalkDetail::Positions : TWalkDetail::Flat;
    if (HeaderLines) {
        // The walk's position lines all come before the fed headers' lines,
        // as from a walk that lists every header first; two walks keep that
        // order without the list.
        const int64_t Start = Stream.Position();
        Stream.StartWalk(0, Unbounded, TWalkDetail::Positions);
        while (Stream.NextChunk()) {
        }
        Stream.Seek(Start);
        Detail = TWalkDetail::Flat;
    }
    THeaderFeed Feed(CRC);
    Stream.StartWalk(0, Unbounded, Detail);
    std::vector<TChunkItem> Items(256);
    while (const size_t Count = Stream.NextChunks(Items.data(), Items.size())) {
        for (size_t I = 0; I < Count; ++I) {
            const TChunkItem& Item = Items[I];
            if (Item.IsList) {
                if (Item.ListHeader->ID == RiffID)
                    continue;
                Feed.Add(*Item.ListHeader);
                if (HeaderLines)
                    DebugOutputF("L:%.8X (%d)", Item.ListHeader->ID,
                                 static_cast<int32_t>(Item.ListHeader->Size));
            } else {
                if (Item.ChunkHeader->ID == JunkID)
                    continue;
                Feed.Add(*Item.ChunkHeader);
                if (HeaderLines)
                    DebugOutputF("C:%.8X (%d)", Item.ChunkHeader->ID,
                                 static_cast<int32_t>(Item.ChunkHeader->Size));
            }
        }
    }
}

} // namespace quillon
