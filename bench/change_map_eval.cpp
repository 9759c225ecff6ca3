// The change map's evaluation: for a signed photo and a suspect, the tile
// tables of both (tiles cut as the signer cuts them) and, per tile, whether
// its digest differs and how far its fingerprint moved. One line a tile:
//   column row differs move
// after a first line "W H T" (or "size W H" when the suspect has other
// dimensions). scripts/evaluate-change-maps reads it.
#include "codec/jpeg/jpeg_render.h"
#include "engine/change_map.h"
#include "engine/tile_tables.h"

#include <cstdio>
#include <cstring>
#include <exception>

using namespace quillon;

int main(int Argc, char** Argv) {
    if (Argc != 3) {
        std::fprintf(stderr, "usage: change_map_eval SIGNED.jpg SUSPECT.jpg\n");
        return 2;
    }
    try {
        const TTileTables Signed = TileTablesOf(RenderJpegFile(Argv[1]));
        const TRenderedImage Suspect = RenderJpegFile(Argv[2]);
        if (static_cast<uint32_t>(Suspect.Width) != Signed.Width ||
            static_cast<uint32_t>(Suspect.Height) != Signed.Height) {
            std::printf("size %d %d\n", Suspect.Width, Suspect.Height);
            return 0;
        }
        const TTileTables Now = TileTablesOf(Suspect, Signed.TileSize);
        std::printf("%u %u %u\n", Signed.Width, Signed.Height, Signed.TileSize);
        for (size_t I = 0; I < Signed.TileCount(); ++I) {
            const bool Differs = std::memcmp(Signed.Digests.data() + I * Signed.DigestBytes,
                                             Now.Digests.data() + I * Now.DigestBytes,
                                             Signed.DigestBytes) != 0;
            std::printf("%zu %zu %d %d %d %d\n", I % Signed.Columns(), I / Signed.Columns(),
                        Differs ? 1 : 0, FingerprintMove(Signed, Now, I), Signed.Detail[I],
                        Now.Detail[I]);
        }
    } catch (const std::exception& E) {
        std::fprintf(stderr, "change_map_eval: %s\n", E.what());
        return 1;
    }
    return 0;
}
