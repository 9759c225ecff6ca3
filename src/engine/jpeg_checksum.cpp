#include "jpeg_checksum.h"

#include "CRC32.h"
#include "codec/jpeg/jpeg_render.h"

#include <cstring>

namespace quillon {

void FeedSiteCode(const char* SiteCode, uint32_t& CRC) {
    UpdateCRC32(SiteCode, static_cast<uint16_t>(std::strlen(SiteCode)), CRC);
}

void FeedRenderedRows(const TRenderedImage& Image, uint32_t& CRC) {
    // A row holds 3 x width bytes (grey images come as g, g, g), so the
    // covered count never runs past it.
    const auto Count = static_cast<uint16_t>(static_cast<uint32_t>(Image.Width) * 3u);
    for (int32_t Y = 0; Y < Image.Height; ++Y)
        UpdateCRC32(Image.Row(Y), Count, CRC);
}

uint32_t JpegSignatureChecksum(const char* SiteCode, const std::string& Path) {
    uint32_t CRC = 0;
    FeedSiteCode(SiteCode, CRC);
    const TRenderedImage Image = RenderJpegFile(Path);
    FeedRenderedRows(Image, CRC);
    return CRC;
}

} // namespace quillon
