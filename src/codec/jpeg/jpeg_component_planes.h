// One component's way to upsampled rows: its size and upsampling method,
// where its decoded sample rows come from (the whole-image coefficients of a
// multi-scan file, or the band the library is decoding), and the upsampler.
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

// Where a component's decoded sample rows come from. Rows are asked for
// top to bottom, give or take one row, with R within the component.
class TSampleRowSource {
  public:
    virtual ~TSampleRowSource() = default;
    virtual const uint8_t* SampleRow(int R) = 0;
};

// Sample rows decoded here from the coefficients the library read, three
// block rows at a time, each block row computed once.
class TCoefficientRows final : public TSampleRowSource {
  public:
    explicit TCoefficientRows(const TComponentPlan& Plan);
    const uint8_t* SampleRow(int R) override;

  private:
    void DecodeBlockRow(int BlockRow, uint8_t* Dest);

    const TComponentPlan& FPlan;
    size_t FRowBytes; // WidthInBlocks * 8
    std::vector<uint8_t> FWindow;
    int FTags[3] = {-1, -1, -1};
};

// A component's samples upsampled to the output width, row by row.
class TComponentRows {
  public:
    TComponentRows(const TComponentPlan& Plan, TSampleRowSource& Source, int OutputWidth);

    // The component's samples for output row Y (at least OutputWidth of them).
    const uint8_t* OutputRow(int Y);

  private:
    const uint8_t* SampleRow(int R);

    const TComponentPlan& FPlan;
    TSampleRowSource& FSource;
    int FOutputWidth;
    std::vector<uint8_t> FUpsampled;
};

} // namespace quillon
