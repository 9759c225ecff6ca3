#include "jpeg_decompressor.h"

#include "jpeg_codec_errors.h"

namespace quillon {

TJpegDecompressor::TJpegDecompressor(const uint8_t* Data, size_t Size) {
    FInfo.err = InstallJpegErrorManager(FErrors);
    jpeg_create_decompress(&FInfo);
    AttachJpegMemorySource(FInfo, FSource, Data, Size);
}

TJpegDecompressor::~TJpegDecompressor() {
    jpeg_destroy_decompress(&FInfo);
}

} // namespace quillon
