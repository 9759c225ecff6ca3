// The keyed checksum of a JPEG signature: signing and verification must feed
// exactly the same bytes in the same order, so both go through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/jpeg/jpeg_context.h"

namespace quillon {

struct TRenderedImage;

// Runs the register over the site code's bytes (up to its NUL), the count
// taken modulo 65536.
void FeedSiteCode(const char* SiteCode, uint32_t& CRC);
// Runs the register over the first (3 x width) mod 65536 bytes of one row,
// or of every row of an image, top to bottom.
void FeedRenderedRow(const uint8_t* Row, int32_t Width, uint32_t& CRC);
void FeedRenderedRows(const TRenderedImage& Image, uint32_t& CRC);
// Register 0, the site code, then the rows of the file as it renders. Raises
// what rendering raises.
uint32_t JpegSignatureChecksum(const char* SiteCode, const std::string& Path,
                               const TJpegDecodeContext& Context = {});
// The same for a JPEG stream in memory.
uint32_t JpegSignatureChecksum(const char* SiteCode, const uint8_t* Data, size_t Size,
                               const TJpegDecodeContext& Context = {});

} // namespace quillon
