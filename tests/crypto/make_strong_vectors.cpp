// Writes the strong tag's test vectors into a folder (testdata/strong):
//   quillon_make_strong_vectors FOLDER
// The test key pair must be there already (it is made once, by
// "quillon-cli key new quillon-test-only --no-passphrase"); every vector is
// then the same on each run, since Ed25519 signatures are deterministic.
#include "strong_vector_fields.h"

#include "crypto/key_files.h"
#include "crypto/movie_digest.h"
#include "crypto/pixel_digest.h"

#include <fstream>
#include <iostream>

using namespace quillon;

namespace {

void Write(const std::string& Path, const std::vector<uint8_t>& Bytes) {
    std::ofstream(Path, std::ios::binary)
        .write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
}

void WriteText(const std::string& Path, const std::string& Text) {
    std::ofstream(Path, std::ios::binary) << Text;
}

// A photo of 80 x 40 pixels whose sample is a plain function of its place.
TStrongTag PhotoTag() {
    const uint32_t W = 80, H = 40;
    TPixelDigestFeed Feed(W, H, 64);
    std::vector<uint8_t> Row(W * 3);
    for (uint32_t Y = 0; Y < H; ++Y) {
        for (uint32_t X = 0; X < W; ++X) {
            Row[X * 3] = static_cast<uint8_t>(X * 3);
            Row[X * 3 + 1] = static_cast<uint8_t>(Y * 5);
            Row[X * 3 + 2] = static_cast<uint8_t>(X + Y);
        }
        Feed.AddRow(Row.data());
    }
    TStrongTag T;
    T.Kind = TMediaKind::Jpeg;
    T.SignedAt = 1765324800;
    T.Pixels = TPixelsSection{W, H, 64, Feed.PixelDigest()};
    const std::string FileText = "the bytes of the photo without its tag";
    T.FileBytes = TFileBytesSection{FileText.size(),
                                    Blake2b256({reinterpret_cast<const uint8_t*>(FileText.data()),
                                                FileText.size()})};
    T.TileDigests = TEntryTable{0, 8, Feed.ShortTileDigests(8)};
    T.TileFingerprints = TEntryTable{FingerprintMeanYCbCr, 3, Feed.MeanYCbCr()};
    return T;
}

// A "movie" of 600000 bytes of a plain pattern, in blocks of 256 KiB.
TStrongTag MovieTag() {
    const uint64_t Length = 600000;
    TMovieDigestFeed Feed(Length, ChooseBlockSize(Length));
    std::vector<uint8_t> Bytes(Length);
    for (size_t I = 0; I < Length; ++I)
        Bytes[I] = static_cast<uint8_t>(I * 7 + I / 251);
    Feed.Add(Bytes);
    TStrongTag T;
    T.Kind = TMediaKind::Avi;
    T.SignedAt = 1765324800;
    T.MovieBytes = TMovieBytesSection{Length, ChooseBlockSize(Length), Feed.MovieDigest()};
    T.BlockDigests = TEntryTable{0, 8, Feed.ShortBlockDigests(8)};
    T.MovieLayout = TMovieLayoutSection{
        2048, 590000, {TStreamEntry{{'v', 'i', 'd', 's'}, {'M', 'J', 'P', 'G'}, 1, 25, 0, 250, 0, 250}}};
    return T;
}

} // namespace

int main(int Argc, char** Argv) {
    if (Argc != 2) {
        std::cerr << "usage: quillon_make_strong_vectors FOLDER\n";
        return 2;
    }
    const std::string Dir = std::string(Argv[1]) + "/";
    const TSecretKey Key = ReadSecretKeyFile(Dir + "quillon-test-only.key", {});
    for (auto [Name, Tag] : {std::pair{"photo", PhotoTag()}, std::pair{"movie", MovieTag()}}) {
        const std::vector<uint8_t> Body = SignStrongTag(Tag, Key);
        Write(Dir + Name + ".tag", Body);
        WriteText(Dir + Name + ".fields", test::TagFieldsText(Tag));
        std::vector<uint8_t> V = Body;
        V.back() ^= 0x01;
        Write(Dir + Name + "-forged-signature.tag", V);
        V = Body;
        V.resize(V.size() - 1);
        Write(Dir + Name + "-cut.tag", V);
        V = Body;
        V[4] = 2;
        Write(Dir + Name + "-version-2.tag", V);
        V = Body;
        V[5] ^= 3; // the other kind of file
        Write(Dir + Name + "-other-kind.tag", V);
        V = Body;
        V[24 + 4] ^= 0x01; // the first section's length
        Write(Dir + Name + "-section-length.tag", V);
        V = Body;
        V[TagHeaderBytes + SectionHeaderBytes + 1] ^= 0x10; // a field of the first section
        Write(Dir + Name + "-changed-field.tag", V);
    }
    std::cout << "vectors written to " << Dir << '\n';
    return 0;
}
