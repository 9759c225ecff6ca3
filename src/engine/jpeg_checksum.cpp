#include "jpeg_checksum.h"

#include "CRC32.h"
#include "codec/jpeg/jpeg_render.h"

#include <cstring>

namespace quillon {

void FeedSiteCode(const char* SiteCode, uint32_t& CRC) {
    UpdateCRC32(SiteCode, static_cast<uint16_t>(std::strlen(SiteCode)), CRC);
}

void FeedRenderedRow(const uint8_t* Row, int32_t Width, uint32_t& CRC) {
    // A row holds 3 x width bytes (grey images come as g, g, g); the count
    // is taken modulo 65536, so it never runs past the row.
    UpdateCRC32(Row, static_cast<uint16_t>(static_cast<uint32_t>(Width) * 3u), CRC);
}

void FeedRenderedRows(const TRenderedImage& Image, uint32_t& CRC) {
    for (int32_t Y = 0; Y < Image.Height; ++Y)
        FeedRenderedRow(Image.Row(Y), Image.Width, CRC);
}

uint32_t JpegSignatureChecksum(const char* SiteCode, const std::string& Path,
                               const TJpegDecodeContext& Context) {
    uint32_t CRC = 0;
    FeedSiteCode(SiteCode, CRC);
    // Fed as the rows are made: a single-scan photo is never held whole.
    RenderJpegRows(
        TJpegInput::File(Path),
        [&CRC](const uint8_t* Row, int32_t Width) { FeedRenderedRow(Row, Width, CRC); }, Context);
    return CRC;
}

uint32_t JpegSignatureChecksum(const char* SiteCode, const uint8_t* Data, size_t Size,
                               const TJpegDecodeContext& Context) {
    uint32_t CRC = 0;
    FeedSiteCode(SiteCode, CRC);
    RenderJpegRows(
        TJpegInput::Memory(Data, Size),
        [&CRC](const uint8_t* Row, int32_t Width) { FeedRenderedRow(Row, Width, CRC); }, Context);
    return CRC;
}

} // namespace quillon
