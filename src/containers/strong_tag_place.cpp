#include "strong_tag_place.h"

#include "byte_order.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace quillon {

namespace {

// One segment of the header area as the comment reader sees it.
struct TSegmentAt {
    uint64_t Offset = 0; // of its 0xFF
    uint8_t Marker = 0;
    uint64_t PayloadAt = 0;
    uint64_t PayloadLength = 0; // as the length says (may run past the end)
};

// Calls Visit for each segment from offset 2 on until it returns false, the
// scan reaches SOS, or the file ends.
template <class TVisit> void WalkHeaderArea(std::span<const uint8_t> File, TVisit Visit) {
    uint64_t Pos = 2;
    for (;;) {
        while (Pos < File.size() && File[Pos] != 0xFF)
            ++Pos;
        if (Pos + 4 > File.size())
            return;
        TSegmentAt S;
        S.Offset = Pos;
        S.Marker = File[Pos + 1];
        const int Length = File[Pos + 2] << 8 | File[Pos + 3];
        S.PayloadAt = Pos + 4;
        S.PayloadLength = Length > 2 ? static_cast<uint64_t>(Length - 2) : 0;
        if (!Visit(S) || S.Marker == 0xDA)
            return;
        Pos = S.PayloadAt + S.PayloadLength;
        if (Pos >= File.size())
            return;
    }
}

} // namespace

TTagSpot FindJpegTag(std::span<const uint8_t> File) {
    TTagSpot Spot;
    WalkHeaderArea(File, [&](const TSegmentAt& S) {
        if (S.Marker != MarkerStrongTag)
            return true;
        const uint64_t Have = std::min<uint64_t>(S.PayloadLength, File.size() - S.PayloadAt);
        const std::span<const uint8_t> Payload = File.subspan(S.PayloadAt, Have);
        const size_t IdBytes = JpegTagIdentifier.size();
        if (Payload.size() < IdBytes ||
            std::memcmp(Payload.data(), JpegTagIdentifier.data(), IdBytes) != 0)
            return true;
        Spot.Offset = S.Offset;
        Spot.Length = 4 + S.PayloadLength;
        if (Have < S.PayloadLength) {
            Spot.State = TTagSpot::Damaged;
            Spot.Reason = "the tag is cut short by the end of the file";
            return false;
        }
        Spot.State = TTagSpot::Present;
        Spot.Body.assign(Payload.begin() + static_cast<ptrdiff_t>(IdBytes), Payload.end());
        return false;
    });
    return Spot;
}

bool JpegHeaderAreaWithin(std::span<const uint8_t> Prefix) {
    bool ReachedScan = false;
    WalkHeaderArea(Prefix, [&](const TSegmentAt& S) {
        ReachedScan = S.Marker == 0xDA;
        return true;
    });
    return ReachedScan;
}

std::optional<uint64_t> JpegTagInsertOffset(std::span<const uint8_t> File) {
    std::optional<uint64_t> Found;
    WalkHeaderArea(File, [&](const TSegmentAt& S) {
        if ((S.Marker & 0xF0) == 0xC0) {
            Found = S.Offset;
            return false;
        }
        return true;
    });
    return Found;
}

std::vector<uint8_t> JpegTagSegment(std::span<const uint8_t> Body) {
    if (Body.size() > MaxJpegTagBody)
        throw std::length_error("the tag does not fit one JPEG segment");
    const size_t Length = 2 + JpegTagIdentifier.size() + Body.size();
    std::vector<uint8_t> Segment(2 + Length);
    Segment[0] = 0xFF;
    Segment[1] = MarkerStrongTag;
    Segment[2] = static_cast<uint8_t>(Length >> 8);
    Segment[3] = static_cast<uint8_t>(Length);
    std::memcpy(Segment.data() + 4, JpegTagIdentifier.data(), JpegTagIdentifier.size());
    std::copy(Body.begin(), Body.end(), Segment.begin() + 4 + JpegTagIdentifier.size());
    return Segment;
}

