#include "support/test_jpeg.h"

#include <cstdlib>
#include <string>

namespace quillon::test {

namespace {

[[noreturn]] void ThrowOnError(j_common_ptr Info) {
    throw TJpegLibError(Info->err->msg_code);
}

void Silent(j_common_ptr, int) {}

// Makes Err the error manager, before the struct is created: fatal errors
// throw TJpegLibError. Err must outlive Info.
template <typename TInfo> void ThrowJpegErrors(TInfo& Info, jpeg_error_mgr& Err) {
    Info.err = jpeg_std_error(&Err);
    Err.error_exit = ThrowOnError;
}

} // namespace

TJpegLibError::TJpegLibError(int MsgCode)
    : std::runtime_error("libjpeg error " + std::to_string(MsgCode)) {}

TJpegReader::TJpegReader(const std::vector<uint8_t>& Bytes) {
    ThrowJpegErrors(Info, FErr);
    FErr.emit_message = Silent;
    jpeg_create_decompress(&Info);
    try {
        jpeg_mem_src(&Info, Bytes.data(), static_cast<unsigned long>(Bytes.size()));
    } catch (...) {
        jpeg_destroy_decompress(&Info);
        throw;
    }
}

std::vector<uint8_t> EncodeTestJpeg(const TTestPicture& Picture) {
    const int W = Picture.Width;
    const int Components = Picture.Components;
    jpeg_compress_struct Info{};
    jpeg_error_mgr Err{};
    ThrowJpegErrors(Info, Err);
    jpeg_create_compress(&Info);
    unsigned char* Out = nullptr;
    unsigned long OutSize = 0;
    std::vector<uint8_t> Bytes;
    try {
        jpeg_mem_dest(&Info, &Out, &OutSize);
        Info.image_width = static_cast<JDIMENSION>(W);
        Info.image_height = static_cast<JDIMENSION>(Picture.Height);
        Info.input_components = Components;
        Info.in_color_space = Components == 1 ? JCS_GRAYSCALE : JCS_RGB;
        jpeg_set_defaults(&Info);
        jpeg_set_quality(&Info, Picture.Quality, TRUE);
        if (Picture.Layout == TScanLayout::SimpleProgression) {
            jpeg_simple_progression(&Info);
        } else if (Picture.Layout == TScanLayout::Script) {
            Info.scan_info = Picture.Script.data();
            Info.num_scans = static_cast<int>(Picture.Script.size());
        }
        jpeg_start_compress(&Info, TRUE);
        std::vector<JSAMPLE> Row(static_cast<size_t>(W) * static_cast<size_t>(Components));
        uint32_t Seed = Picture.Seed;
        while (Info.next_scanline < Info.image_height) {
            const int Y = static_cast<int>(Info.next_scanline);
            for (int X = 0; X < W; ++X) {
                for (int C = 0; C < Components; ++C) {
                    Seed = Seed * 1103515245u + 12345u;
                    const uint32_t Noise =
                        Picture.NoiseBits > 0 ? Seed >> (32 - Picture.NoiseBits) : 0;
                    const uint32_t Sample =
                        static_cast<uint32_t>(Picture.Gradient(X, Y, C)) + Noise;
                    Row[static_cast<size_t>(X * Components + C)] =
                        static_cast<JSAMPLE>(Sample & 0xFF);
                }
            }
            JSAMPROW Ptr = Row.data();
            jpeg_write_scanlines(&Info, &Ptr, 1);
        }
        jpeg_finish_compress(&Info);
        Bytes.assign(Out, Out + OutSize);
    } catch (...) {
        jpeg_destroy_compress(&Info);
        std::free(Out);
        throw;
    }
    jpeg_destroy_compress(&Info);
    std::free(Out);
    return Bytes;
}

} // namespace quillon::test
