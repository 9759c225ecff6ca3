#include "strong_vector_fields.h"

#include <sstream>

namespace quillon::test {

std::string TagFieldsText(const TStrongTag& T) {
    std::ostringstream O;
    O << "kind\t" << (T.Kind == TMediaKind::Jpeg ? "jpeg" : "avi") << '\n'
      << "key_id\t" << KeyIdText(T.KeyId) << '\n'
      << "signed_at\t" << T.SignedAt << '\n';
    if (T.Pixels)
        O << "width\t" << T.Pixels->Width << "\nheight\t" << T.Pixels->Height << "\ntile_size\t"
          << T.Pixels->TileSize << "\npixel_digest\t" << HexText(T.Pixels->Digest) << '\n';
    if (T.FileBytes)
        O << "file_length\t" << T.FileBytes->Length << "\nfile_digest\t"
          << HexText(T.FileBytes->Digest) << '\n';
    if (T.TileDigests)
        O << "tile_digest_bytes\t" << T.TileDigests->EntryBytes << "\ntile_digests\t"
          << HexText(T.TileDigests->Data) << '\n';
    if (T.TileFingerprints)
        O << "fingerprint_kind\t" << T.TileFingerprints->Kind << "\nfingerprint_bytes\t"
          << T.TileFingerprints->EntryBytes << "\nfingerprints\t"
          << HexText(T.TileFingerprints->Data) << '\n';
    if (T.MovieBytes)
        O << "signed_length\t" << T.MovieBytes->SignedLength << "\nblock_size\t"
          << T.MovieBytes->BlockSize << "\nmovie_digest\t" << HexText(T.MovieBytes->Digest)
          << '\n';
    if (T.BlockDigests)
        O << "block_digest_bytes\t" << T.BlockDigests->EntryBytes << "\nblock_digests\t"
          << HexText(T.BlockDigests->Data) << '\n';
    if (T.MovieLayout) {
        O << "movi_offset\t" << T.MovieLayout->MoviOffset << "\nmovi_length\t"
          << T.MovieLayout->MoviLength << '\n';
        for (const TStreamEntry& S : T.MovieLayout->Streams)
            O << "stream\t" << std::string(S.Type.data(), 4) << ' '
              << std::string(S.Handler.data(), 4) << " scale=" << S.Scale << " rate=" << S.Rate
              << " start=" << S.Start << " length=" << S.Length << " sample_size=" << S.SampleSize
              << " chunks=" << S.ChunkCount << '\n';
    }
    O << "signature\t" << HexText(T.Signature) << '\n';
    return O.str();
}

} // namespace quillon::test
