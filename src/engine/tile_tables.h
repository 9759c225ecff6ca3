// The tile tables of a rendered photo, as a tag stores them: the first
// bytes of every tile's digest and its mean Y, Cb, Cr.
#pragma once

#include "change_map.h"
#include "codec/jpeg/jpeg_render.h"

namespace quillon {

inline constexpr size_t TagTileDigestBytes = 8;

// Tiles of TileSize (0: the size a signer picks for the image).
TTileTables TileTablesOf(const TRenderedImage& Image, uint32_t TileSize = 0,
                         size_t DigestBytes = TagTileDigestBytes);

} // namespace quillon