std::vector<uint8_t> InsertJpegTag(std::span<const uint8_t> File, std::span<const uint8_t> Body) {
    if (FindJpegTag(File).State != TTagSpot::Absent)
        throw EFileError("the photo carries a strong tag already");
    const std::optional<uint64_t> At = JpegTagInsertOffset(File);
    if (!At)
        throw EFileError("the photo has no frame header ahead of its scan to put a tag in front of");
    const std::vector<uint8_t> Segment = JpegTagSegment(Body);
    std::vector<uint8_t> Out(File.begin(), File.begin() + static_cast<ptrdiff_t>(*At));
    Out.insert(Out.end(), Segment.begin(), Segment.end());
    Out.insert(Out.end(), File.begin() + static_cast<ptrdiff_t>(*At), File.end());
    return Out;
}

std::vector<uint8_t> WithoutSegment(std::span<const uint8_t> File, const TTagSpot& Spot) {
    const uint64_t End = std::min<uint64_t>(File.size(), Spot.Offset + Spot.Length);
    std::vector<uint8_t> Out(File.begin(), File.begin() + static_cast<ptrdiff_t>(Spot.Offset));
    Out.insert(Out.end(), File.begin() + static_cast<ptrdiff_t>(End), File.end());
    return Out;
}

uint64_t AviTagChunkBytes(size_t BodyBytes) {
    return 8 + BodyBytes + (BodyBytes & 1) + AviTagFooterBytes;
}

std::vector<uint8_t> AviTagChunk(std::span<const uint8_t> Body) {
    const uint64_t Total = AviTagChunkBytes(Body.size());
    if (Total > UINT32_MAX)
        throw std::length_error("the tag does not fit a chunk");
    std::vector<uint8_t> Chunk(static_cast<size_t>(Total), 0);
    std::memcpy(Chunk.data(), AviTagChunkId, 4);
    StoreLE32(Chunk.data() + 4, static_cast<uint32_t>(Total - 8));
    std::copy(Body.begin(), Body.end(), Chunk.begin() + 8);
    uint8_t* Footer = Chunk.data() + Total - AviTagFooterBytes;
    StoreLE32(Footer, static_cast<uint32_t>(Body.size()));
    std::memcpy(Footer + 4, AviTagChunkId, 4);
    return Chunk;
}

uint32_t RiffSizeWithTag(uint32_t SourceRiffSize, uint64_t TagChunkBytes) {
    return static_cast<uint32_t>(SourceRiffSize + TagChunkBytes + AviTrailerBytes);
}

TTagSpot FindAviTag(TFileStream& File) {
    TTagSpot Spot;
    const int64_t Size = File.Size();
    const auto Damaged = [&Spot](std::string Why) {
        Spot.State = TTagSpot::Damaged;
        Spot.Reason = std::move(Why);
        return Spot;
    };
    if (Size < static_cast<int64_t>(AviTrailerBytes + AviTagFooterBytes + 8))
        return Spot;
    uint8_t Footer[AviTagFooterBytes];
    File.Seek(Size - static_cast<int64_t>(AviTrailerBytes + AviTagFooterBytes));
    File.ReadBuffer(Footer, sizeof Footer);
    if (std::memcmp(Footer + 4, AviTagChunkId, 4) != 0)
        return Spot;
    const uint32_t BodyBytes = LoadLE32(Footer);
    const uint64_t Chunk = AviTagChunkBytes(BodyBytes);
    if (Chunk + AviTrailerBytes > static_cast<uint64_t>(Size))
        return Damaged("the tag's footer names more bytes than the file holds");
    const uint64_t At = static_cast<uint64_t>(Size) - AviTrailerBytes - Chunk;
    uint8_t Header[8];
    File.Seek(static_cast<int64_t>(At));
    File.ReadBuffer(Header, sizeof Header);
    if (std::memcmp(Header, AviTagChunkId, 4) != 0 || LoadLE32(Header + 4) != Chunk - 8)
        return Damaged("the tag's footer does not lead to its chunk header");
    if (BodyBytes > (1u << 20))
        return Damaged("the tag is larger than any tag");
    Spot.Body.resize(BodyBytes);
    File.ReadBuffer(Spot.Body.data(), BodyBytes);
    Spot.State = TTagSpot::Present;
    Spot.Offset = At;
    Spot.Length = Chunk;
    return Spot;
}

} // namespace quillon
