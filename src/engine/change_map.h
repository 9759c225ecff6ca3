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
    // The tile's detail: the mean step of luma from each pixel to its left
    // neighbour, in 1/4 levels, at most 255. Empty where not known.
    std::vector<uint8_t> Detail;

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
    SavedAgain,      // tiles differ, but none beyond the noise of saving again
    Edited,          // some tiles changed in content: see the regions
    OtherSize,       // resized or cropped: no tile lines up
};

struct TChangeMap {
    TChangeClass Class = TChangeClass::PixelsIdentical;
    std::vector<TTileChange> Tiles; // one a tile, row-major; empty for OtherSize
    std::vector<TChangeRegion> Regions; // strongest first
};

// How far a tile may move before it counts as changed in content: its mean
// colour, or its detail, which blurring takes away while keeping the mean.
// Saving again smooths every tile alike, so a tile's detail counts only
// where it fell well below what the photo's tiles usually kept (the median
// share over the differing tiles), and by at least DetailSteps. Chosen from
// the evaluation in scripts/evaluate-change-maps.
struct TChangeThresholds {
    int ContentLevels = 3;     // largest of |dY|, |dCb|, |dCr|, 0-255 levels
    double DetailFactor = 0.7; // of the usual share kept
    int DetailSteps = 3;       // quarter levels
};

// The largest move of one tile's mean Y, Cb or Cr between two tables.
int FingerprintMove(const TTileTables& Signed, const TTileTables& Now, size_t Tile);
// How far one tile's detail moved, in 1/4 levels; 0 when either table has none.
int DetailMove(const TTileTables& Signed, const TTileTables& Now, size_t Tile);

// The share of their signed detail that the differing tiles usually kept
// (their median; 1 when none has detail).
double UsualDetailShare(const TTileTables& Signed, const TTileTables& Now);

// Whether one differing tile moved beyond the noise of saving again.
bool MovedInContent(const TTileTables& Signed, const TTileTables& Now, size_t Tile,
                    double UsualShare, const TChangeThresholds& Thresholds);

// Compares Now with Signed. Tables of other sizes give OtherSize; tables that
// do not hold their tile count raise std::invalid_argument.
TChangeMap CompareTiles(const TTileTables& Signed, const TTileTables& Now,
                        const TChangeThresholds& Thresholds = {});

// Neighbouring tiles of one kind (sides touching) merged into their bounding
// rectangles, in pixels, strongest first, then largest, then top-left first.
std::vector<TChangeRegion> MergeTiles(const TTileTables& Table,
                                      const std::vector<TTileChange>& Tiles,
                                      const std::vector<int>& Moves);

// Only tiles changed in content make regions: a few tiles that differ by
// less are what saving again does to a photo's flat parts as well.
// "pixels identical", "saved again, content unchanged", "slight changes in
// 3 tiles, content unchanged", "edited: 2 regions",
// "resized or cropped: 800 x 600, signed 1600 x 1200".
std::string ChangeSummary(const TChangeMap& Map, const TTileTables& Signed,
                          const TTileTables& Now);

} // namespace quillon
