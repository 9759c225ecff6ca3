#include "jpeg_component_planes.h"

#include <algorithm>

#include "jpeg_idct.h"
#include "jpeg_upsample.h"

namespace quillon {

TUpsampleMethod ChooseUpsampleMethod(int HRatio, int VRatio, int Width) {
    if (HRatio == 1 && VRatio == 1)
        return TUpsampleMethod::Full;
    if (HRatio == 2 && VRatio == 1 && Width > 2)
        return TUpsampleMethod::H2V1Fancy;
    if (HRatio == 2 && VRatio == 2 && Width > 2)
        return TUpsampleMethod::H2V2Fancy;
    return TUpsampleMethod::Replicate;
}

TCoefficientRows::TCoefficientRows(const TComponentPlan& Plan)
    : FPlan(Plan), FRowBytes(static_cast<size_t>(Plan.Coefficients.WidthInBlocks) * 8),
      FWindow(FRowBytes * 8 * 3) {}

void TCoefficientRows::DecodeBlockRow(int BlockRow, uint8_t* Dest) {
    const TComponentCoefficients& C = FPlan.Coefficients;
    const JCOEF* Row = C.Blocks + static_cast<size_t>(BlockRow) * C.BlocksPerRow * DCTSIZE2;
    JCOEF Smoothed[DCTSIZE2];
    for (int Col = 0; Col < C.WidthInBlocks; ++Col) {
        const JCOEF* Block = Row + static_cast<size_t>(Col) * DCTSIZE2;
        if (FPlan.Smooth) {
            SmoothBlock(C, BlockRow, Col, Smoothed);
            Block = Smoothed;
        }
        InverseDctBlock(Block, FPlan.Multipliers, Dest + Col * 8, FRowBytes);
    }
}

const uint8_t* TCoefficientRows::SampleRow(int R) {
    const int BlockRow = R / 8;
    const int Slot = BlockRow % 3;
    uint8_t* Base = FWindow.data() + static_cast<size_t>(Slot) * FRowBytes * 8;
    if (FTags[Slot] != BlockRow) {
        DecodeBlockRow(BlockRow, Base);
        FTags[Slot] = BlockRow;
    }
    return Base + static_cast<size_t>(R % 8) * FRowBytes;
}

TComponentRows::TComponentRows(const TComponentPlan& Plan, TSampleRowSource& Source,
                               int OutputWidth)
    : FPlan(Plan), FSource(Source), FOutputWidth(OutputWidth),
      FUpsampled(static_cast<size_t>(std::max(OutputWidth, 2 * Plan.Width)) + 16) {}

const uint8_t* TComponentRows::SampleRow(int R) {
    return FSource.SampleRow(std::clamp(R, 0, FPlan.Height - 1));
}

const uint8_t* TComponentRows::OutputRow(int Y) {
    uint8_t* Out = FUpsampled.data();
    switch (FPlan.Method) {
    case TUpsampleMethod::Full:
        return SampleRow(Y);
    case TUpsampleMethod::H2V1Fancy:
        UpsampleH2V1Fancy(SampleRow(Y), FPlan.Width, Out);
        return Out;
    case TUpsampleMethod::H2V2Fancy: {
        const int R = Y / 2;
        // Ask for the farther row first: both stay in the window.
        const uint8_t* Far = SampleRow(Y % 2 == 0 ? R - 1 : R + 1);
        const uint8_t* Near = SampleRow(R);
        UpsampleH2V2Fancy(Near, Far, FPlan.Width, Out);
        return Out;
    }
    case TUpsampleMethod::Replicate:
        break;
    }
    const uint8_t* In = SampleRow(Y / FPlan.VRatio);
    if (FPlan.HRatio == 1)
        return In;
    UpsampleReplicate(In, FPlan.HRatio, FOutputWidth, Out);
    return Out;
}

} // namespace quillon
