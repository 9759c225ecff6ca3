#include "pixel_digest.h"

#include <algorithm>
#include <stdexcept>

namespace quillon {

namespace {

uint32_t CeilDiv(uint32_t A, uint32_t B) {
    return A / B + (A % B != 0);
}

void PutLE32(TBlake2b& H, uint32_t V) {
    const uint8_t B[4] = {static_cast<uint8_t>(V), static_cast<uint8_t>(V >> 8),
                          static_cast<uint8_t>(V >> 16), static_cast<uint8_t>(V >> 24)};
    H.Update(B, 4);
}

// round(Numerator / Denominator) for non-negative values, at most 255.
uint8_t RoundedMean(int64_t Numerator, int64_t Denominator) {
    const int64_t V = (2 * Numerator + Denominator) / (2 * Denominator);
    return static_cast<uint8_t>(std::clamp<int64_t>(V, 0, 255));
}

// Luma in quarter levels.
int QuarterLuma(const uint8_t* Pixel) {
    return (114 * Pixel[0] + 587 * Pixel[1] + 299 * Pixel[2]) / 250;
}


} // namespace

uint32_t ChooseTileSize(uint32_t Width, uint32_t Height) {
    uint32_t T = 64;
    while (uint64_t{CeilDiv(Width, T)} * CeilDiv(Height, T) > MaxTiles)
        T *= 2;
    return T;
}

TDigestBytes PixelDigestOfTiles(uint32_t Width, uint32_t Height, uint32_t TileSize,
                                const std::vector<TDigestBytes>& Tiles) {
    TBlake2b H;
    PutLE32(H, Width);
    PutLE32(H, Height);
    PutLE32(H, TileSize);
    for (const TDigestBytes& D : Tiles)
        H.Update(D);
    return H.Finish256();
}

TPixelDigestFeed::TPixelDigestFeed(uint32_t Width, uint32_t Height, uint32_t TileSize)
    : FWidth(Width), FHeight(Height), FTileSize(TileSize), FColumns(CeilDiv(Width, TileSize)) {
    if (Width == 0 || Height == 0 || TileSize == 0)
        throw std::invalid_argument("an image and its tiles must not be empty");
    FOpen.reserve(FColumns);
    for (uint32_t C = 0; C < FColumns; ++C)
        FOpen.emplace_back();
    FSums.assign(size_t{FColumns} * 3, 0);
    FSteps.assign(FColumns, 0);
    FTiles.reserve(size_t{FColumns} * CeilDiv(Height, TileSize));
}

TPixelDigestFeed::~TPixelDigestFeed() = default;

void TPixelDigestFeed::AddRow(const uint8_t* Row) {
    if (FRowsSeen >= FHeight)
        throw std::logic_error("more rows than the image has");
    for (uint32_t C = 0; C < FColumns; ++C) {
        const uint32_t X0 = C * FTileSize;
        const uint32_t X1 = std::min(FWidth, X0 + FTileSize);
        const uint8_t* Part = Row + size_t{X0} * 3;
        const size_t Bytes = size_t{X1 - X0} * 3;
        FOpen[C].Update(Part, Bytes);
        // One pass over the part: the colour sums and the luma steps from
        // each pixel to its left neighbour inside the tile.
        uint64_t B = 0, G = 0, R = 0, Steps = 0;
        int Left = QuarterLuma(Part);
        for (size_t I = 0; I < Bytes; I += 3) {
            B += Part[I];
            G += Part[I + 1];
            R += Part[I + 2];
            const int L = QuarterLuma(Part + I);
            Steps += static_cast<uint64_t>(L > Left ? L - Left : Left - L);
            Left = L;
        }
        FSums[size_t{C} * 3] += B;
        FSums[size_t{C} * 3 + 1] += G;
        FSums[size_t{C} * 3 + 2] += R;
        FSteps[C] += Steps;
    }
    ++FRowsSeen;
    if (FRowsSeen % FTileSize == 0 || FRowsSeen == FHeight)
        FinishTileRow();
}

void TPixelDigestFeed::FinishTileRow() {
    const uint32_t TileRow = (FRowsSeen - 1) / FTileSize;
    const uint32_t Rows = FRowsSeen - TileRow * FTileSize;
    for (uint32_t C = 0; C < FColumns; ++C) {
        FTiles.push_back(FOpen[C].Finish256());
        FOpen[C] = TBlake2b();
        const uint32_t X0 = C * FTileSize;
        const int64_t Pixels = int64_t{std::min(FWidth, X0 + FTileSize) - X0} * Rows;
        const auto B = static_cast<int64_t>(FSums[size_t{C} * 3]);
        const auto G = static_cast<int64_t>(FSums[size_t{C} * 3 + 1]);
        const auto R = static_cast<int64_t>(FSums[size_t{C} * 3 + 2]);
        // In millionths, so that the means are exact integers before rounding.
        const int64_t Den = 1'000'000 * Pixels;
        FMeans.push_back(RoundedMean(299'000 * R + 587'000 * G + 114'000 * B, Den));
        FMeans.push_back(RoundedMean(128 * Den - 168'736 * R - 331'264 * G + 500'000 * B, Den));
        FMeans.push_back(RoundedMean(128 * Den + 500'000 * R - 418'688 * G - 81'312 * B, Den));
        FSums[size_t{C} * 3] = FSums[size_t{C} * 3 + 1] = FSums[size_t{C} * 3 + 2] = 0;
        FDetail.push_back(static_cast<uint8_t>(std::min<uint64_t>(255, FSteps[C] / Pixels)));
        FSteps[C] = 0;
    }
}

void TPixelDigestFeed::RequireComplete() const {
    if (!Complete())
        throw std::logic_error("the pixel digest needs every row");
}

TDigestBytes TPixelDigestFeed::PixelDigest() const {
    RequireComplete();
    return PixelDigestOfTiles(FWidth, FHeight, FTileSize, FTiles);
}

const std::vector<TDigestBytes>& TPixelDigestFeed::TileDigests() const {
    RequireComplete();
    return FTiles;
}

std::vector<uint8_t> TPixelDigestFeed::ShortTileDigests(size_t EntryBytes) const {
    RequireComplete();
    return DigestPrefixes(FTiles, EntryBytes);
}

std::vector<uint8_t> TPixelDigestFeed::MeanYCbCr() const {
    RequireComplete();
    return FMeans;
}

const std::vector<uint8_t>& TPixelDigestFeed::TileDetail() const {
    RequireComplete();
    return FDetail;
}

std::vector<uint8_t> TPixelDigestFeed::MeanYCbCrDetail() const {
    RequireComplete();
    std::vector<uint8_t> Out;
    Out.reserve(FDetail.size() * 4);
    for (size_t I = 0; I < FDetail.size(); ++I) {
        Out.insert(Out.end(), FMeans.begin() + static_cast<ptrdiff_t>(3 * I),
                   FMeans.begin() + static_cast<ptrdiff_t>(3 * I + 3));
        Out.push_back(FDetail[I]);
    }
    return Out;
}

} // namespace quillon
