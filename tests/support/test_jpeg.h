// The system libjpeg as the tests use it directly, independent of our codec:
// encoding test pictures into memory and reading files back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <functional>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

namespace quillon::test {

// A fatal libjpeg error in a struct set up here; names the message code.
class TJpegLibError : public std::runtime_error {
  public:
    explicit TJpegLibError(int MsgCode);
};

// A decompressor over bytes in memory, destroyed with the object; the bytes
// must outlive it. Fatal errors throw TJpegLibError, warnings stay quiet.
class TJpegReader {
  public:
    explicit TJpegReader(const std::vector<uint8_t>& Bytes);
    ~TJpegReader() { jpeg_destroy_decompress(&Info); }
    TJpegReader(const TJpegReader&) = delete;
    TJpegReader& operator=(const TJpegReader&) = delete;

    jpeg_decompress_struct Info{};

  private:
    jpeg_error_mgr FErr{};
};

// How an encoded test picture is laid out in scans.
enum class TScanLayout { Baseline, SimpleProgression, Script };

// A noisy gradient: sample C of pixel (X, Y) is Gradient(X, Y, C) plus the top
// NoiseBits bits of a linear congruential generator started at Seed and
// stepped once a sample, row by row, pixel by pixel, component by component;
// the sum is taken modulo 256.
struct TTestPicture {
    int Width = 0;
    int Height = 0;
    int Components = 3; // 1 is grey, 3 is RGB (stored as YCbCr 4:2:0)
    int Quality = 75;
    TScanLayout Layout = TScanLayout::Baseline;
    std::vector<jpeg_scan_info> Script; // the scans, with TScanLayout::Script
    uint32_t Seed = 1;
    int NoiseBits = 5; // 0: the gradient alone
    std::function<int(int X, int Y, int C)> Gradient;
};

// Picture encoded by the system libjpeg with its default settings otherwise.
std::vector<uint8_t> EncodeTestJpeg(const TTestPicture& Picture);

} // namespace quillon::test
