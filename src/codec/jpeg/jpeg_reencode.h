// Re-encoding a file into the form every signed copy has.
#pragma once

#include "jpeg_context.h"
#include "jpeg_encode.h"

#include <string>

namespace quillon {

// Renders Src and encodes it at quality 100, in memory. Raises on failure.
TEncodedJpeg ReencodeJpegFile(const std::string& SrcPath, const TJpegDecodeContext& Context = {});
// The same into Dst, which is replaced in one step once the file is
// complete (a link there is replaced, never followed). Does nothing when no
// file exists at Src. Raises on failure, leaving Dst as it was; Src is read
// whole before Dst is written, so both may name the same file.
void ReencodeJpeg(const std::string& SrcPath, const std::string& DstPath,
                  const TJpegDecodeContext& Context = {});

} // namespace quillon
