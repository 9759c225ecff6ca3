// Colour conversion of decoded sample rows.
#pragma once

#include <cstdint>

namespace quillon {

// YCbCr to 3 bytes a pixel in the order blue, green, red, with the decoder's
// 16-bit fixed-point constants.
void YCbCrToBgrRow(const uint8_t* Y, const uint8_t* Cb, const uint8_t* Cr, int Width, uint8_t* Out);

// The vector part of the conversion above: converts the longest prefix it
// can handle and returns its length in pixels (0 without a vector unit).
int YCbCrToBgrRowVector(const uint8_t* Y, const uint8_t* Cb, const uint8_t* Cr, int Width,
                        uint8_t* Out);
bool ColorVectorAvailable();

// YCCK to CMYK as the decoder converts it: the YCbCr transform of the first
// three components, inverted; K passes through.
void YcckToCmykRow(const uint8_t* Y, const uint8_t* Cb, const uint8_t* Cr, const uint8_t* K,
                   int Width, uint8_t* Out);

// Components side by side, in stored order, Count bytes a pixel.
void InterleaveRow(const uint8_t* const* Planes, int Count, int Width, uint8_t* Out);

// CMYK pixels (4 bytes) to blue, green, red (3 bytes); Out may be In (the
// row shrinks in place). Files with an Adobe segment store their inks
// inverted (0 = full ink): there red = C * K / 255. Without one the values
// are plain ink amounts: red = (255 - C) * (255 - K) / 255. Both rounded.
void CmykToBgrRow(const uint8_t* In, int Width, bool AdobeInverted, uint8_t* Out);

} // namespace quillon
