// Where a photo changed: the tile tables a signed copy's tag carries (a short
// digest and a fingerprint of every tile) against the same tables computed
// from the photo at hand. A tile whose digest differs changed; whether it
// changed in content or only as saving again changes every tile is told by
// how far its fingerprint moved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// The tile tables of one rendering: ceil(W/T) x ceil(H/T) tiles, row-major.
struct TTileTables {
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t TileSize = 0;
    size_t DigestBytes = 0;            // bytes of each short digest
    std::vector<uint8_t> Digests;      // DigestBytes a tile
    std::vector<uint8_t> Fingerprints; // mean Y, Cb, Cr a tile

    uint32_t Columns() const { return (Width + TileSize - 1) / TileSize; }
    uint32_t Rows() const { return (Height + TileSize - 1) / TileSize; }
    size_t TileCount() const { return size_t{Columns()} * Rows(); }
};

enum class TTileChange : uint8_t {
    Same,      // the tile's pixels are those that were signed
    ExactOnly, // other pixels, but no more than saving again moves them
    Content,   // moved beyond the noise of saving again
};

// A rectangle of pixels, clipped to the image.
struct TChangeRegion {
    uint32_t X = 0, Y = 0, Width = 0, Height = 0;
    TTileChange Kind = TTileChange::Content;
    int Strength = 0; // the largest fingerprint move inside, in levels of 0-255

    bool operator==(const TChangeRegion&) const = default;
};

enum class TChangeClass {
    PixelsIdentical, // every tile as signed (only other bytes may differ)
    SavedAgain,      // most tiles differ a little, none in content
    Edited,          // some tiles changed: see the regions
    OtherSize,       // resized or cropped: no tile lines up
};

struct TChangeMap {
    TChangeClass Class = TChangeClass::PixelsIdentical;
    std::vector<TTileChange> Tiles; // one a tile, row-major; empty for OtherSize
    std::vector<TChangeRegion> Regions; // strongest first
};

// How far a fingerprint may move before a tile counts as changed in content,
// and how many tiles must differ before a photo without content changes
// counts as saved again rather than retouched in a few places. Chosen from
// the evaluation in scripts/evaluate-change-maps.
struct TChangeThresholds {
    int ContentLevels = 3;         // largest of |dY|, |dCb|, |dCr|, 0-255 levels
    double SavedAgainShare = 0.5;  // share of differing tiles
};

// The largest move of one tile's mean Y, Cb or Cr between two tables.
int FingerprintMove(const TTileTables& Signed, const TTileTables& Now, size_t Tile);

// Compares Now with Signed. Tables of other sizes give OtherSize; tables that
// do not hold their tile count raise std::invalid_argument.
TChangeMap CompareTiles(const TTileTables& Signed, const TTileTables& Now,
                        const TChangeThresholds& Thresholds = {});

// Neighbouring tiles of one kind (sides touching) merged into their bounding
// rectangles, in pixels, strongest first, then largest, then top-left first.
std::vector<TChangeRegion> MergeTiles(const TTileTables& Table,
                                      const std::vector<TTileChange>& Tiles,
                                      const std::vector<int>& Moves);

// "pixels identical", "saved again, content unchanged", "edited: 2 regions",
// "resized or cropped: 800 x 600, signed 1600 x 1200".
std::string ChangeSummary(const TChangeMap& Map, const TTileTables& Signed,
                          const TTileTables& Now);

} // namespace quillon
