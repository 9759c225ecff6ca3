// What one decode works with besides its stream: the limits it keeps to
// and where it reports the bytes it reads.
#pragma once

#include "jpeg_limits.h"

namespace quillon {

class TByteMeter;

struct TJpegDecodeContext {
    TJpegLimits Limits;
    TByteMeter* Meter = nullptr; // bytes read from a file are added here
};

// The process-wide limits and the calling thread's byte meter.
TJpegDecodeContext DefaultJpegDecodeContext();

} // namespace quillon
