// A libjpeg decompressor over a stream read piece by piece, with the shared
// error manager; destroyed with its owner on every path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

#include "jpeg_source.h"

namespace quillon {

class TJpegDecompressor {
  public:
    // Reader must outlive the object.
    explicit TJpegDecompressor(TPieceReader& Reader);
    ~TJpegDecompressor();
    TJpegDecompressor(const TJpegDecompressor&) = delete;
    TJpegDecompressor& operator=(const TJpegDecompressor&) = delete;

    jpeg_decompress_struct& Info() { return FInfo; }

  private:
    jpeg_error_mgr FErrors;
    jpeg_decompress_struct FInfo;
    TJpegSource FSource;
};

} // namespace quillon
