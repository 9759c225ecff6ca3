#include "qt_image.h"

namespace quillon {

QImage ToQImage(const TRenderedImage& Picture) {
    if (Picture.Width <= 0 || Picture.Height <= 0 || !Picture.Pixels)
        return {};
    // Rows hold blue, green, red.
    const QImage View(Picture.Pixels.get(), Picture.Width, Picture.Height,
                      static_cast<qsizetype>(Picture.Stride), QImage::Format_BGR888);
    return View.copy();
}

} // namespace quillon
