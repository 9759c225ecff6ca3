// What the reference decoder refuses but the installed library accepts:
// arithmetic coding, fractional sampling ratios, and scans whose Huffman
// tables were never defined (the installed library substitutes defaults).
#pragma once

#include <cstdio>

#include <jpeglib.h>

#include "jpeg_decoder.h"

namespace quillon {

// The colour interpretation of the reference decoder: one component grey;
// three: JFIF means YCbCr, else the Adobe transform (0 RGB, other YCbCr),
// else component ids (1,2,3 YCbCr; 'R','G','B' RGB; other YCbCr); four:
// Adobe transform 0 CMYK, other YCCK, no Adobe segment CMYK.
TJpegColorKind ClassifyJpegColor(const jpeg_decompress_struct& Info);

// After jpeg_read_header: raises the codes the reference raises when it
// starts decompressing (fractional sampling, then arithmetic coding, then
// missing tables of the first scan).
void CheckJpegDecodable(jpeg_decompress_struct& Info);

// Watches the later scans for tables that were never defined while the
// library reads the coefficients. Arm before jpeg_read_coefficients; the
// object must outlive that call.
class TScanTableGuard {
  public:
    explicit TScanTableGuard(jpeg_decompress_struct& Info);
    ~TScanTableGuard();
    TScanTableGuard(const TScanTableGuard&) = delete;
    TScanTableGuard& operator=(const TScanTableGuard&) = delete;

  private:
    jpeg_progress_mgr FProgress; // first: the library hands us its address
    jpeg_decompress_struct& FInfo;
};

} // namespace quillon
