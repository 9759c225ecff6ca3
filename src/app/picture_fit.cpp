#include "picture_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace quillon {

TPictureFit FitPicture(int Width, int Height, double Scale, const TFitRoom& Room) {
    const int64_t W = std::max<int64_t>(1, std::llround(Width * Scale));
    const int64_t H = std::max<int64_t>(1, std::llround(Height * Scale));
    // A picture no wider than the design's image costs no width of its own.
    const int64_t LimitW = std::max(Room.ClientWidth - Room.ExtraWidth, Room.BaseImageWidth);
    const int64_t LimitH = std::max(Room.ClientHeight - Room.ExtraHeight, 1);
    if (W <= LimitW && H <= LimitH)
        return {static_cast<int>(W), static_cast<int>(H), 100};
    int64_t FitW, FitH, Percent;
    if (LimitW * H <= LimitH * W) { // the width binds
        FitW = LimitW;
        FitH = H * LimitW / W;
        Percent = (100 * LimitW + W / 2) / W;
    } else {
        FitH = LimitH;
        FitW = W * LimitH / H;
        Percent = (100 * LimitH + H / 2) / H;
    }
    return {static_cast<int>(std::max<int64_t>(1, FitW)),
            static_cast<int>(std::max<int64_t>(1, FitH)),
            static_cast<int>(std::clamp<int64_t>(Percent, 1, 99))};
}

namespace {

// The source pixels one new pixel covers along an axis, with their shares.
struct TSpan {
    int First = 0;
    std::vector<float> Weights; // sum to 1
};

std::vector<TSpan> Spans(int SrcLength, int DstLength) {
    std::vector<TSpan> Out(static_cast<size_t>(DstLength));
    const double Step = static_cast<double>(SrcLength) / DstLength;
    for (int I = 0; I < DstLength; ++I) {
        const double Begin = I * Step;
        const double End = std::min<double>(SrcLength, (I + 1) * Step);
        TSpan& S = Out[static_cast<size_t>(I)];
        S.First = std::min(SrcLength - 1, static_cast<int>(Begin));
        for (int P = S.First; P < SrcLength && P < End; ++P) {
            const double Share = std::min<double>(P + 1, End) - std::max<double>(P, Begin);
            S.Weights.push_back(static_cast<float>(Share / (End - Begin)));
        }
        if (S.Weights.empty())
            S.Weights.push_back(1.0f);
    }
    return Out;
}

} // namespace

TRenderedImage ResamplePicture(const TRenderedImage& Src, int Width, int Height) {
    TRenderedImage Dst;
    Dst.Width = std::max(1, Width);
    Dst.Height = std::max(1, Height);
    Dst.Stride = 3 * static_cast<size_t>(Dst.Width);
    Dst.StoredRgbOrder = Src.StoredRgbOrder;
    Dst.Pixels = std::make_unique<uint8_t[]>(Dst.Stride * static_cast<size_t>(Dst.Height));
    if (Src.Width <= 0 || Src.Height <= 0 || !Src.Pixels)
        return Dst;
    const std::vector<TSpan> Columns = Spans(Src.Width, Dst.Width);
    const std::vector<TSpan> Rows = Spans(Src.Height, Dst.Height);
    // One source row across, then the rows a new row covers summed down:
    // memory for two rows of the new width, whatever the source's size.
    std::vector<float> Across(Dst.Stride), Sum(Dst.Stride);
    for (int Y = 0; Y < Dst.Height; ++Y) {
        const TSpan& Down = Rows[static_cast<size_t>(Y)];
        std::fill(Sum.begin(), Sum.end(), 0.0f);
        for (size_t R = 0; R < Down.Weights.size(); ++R) {
            const uint8_t* In = Src.Row(Down.First + static_cast<int32_t>(R));
            for (int X = 0; X < Dst.Width; ++X) {
                const TSpan& Span = Columns[static_cast<size_t>(X)];
                float B = 0, G = 0, Rd = 0;
                for (size_t C = 0; C < Span.Weights.size(); ++C) {
                    const uint8_t* P = In + 3 * static_cast<size_t>(Span.First + C);
                    B += Span.Weights[C] * P[0];
                    G += Span.Weights[C] * P[1];
                    Rd += Span.Weights[C] * P[2];
                }
                float* A = &Across[3 * static_cast<size_t>(X)];
                A[0] = B;
                A[1] = G;
                A[2] = Rd;
            }
            for (size_t I = 0; I < Sum.size(); ++I)
                Sum[I] += Down.Weights[R] * Across[I];
        }
        uint8_t* Out = Dst.Row(Y);
        for (size_t I = 0; I < Sum.size(); ++I)
            Out[I] = static_cast<uint8_t>(std::clamp(std::lround(Sum[I]), 0L, 255L));
    }
    return Dst;
}

} // namespace quillon
