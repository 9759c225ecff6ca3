// Rendered rows as a bitmap the window system can draw.
#pragma once

#include "codec/jpeg/jpeg_render.h"

struct HBITMAP__;

namespace quillon {

// A top-down 24-bit DIB section holding Picture's pixels; the caller owns
// it (DeleteObject). Raises std::runtime_error when the system has no room.
HBITMAP__* MakeBitmap(const TRenderedImage& Picture);

} // namespace quillon
