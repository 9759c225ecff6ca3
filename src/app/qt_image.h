// Rendered rows to a Qt image.
#pragma once

#include "codec/jpeg/jpeg_render.h"

#include <QImage>

namespace quillon {

// A deep copy: the image outlives the rendered rows.
QImage ToQImage(const TRenderedImage& Picture);

} // namespace quillon
