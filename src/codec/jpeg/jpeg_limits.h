// What one decode may cost. A few hundred bytes of header can claim a
// 65500 x 65500 frame, and a few kilobytes thousands of scans over it: the
// decoder works out what a file asks for before it allocates or decodes
// any of it, and refuses what goes beyond these limits. The defaults pass
// every real photo; a limit can be raised for the rare one beyond it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillon {

// A file refused by a limit; what() says which and by how much.
class EJpegLimit : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct TJpegLimits {
    // Bytes one decode may hold at once, counted for the route it takes (a
    // band of rows when they are handed over as they are made, every row
    // when the whole image is wanted). 0: DefaultJpegMemoryLimit(1).
    uint64_t MaxMemory = 0;
    // Pixels of the frame, width x height: 400 million passes the largest
    // camera files (150 MP), as image tools' resource policies pass a few
    // hundred megapixels; a gigapixel panorama needs a raised limit.
    uint64_t MaxPixels = 400'000'000;
    // Scans of a multi-scan file: encoders write about ten (libjpeg's
    // progression has ten, tuned encoders a few more); the limit image
    // tools suggest against files of thousands of scans is a few hundred.
    uint32_t MaxScans = 500;
    // Decoding work per byte of the file, in pixels decoded: every scan
    // counts the pixels of the components it codes (chroma at its sampled
    // size), and the output counts them once more. A complete file codes
    // each 8 x 8 block of each component in at least one bit, so it holds
    // at most 512 component pixels a byte; even a blank photo in a deep
    // progression asks a few thousand pixels a byte. Before decoding, the
    // frame alone may claim a sixteenth of this per byte, twice what a
    // complete file can hold, so a truncated or forged header is refused
    // before anything is allocated. Every file may ask for WorkFloor more.
    uint64_t MaxWorkPerByte = 16384;
};

// Small images never meet the work limit: the first 16 million pixel
// visits are free (a 4-megapixel frame with four scans), and so is a frame
// of up to a million pixels however few bytes describe it.
inline constexpr uint64_t WorkFloor = 1ull << 24;
inline constexpr uint64_t FramePixelFloor = 1ull << 20;
// How much less than the work per byte a frame may claim before decoding.
inline constexpr uint64_t FrameShareOfWork = 16;

// A quarter of the machine's physical memory (4 GB when the system does not
// say) shared by Jobs decodes running side by side: room for the largest
// real photos, while the checks and signing's second image still leave
// the machine out of swap.
uint64_t DefaultJpegMemoryLimit(int Jobs);
// Limits.MaxMemory, or the default for one job.
uint64_t MemoryLimitOf(const TJpegLimits& Limits);

// "12.9 GB", "512.0 MB": decimal units, one decimal place.
std::string FormatByteCount(uint64_t Bytes);

// Raise EJpegLimit with a reason when a limit is exceeded:
// "image too large: W x H needs N, limit L" (memory),
// "W x H is more than 400 million pixels",
// "W x H from N bytes" (more component pixels than FileBytes can code),
// "more than 500 scans",
// "W x H in N scans from S" (more decoding work than FileBytes may ask).
void CheckImageMemory(const TJpegLimits& Limits, uint32_t Width, uint32_t Height, uint64_t Need);
void CheckFramePixels(const TJpegLimits& Limits, uint32_t Width, uint32_t Height,
                      uint64_t ComponentPixels, uint64_t FileBytes);
void CheckScanCount(const TJpegLimits& Limits, uint64_t Scans);
void CheckDecodeWork(const TJpegLimits& Limits, uint32_t Width, uint32_t Height, uint64_t Scans,
                     uint64_t Work, uint64_t FileBytes);

} // namespace quillon
