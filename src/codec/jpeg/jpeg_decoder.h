// Decoding a JPEG stream to the reference decoder's samples: the library
// reads the headers and the quantised coefficients, and the arithmetic from
// there on (smoothing, IDCT, upsampling, colour conversion) is ours. A
// single-scan file is decoded band by band, the library passing each block
// to our IDCT; a multi-scan file is absorbed whole first, as it must be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "jpeg_context.h"
#include "jpeg_input.h"

namespace quillon {

// How the decoder interprets the components of a file.
enum class TJpegColorKind { Grey, YCbCr, RGB, CMYK, YCCK, Unknown };

struct TDecodedSamples {
    int32_t Width = 0;
    int32_t Height = 0;
    // Bytes a pixel as the decoder outputs them: 3 for YCbCr (blue, green,
    // red) and RGB (stored order), 1 grey sample (before any palette step),
    // 4 CMYK (YCCK converted), otherwise the component count, copied.
    int Channels = 0;
    TJpegColorKind Kind = TJpegColorKind::Unknown;
    bool AdobeMarker = false; // the file carries an Adobe APP14 segment
    size_t Stride = 0;
    std::unique_ptr<uint8_t[]> Pixels;

    const uint8_t* Row(int32_t Y) const { return Pixels.get() + static_cast<size_t>(Y) * Stride; }
    uint8_t* Row(int32_t Y) { return Pixels.get() + static_cast<size_t>(Y) * Stride; }
};

// Raises EJpegError with the reference's message code for every fatal error,
// EJpegLimit when the file asks for more than Context's limits allow (before
// the image is allocated), EFileError when a file cannot be read.
// Rows are allocated with at least MinBytesPerPixel bytes a pixel so that a
// caller can widen them in place.
TDecodedSamples DecodeJpegSamples(const TJpegInput& Input, int MinBytesPerPixel,
                                  const TJpegDecodeContext& Context);
// A stream in memory, with the default context.
TDecodedSamples DecodeJpegSamples(const uint8_t* Data, size_t Size, int MinBytesPerPixel = 0);

// Receives rows First .. First + Count - 1 of the image as Band.Row(0) ..
// Band.Row(Count - 1); the rows may be changed in place (up to the stride).
using TBandSink = std::function<void(TDecodedSamples& Band, int32_t First, int32_t Count)>;

// The same samples handed over top first in bands: a single scan holds one
// band at a time, a multi-scan file its coefficients and half its rows (or
// one band, where half would not fit in the memory limit); rows without a
// colour meaning are decoded whole and handed over as one band. Raises as
// DecodeJpegSamples does, with rows already handed over before a late error.
void DecodeJpegBands(const TJpegInput& Input, int MinBytesPerPixel, const TBandSink& Sink,
                     const TJpegDecodeContext& Context);

} // namespace quillon
