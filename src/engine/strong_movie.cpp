#include "strong_movie.h"

#include "containers/strong_tag_place.h"

#include <stdexcept>

namespace quillon {

namespace {

TStrongTag MovieTag(uint64_t SignedLength, uint32_t BlockSize, const TDigestBytes& Digest,
                    std::vector<uint8_t> ShortBlocks, int64_t SignedAt) {
    TStrongTag Tag;
    Tag.Kind = TMediaKind::Avi;
    Tag.SignedAt = SignedAt;
    Tag.MovieBytes = TMovieBytesSection{SignedLength, BlockSize, Digest};
    Tag.BlockDigests = TEntryTable{0, WrittenDigestPrefixBytes, std::move(ShortBlocks)};
    return Tag;
}

} // namespace

uint64_t MovieTagChunkBytes(uint64_t SignedLength, const TSecretKey& Key) {
    const uint32_t BlockSize = ChooseBlockSize(SignedLength);
    const uint64_t Blocks = (SignedLength + BlockSize - 1) / BlockSize;
    // A body of the same shape has the same size whatever its digests.
    TStrongTag Tag = MovieTag(SignedLength, BlockSize, TDigestBytes{},
                              std::vector<uint8_t>(Blocks * WrittenDigestPrefixBytes), 0);
    return AviTagChunkBytes(SignStrongTag(Tag, Key).size());
}

std::vector<uint8_t> SignedMovieTag(const TMovieDigestFeed& Feed, uint64_t SignedLength,
                                    const TStrongSigner& Signer) {
    TStrongTag Tag = MovieTag(SignedLength, ChooseBlockSize(SignedLength), Feed.MovieDigest(),
                              Feed.ShortBlockDigests(WrittenDigestPrefixBytes), Signer.SignedAt);
    return SignStrongTag(Tag, *Signer.Key);
}

void TMovieDigestSink::Add(uint64_t At, std::span<const uint8_t> Bytes) {
    if (At >= FLength || Bytes.empty())
        return;
    if (At != FFeed.Seen())
        throw std::logic_error("the movie digest is fed out of order");
    FFeed.Add(Bytes.first(static_cast<size_t>(std::min<uint64_t>(Bytes.size(), FLength - At))));
}

void JudgeMovie(TCheckedTag& Checked, const TMovieDigestFeed* Feed, uint64_t FoundLength) {
    TStrongVerdict& V = Checked.Verdict;
    const TMovieBytesSection& Signed = *Checked.Tag->MovieBytes;
    V.Class = TStrongClass::Changed;
    if (FoundLength != Signed.SignedLength) {
        V.Detail = "the movie was cut or lengthened: " + std::to_string(Signed.SignedLength) +
                   " bytes signed, " + std::to_string(FoundLength) + " in front of the tag now";
        return;
    }
    if (Feed->MovieDigest() == Signed.Digest) {
        V.Class = TStrongClass::Original;
        return;
    }
    if (Checked.Tag->BlockDigests) {
        const TEntryTable& Table = *Checked.Tag->BlockDigests;
        const std::vector<uint8_t> Now = Feed->ShortBlockDigests(Table.EntryBytes);
        for (size_t I = 0; I * Table.EntryBytes < Now.size(); ++I) {
            const std::span<const uint8_t> A = Table.Entry(I);
            if (!std::equal(A.begin(), A.end(),
                            Now.begin() + static_cast<ptrdiff_t>(I * Table.EntryBytes))) {
                V.Detail = "the first changed block starts at byte " +
                           std::to_string(uint64_t{I} * Signed.BlockSize);
                return;
            }
        }
    }
    V.Detail = "the movie's bytes differ";
}

} // namespace quillon
