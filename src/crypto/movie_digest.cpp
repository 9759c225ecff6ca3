#include "movie_digest.h"

#include <algorithm>
#include <stdexcept>

namespace quillon {

uint32_t ChooseBlockSize(uint64_t SignedLength) {
    uint64_t B = uint64_t{256} << 10;
    while ((SignedLength + B - 1) / B > MaxBlocks)
        B *= 2;
    return static_cast<uint32_t>(std::min<uint64_t>(B, uint64_t{1} << 30));
}

TDigestBytes MovieDigestOfBlocks(uint64_t SignedLength, uint32_t BlockSize,
                                 const std::vector<TDigestBytes>& Blocks) {
    TBlake2b H;
    uint8_t Head[12];
    for (int I = 0; I < 8; ++I)
        Head[I] = static_cast<uint8_t>(SignedLength >> (8 * I));
    for (int I = 0; I < 4; ++I)
        Head[8 + I] = static_cast<uint8_t>(BlockSize >> (8 * I));
    H.Update(Head, sizeof Head);
    for (const TDigestBytes& D : Blocks)
        H.Update(D);
    return H.Finish256();
}

TMovieDigestFeed::TMovieDigestFeed(uint64_t SignedLength, uint32_t BlockSize)
    : FLength(SignedLength), FBlockSize(BlockSize) {
    if (BlockSize == 0)
        throw std::invalid_argument("blocks must not be empty");
    FBlocks.reserve((SignedLength + BlockSize - 1) / BlockSize);
}

void TMovieDigestFeed::Add(std::span<const uint8_t> Bytes) {
    if (Bytes.size() > FLength - FSeen)
        throw std::logic_error("more bytes than the signed length");
    while (!Bytes.empty()) {
        const uint64_t InBlock = FSeen % FBlockSize;
        const size_t Take = static_cast<size_t>(std::min<uint64_t>(Bytes.size(), FBlockSize - InBlock));
        FOpen.Update(Bytes.first(Take));
        FSeen += Take;
        Bytes = Bytes.subspan(Take);
        if (FSeen % FBlockSize == 0 || FSeen == FLength) {
            FBlocks.push_back(FOpen.Finish256());
            FOpen = TBlake2b();
        }
    }
}

void TMovieDigestFeed::RequireComplete() const {
    if (!Complete())
        throw std::logic_error("the movie digest needs every signed byte");
}

TDigestBytes TMovieDigestFeed::MovieDigest() const {
    RequireComplete();
    return MovieDigestOfBlocks(FLength, FBlockSize, FBlocks);
}

const std::vector<TDigestBytes>& TMovieDigestFeed::BlockDigests() const {
    RequireComplete();
    return FBlocks;
}

std::vector<uint8_t> TMovieDigestFeed::ShortBlockDigests(size_t EntryBytes) const {
    RequireComplete();
    return DigestPrefixes(FBlocks, EntryBytes);
}

} // namespace quillon
