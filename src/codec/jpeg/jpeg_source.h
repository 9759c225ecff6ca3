// Serves a JPEG stream held in memory to the decoder in pieces of 4096
// bytes. When the data runs out a fake end-of-image marker follows, so a
// truncated file decodes as far as it goes; an empty stream is an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

namespace quillon {

struct TJpegMemorySource {
    jpeg_source_mgr Pub; // first, so the library's pointer is ours
    const uint8_t* Data = nullptr;
    size_t Size = 0;
    size_t Offset = 0;
    bool StartOfFile = true;
    JOCTET FakeEoi[2] = {0xFF, JPEG_EOI};
};

// Points Info's source at Source, which must outlive the decompression.
void AttachJpegMemorySource(jpeg_decompress_struct& Info, TJpegMemorySource& Source,
                            const uint8_t* Data, size_t Size);

} // namespace quillon
