// How a preview is sized: at its own size times the screen's scale, reduced
// where the window would otherwise grow past the room the screen offers.
#pragma once

#include "codec/jpeg/jpeg_render.h"

namespace quillon {

// What the window's client area is made of, in the window's pixels.
struct TFitRoom {
    int BaseImageWidth = 0; // the picture never needs to be narrower than this
    int ExtraWidth = 0;     // client width beside the picture
    int ExtraHeight = 0;    // client height beside the picture
    int ClientWidth = 0;    // the largest client area the screen has room for
    int ClientHeight = 0;
};

struct TPictureFit {
    int Width = 0;
    int Height = 0;
    int Percent = 100; // of the picture's size times the scale; 100 when not reduced
    bool operator==(const TPictureFit&) const = default;
};

// A picture of Width x Height pixels shown at Scale window pixels a picture
// pixel, and reduced, keeping its proportions, until the client area fits
// the room. Never smaller than one pixel either way.
TPictureFit FitPicture(int Width, int Height, double Scale, const TFitRoom& Room);

// Src resampled to Width x Height by averaging the area each new pixel
// covers (enlarging repeats pixels the same way). Keeps the byte order.
TRenderedImage ResamplePicture(const TRenderedImage& Src, int Width, int Height);

} // namespace quillon
