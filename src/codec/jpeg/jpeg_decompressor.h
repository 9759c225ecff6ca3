// A libjpeg decompressor over an in-memory stream, with the shared error
// manager; destroyed with its owner on every path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

#include "jpeg_source.h"

namespace quillon {

class TJpegDecompressor {
  public:
    TJpegDecompressor(const uint8_t* Data, size_t Size);
    ~TJpegDecompressor();
    TJpegDecompressor(const TJpegDecompressor&) = delete;
    TJpegDecompressor& operator=(const TJpegDecompressor&) = delete;

    jpeg_decompress_struct& Info() { return FInfo; }

  private:
    jpeg_error_mgr FErrors;
    jpeg_decompress_struct FInfo;
    TJpegMemorySource FSource;
};

} // namespace quillon
