// One component's way from quantised coefficients to upsampled rows: the
// coefficients the library read, the multipliers of its latched table, its
// upsampling method, and a small per-thread window of decoded sample rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "jpeg_block_smoothing.h"

namespace quillon {

enum class TUpsampleMethod { Full, H2V1Fancy, H2V2Fancy, Replicate };

struct TComponentPlan {
    TComponentCoefficients Coefficients{};
    std::vector<JCOEF> OwnedBlocks; // when the library's rows are not one block of memory
    float Multipliers[64] = {};
    bool Smooth = false;
    int Width = 0;  // samples across, within the image
    int Height = 0; // sample rows, within the image
    int HRatio = 1;
    int VRatio = 1;
    TUpsampleMethod Method = TUpsampleMethod::Full;
};

// Picks the reference decoder's method for a component's ratios and width.
TUpsampleMethod ChooseUpsampleMethod(int HRatio, int VRatio, int Width);

// Decoded sample rows of one component, three block rows at a time, each
// block row computed once while rows are asked for top to bottom.
class TComponentRows {
  public:
    TComponentRows(const TComponentPlan& Plan, int OutputWidth);

    // The component's samples for output row Y, upsampled to the output
    // width (at least OutputWidth samples).
    const uint8_t* OutputRow(int Y);

  private:
    const uint8_t* SampleRow(int R);
    void DecodeBlockRow(int BlockRow, uint8_t* Dest);

    const TComponentPlan& FPlan;
    int FOutputWidth;
    size_t FRowBytes; // WidthInBlocks * 8
    std::vector<uint8_t> FWindow;
    int FTags[3] = {-1, -1, -1};
    std::vector<uint8_t> FUpsampled;
};

} // namespace quillon
