// Decoding a JPEG file to the rows the signature covers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "jpeg_codec_errors.h" // EJpegError, raised by every entry here
#include "jpeg_context.h"
#include "jpeg_input.h"

namespace quillon {

// Width x height pixels, 3 bytes a pixel (blue, green, red for YCbCr files),
// row 0 at the top. The store belongs to the object.
struct TRenderedImage {
    int32_t Width = 0;
    int32_t Height = 0;
    size_t Stride = 0; // bytes from one row to the next, at least 3 x Width
    // True for files coded in RGB, whose bytes are the stored red, green, blue
    // rather than blue, green, red. The signature covers the bytes either way.
    bool StoredRgbOrder = false;
    std::unique_ptr<uint8_t[]> Pixels;

    const uint8_t* Row(int32_t Y) const { return Pixels.get() + static_cast<size_t>(Y) * Stride; }
    uint8_t* Row(int32_t Y) { return Pixels.get() + static_cast<size_t>(Y) * Stride; }
};

// Renders the stream; a file is read in pieces up to the end of its image.
// Raises EFileError when it cannot be read, EJpegError for codec errors and
// EJpegLimit for a file beyond Context's limits.
// Grey files come out through the decoder's 236-level palette as g, g, g.
// Four-component files are converted from CMYK (YCCK first converted to
// CMYK): with an Adobe segment the inks are stored inverted, so red =
// C * K / 255; without one red = (255 - C) * (255 - K) / 255; likewise green
// from M and blue from Y, rounded. Their rows lie at a stride of 4 x Width.
// Two-component files have no colour meaning: JPEG error #27.
TRenderedImage RenderJpeg(const TJpegInput& Input, const TJpegDecodeContext& Context);
// The same for a file or a stream already in memory, with the default context.
TRenderedImage RenderJpegFile(const std::string& Path);
TRenderedImage RenderJpegMemory(const uint8_t* Data, size_t Size);

// Receives one rendered row of 3 x Width bytes, top row first.
using TRowSink = std::function<void(const uint8_t* Row, int32_t Width)>;
// The rows of RenderJpeg handed over one at a time as they are made,
// holding only a band of them where the file allows (a single scan): a few
// rows and the decoder's state are all the memory it takes (a multi-scan
// file adds its coefficients, and half its rows where they fit). Raises the
// same errors; rows already handed over stay valid then.
void RenderJpegRows(const TJpegInput& Input, const TRowSink& Sink,
                    const TJpegDecodeContext& Context);
void RenderJpegFileRows(const std::string& Path, const TRowSink& Sink);
void RenderJpegMemoryRows(const uint8_t* Data, size_t Size, const TRowSink& Sink);

} // namespace quillon
