#include "jpeg_grey_quantizer.h"

#include <algorithm>
#include <array>

namespace quillon {

namespace {

constexpr int LevelCount = 236;
constexpr int MaxLevel = LevelCount - 1;

// For every sample value the index of the nearest level; the breakpoints
// lie halfway between neighbouring levels, rounded as the reference does.
std::array<uint8_t, 256> MakeIndexTable() {
    std::array<uint8_t, 256> Table{};
    auto LargestInput = [](int J) { return ((2 * J + 1) * 255 + MaxLevel) / (2 * MaxLevel); };
    int Index = 0;
    int Limit = LargestInput(0);
    for (int Sample = 0; Sample < 256; ++Sample) {
        while (Sample > Limit) {
            Limit = LargestInput(++Index);
        }
        Table[Sample] = static_cast<uint8_t>(Index);
    }
    return Table;
}

const std::array<uint8_t, 256> IndexTable = MakeIndexTable();

} // namespace

TGreyQuantizer::TGreyQuantizer(int Width)
    : FWidth(Width), FErrors(static_cast<size_t>(Width) + 2, 0) {}

uint8_t TGreyQuantizer::Level(uint8_t Index) {
    return static_cast<uint8_t>((255 * Index + MaxLevel / 2) / MaxLevel);
}

// Floyd-Steinberg in serpentine order. FErrors holds, for the row below,
// the sum of errors times 16 for each column, with one spare entry at
// each end so that the sweep may write past the picture's edge. As the
// sweep advances, the entry behind it is completed and the one under the
// current pixel is still collecting.
void TGreyQuantizer::QuantizeRow(const uint8_t* Samples, uint8_t* Indices) {
    const int Dir = FOnOddRow ? -1 : 1;
    int Col = FOnOddRow ? FWidth - 1 : 0;
    // Index into FErrors of the column before the current one, in sweep order.
    int ErrPos = FOnOddRow ? FWidth + 1 : 0;
    int Cur = 0;      // error carried along the row, times 16
    int BelowErr = 0; // error for the pixel below the previous one
    int BPrevErr = 0; // error for the pixel below and behind
    for (int N = 0; N < FWidth; ++N) {
        // >> on a negative int is an arithmetic shift (C++20), so +8 rounds
        // to nearest for either sign.
        Cur = (Cur + FErrors[static_cast<size_t>(ErrPos + Dir)] + 8) >> 4;
        // The carried error never exceeds one level step, so a clamp is
        // all the reference's range-limit table does here.
        Cur = std::clamp(Cur + Samples[Col], 0, 255);
        const uint8_t Index = IndexTable[static_cast<size_t>(Cur)];
        Indices[Col] = Index;
        Cur -= Level(Index);
        const int BNextErr = Cur;
        const int Delta = Cur * 2;
        Cur += Delta; // 3/16 down and behind
        FErrors[static_cast<size_t>(ErrPos)] = static_cast<int16_t>(BPrevErr + Cur);
        Cur += Delta; // 5/16 straight down
        BPrevErr = BelowErr + Cur;
        BelowErr = BNextErr; // 1/16 down and ahead
        Cur += Delta;        // 7/16 ahead
        Col += Dir;
        ErrPos += Dir;
    }
    FErrors[static_cast<size_t>(ErrPos)] = static_cast<int16_t>(BPrevErr);
    FOnOddRow = !FOnOddRow;
}

} // namespace quillon
