// What the render command does with decoded rows: their checksum and the
// two file forms it can write.
#pragma once

#include "codec/jpeg/jpeg_render.h"
#include "platform/file_stream.h"

#include <cstdint>
#include <string>

namespace quillon::cli {

// The register over every row, started at 0 with no key, fed (3 x width)
// mod 65536 bytes a row: the count signing feeds.
uint32_t RowsChecksum(const TRenderedImage& Image);

// Binary PPM (P6): the rows with each pixel's first and third bytes swapped,
// blue-green-red becoming red-green-blue.
void WritePpm(const TRenderedImage& Image, TFileStream& Out);
// The rows as they stand, 3 x width bytes each, top first.
void WriteRawRows(const TRenderedImage& Image, TFileStream& Out);
// Raw rows for a ".bgr" name (any case), PPM for every other. A file that
// fails after it was opened is removed. Raises EFileError.
void WriteRenderedImage(const TRenderedImage& Image, const std::string& Path);

} // namespace quillon::cli
