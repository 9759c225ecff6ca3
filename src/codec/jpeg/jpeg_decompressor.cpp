#include "jpeg_decompressor.h"

#include "jpeg_codec_errors.h"

namespace quillon {

TJpegDecompressor::TJpegDecompressor(TPieceReader& Reader) {
    FInfo.err = InstallJpegErrorManager(FErrors);
    jpeg_create_decompress(&FInfo);
    AttachJpegSource(FInfo, FSource, Reader);
}

TJpegDecompressor::~TJpegDecompressor() {
    jpeg_destroy_decompress(&FInfo);
}

} // namespace quillon
