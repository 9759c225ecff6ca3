#include "tile_tables.h"

#include "crypto/pixel_digest.h"

namespace quillon {

TTileTables TileTablesOf(const TRenderedImage& Image, uint32_t TileSize, size_t DigestBytes) {
    TTileTables T;
    T.Width = static_cast<uint32_t>(Image.Width);
    T.Height = static_cast<uint32_t>(Image.Height);
    T.TileSize = TileSize != 0 ? TileSize : ChooseTileSize(T.Width, T.Height);
    T.DigestBytes = DigestBytes;
    TPixelDigestFeed Feed(T.Width, T.Height, T.TileSize);
    for (int32_t Y = 0; Y < Image.Height; ++Y)
        Feed.AddRow(Image.Row(Y));
    T.Digests = Feed.ShortTileDigests(DigestBytes);
    T.Fingerprints = Feed.MeanYCbCr();
    T.Detail = Feed.TileDetail();
    return T;
}

} // namespace quillon
