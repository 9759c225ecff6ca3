// The tile tables of a rendered photo, as a tag stores them: the first
// bytes of every tile's digest and its mean Y, Cb, Cr.
#pragma once

#include "change_map.h"
#include "codec/jpeg/jpeg_render.h"
#include "crypto/strong_tag.h"

namespace quillon {

// Tiles of TileSize (0: the size a signer picks for the image).
TTileTables TileTablesOf(const TRenderedImage& Image, uint32_t TileSize = 0,
                         size_t DigestBytes = WrittenDigestPrefixBytes);

} // namespace quillon
