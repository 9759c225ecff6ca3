// The segments a camera writes that describe a photo without changing its
// pixels: EXIF and XMP (APP1) and the ICC colour profile (APP2). Signing
// drops them with the re-encoding; these carry them over on request.
#pragma once

#include "jpeg_segment_reader.h"

#include <string>
#include <vector>

namespace quillon {

// The EXIF, XMP (standard and extended) and ICC profile segments of the
// header area, complete ones only, in file order. Raises EFileError.
std::vector<TJpegSegment> ReadJpegMetadata(const std::string& Path);

// Places Segments into the JPEG stream Data right behind its JFIF APP0
// segment, or behind SOI when it has none, where cameras put them;
// everything else stays byte for byte. Raises EFileError when Data does not
// start like a JPEG stream.
void InsertJpegMetadataInMemory(std::string& Data, const std::vector<TJpegSegment>& Segments);
// The same for the file at Path, which is replaced in one step. Raises
// EFileError.
void InsertJpegMetadata(const std::string& Path, const std::vector<TJpegSegment>& Segments);

} // namespace quillon
