// What the reference decoder refuses but the installed library accepts:
// arithmetic coding, fractional sampling ratios, and scans whose Huffman
// tables were never defined (the installed library substitutes defaults).
#pragma once

#include <cstdio>

#include <jpeglib.h>

#include "jpeg_decoder.h"
#include "jpeg_limits.h"

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

// What the scans of a decode may still cost, checked as each one starts:
// the survey before decoding counts them from the markers, and this check
// holds the decoder to the limits whatever the survey saw.
struct TScanBudget {
    const TJpegLimits* Limits = nullptr;
    uint64_t FileBytes = 0;
    uint64_t Work = 0; // so far: the output, then every scan started
    uint64_t Scans = 0;
};

// Watches the later scans for tables that were never defined, and keeps
// them within Budget (if any), while the library reads the coefficients.
// Arm before jpeg_read_coefficients; the object must outlive that call.
class TScanTableGuard {
  public:
    explicit TScanTableGuard(jpeg_decompress_struct& Info, TScanBudget* Budget = nullptr);
    ~TScanTableGuard();
    TScanTableGuard(const TScanTableGuard&) = delete;
    TScanTableGuard& operator=(const TScanTableGuard&) = delete;

  private:
    static void Monitor(j_common_ptr Common);

    struct THook {
        jpeg_progress_mgr Pub; // first: the library hands us its address
        TScanTableGuard* Owner;
    };
    THook FProgress;
    jpeg_decompress_struct& FInfo;
    TScanBudget* FBudget;
    int FLastScan = 0;
};

} // namespace quillon
