#include "avi_signature.h"

#include "CRC32.h"
#include "containers/byte_order.h"
#include "containers/uAVIFormat.h"
#include "crc32_extend.h"
#include "platform/debug_output.h"

#include <cstring>

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

void FeedChunkHeaders(TAVIStream& Stream, uint32_t& CRC, bool Trace) {
    for (const TChunkItem* Item = Stream.ReadChunks(0, 0xFFFFFFFFu); Item; Item = Item->Next) {
        if (Item->IsList) {
            if (Item->ListHeader->ID == RiffID)
                continue;
            const auto Header = Item->ListHeader->Bytes();
            UpdateCRC32(Header.data(), Header.size(), CRC);
            if (Trace)
                DebugOutputF("L:%.8X (%d)", Item->ListHeader->ID,
                             static_cast<int32_t>(Item->ListHeader->Size));
        } else {
            if (Item->ChunkHeader->ID == JunkID)
                continue;
            const auto Header = Item->ChunkHeader->Bytes();
            UpdateCRC32(Header.data(), Header.size(), CRC);
            if (Trace)
                DebugOutputF("C:%.8X (%d)", Item->ChunkHeader->ID,
                             static_cast<int32_t>(Item->ChunkHeader->Size));
        }
    }
}

} // namespace quillon
