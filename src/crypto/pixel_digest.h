// The pixel digest of a photo's tag, fed with the rendered rows one at a
// time as verification and signing make them (width x 3 bytes a row, blue,
// green, red, top row first). The image is cut into square tiles; each
// tile's bytes are digested on their own, and the pixel digest is the
// digest of the image size, the tile size and every tile digest in order,
// so the same pass yields the change map's tile digests. The tile
// fingerprints (mean Y, Cb, Cr) come from the same rows.
#pragma once

#include "digest.h"

#include <cstdint>
#include <vector>

namespace quillon {

// The tile size a writer picks: the smallest power of two from 64 on that
// cuts the image into at most MaxTiles tiles.
inline constexpr uint64_t MaxTiles = 3072;
uint32_t ChooseTileSize(uint32_t Width, uint32_t Height);

// The digest over the image size, tile size and full tile digests.
TDigestBytes PixelDigestOfTiles(uint32_t Width, uint32_t Height, uint32_t TileSize,
                                const std::vector<TDigestBytes>& Tiles);

class TPixelDigestFeed {
  public:
    TPixelDigestFeed(uint32_t Width, uint32_t Height, uint32_t TileSize);
    ~TPixelDigestFeed();
    TPixelDigestFeed(const TPixelDigestFeed&) = delete;
    TPixelDigestFeed& operator=(const TPixelDigestFeed&) = delete;

    // One row of Width x 3 bytes; rows beyond Height raise std::logic_error.
    void AddRow(const uint8_t* Row);
    bool Complete() const { return FRowsSeen == FHeight; }

    // These need every row (std::logic_error otherwise).
    TDigestBytes PixelDigest() const;
    const std::vector<TDigestBytes>& TileDigests() const;
    // The first EntryBytes of each tile digest, in order.
    std::vector<uint8_t> ShortTileDigests(size_t EntryBytes) const;
    // Mean Y, Cb, Cr of each tile (JFIF's full-range conversion, rounded).
    std::vector<uint8_t> MeanYCbCr() const;
    // Each tile's detail: the steps of luma (in quarter levels) from each
    // pixel to its left neighbour inside the tile, summed and divided by the
    // tile's pixel count, at most 255. Blurring takes it away, keeping the mean.
    const std::vector<uint8_t>& TileDetail() const;
    // Mean Y, Cb, Cr and the detail of each tile, 4 bytes a tile.
    std::vector<uint8_t> MeanYCbCrDetail() const;

  private:
    void FinishTileRow();
    void RequireComplete() const;

    uint32_t FWidth, FHeight, FTileSize, FColumns;
    uint32_t FRowsSeen = 0;
    std::vector<TBlake2b> FOpen; // one a tile column, for the tile row being fed
    std::vector<uint64_t> FSums; // blue, green, red sums of the open tile row
    std::vector<uint64_t> FSteps; // luma steps of the open tile row
    std::vector<TDigestBytes> FTiles;
    std::vector<uint8_t> FMeans;
    std::vector<uint8_t> FDetail;
};

} // namespace quillon
