#include "strong_photo.h"

namespace quillon {

namespace {

// How many tiles differ between the tag's short digests and the rows seen.
size_t ChangedTiles(const TEntryTable& Signed, const TPixelDigestFeed& Pixels) {
    const std::vector<uint8_t> Now = Pixels.ShortTileDigests(Signed.EntryBytes);
    size_t Changed = 0;
    for (size_t I = 0; I * Signed.EntryBytes < Now.size(); ++I) {
        const std::span<const uint8_t> A = Signed.Entry(I);
        if (!std::equal(A.begin(), A.end(), Now.begin() + static_cast<ptrdiff_t>(I * Signed.EntryBytes)))
            ++Changed;
    }
    return Changed;
}

} // namespace

std::vector<uint8_t> SignedPhotoTag(const TPixelDigestFeed& Pixels, uint32_t Width,
                                    uint32_t Height, uint32_t TileSize,
                                    std::span<const uint8_t> File, const TStrongSigner& Signer) {
    TStrongTag Tag;
    Tag.Kind = TMediaKind::Jpeg;
    Tag.SignedAt = Signer.SignedAt;
    Tag.Pixels = TPixelsSection{Width, Height, TileSize, Pixels.PixelDigest()};
    Tag.FileBytes = TFileBytesSection{File.size(), Blake2b256(File)};
    Tag.TileDigests =
        TEntryTable{0, WrittenDigestPrefixBytes, Pixels.ShortTileDigests(WrittenDigestPrefixBytes)};
    // Mean colour and detail: the kind the change maps' evaluation chose.
    Tag.TileFingerprints = TEntryTable{FingerprintMeanYCbCrDetail, 4, Pixels.MeanYCbCrDetail()};
    return SignStrongTag(Tag, *Signer.Key);
}

TDigestBytes DigestWithoutSegment(std::span<const uint8_t> File, const TTagSpot& Spot) {
    const uint64_t End = std::min<uint64_t>(File.size(), Spot.Offset + Spot.Length);
    TBlake2b Digest;
    Digest.Update(File.first(static_cast<size_t>(Spot.Offset)));
    Digest.Update(File.subspan(static_cast<size_t>(End)));
    return Digest.Finish256();
}

void JudgePhoto(TCheckedTag& Checked, const TRenderedPhoto& Photo) {
    TStrongVerdict& V = Checked.Verdict;
    const TStrongTag& Tag = *Checked.Tag;
    if (Photo.Pixels == nullptr) {
        V.Class = TStrongClass::Changed;
        V.Detail = Photo.SizeProblem;
        return;
    }
    const bool PixelsSame = Photo.Pixels->PixelDigest() == Tag.Pixels->Digest;
    const bool BytesSame =
        Photo.FileLength == Tag.FileBytes->Length && Photo.FileDigest == Tag.FileBytes->Digest;
    if (PixelsSame) {
        V.Class = BytesSame ? TStrongClass::Original : TStrongClass::PixelsOriginal;
        if (!BytesSame)
            V.Detail = Photo.FileLength == Tag.FileBytes->Length
                           ? "metadata or other segments changed"
                           : "metadata or other segments changed (" +
                                 std::to_string(Tag.FileBytes->Length) + " bytes signed, " +
                                 std::to_string(Photo.FileLength) + " now)";
        return;
    }
    V.Class = TStrongClass::Changed;
    if (Tag.TileDigests) {
        const size_t Tiles = ChangedTiles(*Tag.TileDigests, *Photo.Pixels);
        V.Detail = std::to_string(Tiles) + " of " + std::to_string(TileCount(*Tag.Pixels)) +
                   " tiles of " + std::to_string(Tag.Pixels->TileSize) + " pixels differ";
    } else {
        V.Detail = "the pixels differ";
    }
}

} // namespace quillon
