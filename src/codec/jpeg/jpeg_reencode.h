// Re-encoding a file into the form every signed copy has.
#pragma once

#include <string>

#include "jpeg_context.h"

namespace quillon {

// Renders Src and encodes it at quality 100 into Dst. Does nothing when no
// file exists at Src. Raises on failure; Src is read whole before Dst is
// created, so both may name the same file.
void ReencodeJpeg(const std::string& SrcPath, const std::string& DstPath,
                  const TJpegDecodeContext& Context = {});

} // namespace quillon
