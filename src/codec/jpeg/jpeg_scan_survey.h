// The scans of a stream counted before it is decoded: a multi-scan file is
// absorbed whole before any row comes out, so what its scans will cost must
// be known before the store for its coefficients is allocated. The survey
// walks the markers as the decoder will meet them and skips the coded data
// of each scan, without decoding any of it.
#pragma once

#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

#include "jpeg_input.h"

namespace quillon {

struct TScanSurvey {
    uint64_t Scans = 0;
    // Component pixels the scans code, each scan counting every component
    // it names (unknown components count nothing).
    uint64_t Work = 0;
};

// Surveys the stream of Reader from its first byte up to its end-of-image
// marker or its end, with the frame as the decoder read it (after
// jpeg_read_header). Stops counting once more than StopAfter scans are
// found. Never raises for what it finds: the decoder judges the stream.
TScanSurvey SurveyScans(TPieceReader& Reader, const jpeg_decompress_struct& Info,
                        uint64_t StopAfter);

// The pixels of component Index as the decoder stores them (whole blocks).
uint64_t ComponentPixels(const jpeg_component_info& Component);
// The sum over every component of the frame.
uint64_t FrameComponentPixels(const jpeg_decompress_struct& Info);

} // namespace quillon
