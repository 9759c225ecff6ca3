// Serves a JPEG stream to the decoder piece by piece from a reader. When the
// data runs out a fake end-of-image marker follows, so a truncated file
// decodes as far as it goes; an empty stream is an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

#include "jpeg_input.h"

namespace quillon {

struct TJpegSource {
    jpeg_source_mgr Pub; // first, so the library's pointer is ours
    TPieceReader* Reader = nullptr;
    bool StartOfFile = true;
    JOCTET FakeEoi[2] = {0xFF, JPEG_EOI};
};

// Points Info's source at Source, reading from Reader; both must outlive
// the decompression.
void AttachJpegSource(jpeg_decompress_struct& Info, TJpegSource& Source, TPieceReader& Reader);

} // namespace quillon
