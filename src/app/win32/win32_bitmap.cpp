#include "win32_bitmap.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include <windows.h>

namespace quillon {

HBITMAP MakeBitmap(const TRenderedImage& Picture) {
    // Its pixels are blue, green, red like the rows.
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof Info.bmiHeader;
    Info.bmiHeader.biWidth = Picture.Width;
    Info.bmiHeader.biHeight = -Picture.Height;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 24;
    Info.bmiHeader.biCompression = BI_RGB;
    void* Bits = nullptr;
    const HBITMAP Bitmap = ::CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    if (Bitmap == nullptr)
        throw std::runtime_error("Not enough memory for a picture of " +
                                 std::to_string(Picture.Width) + " x " +
                                 std::to_string(Picture.Height) + " pixels");
    const size_t RowBytes = 3 * static_cast<size_t>(Picture.Width);
    const size_t Stride = (RowBytes + 3) & ~size_t{3};
    for (int Y = 0; Y < Picture.Height; ++Y)
        std::memcpy(static_cast<uint8_t*>(Bits) + Stride * static_cast<size_t>(Y), Picture.Row(Y),
                    RowBytes);
    return Bitmap;
}

} // namespace quillon
