// How much memory one decode may take. A few hundred bytes of header can
// claim a 65500 x 65500 frame; the decoder works out what such an image
// needs before allocating any of it and refuses it when it would not fit.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillon {

// An image (or file) whose decoding would need more than the limit.
class EImageTooLarge : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The limit for every decode that follows, in bytes; 0 restores the default.
void SetJpegMemoryLimit(uint64_t Bytes);
// The limit in force: the one set, else a quarter of the machine's physical
// memory (4 GB when the system does not say): room for the largest real
// photos, while checks running side by side and signing's second image
// still leave the machine out of swap.
uint64_t JpegMemoryLimit();

// "12.9 GB", "512.0 MB": decimal units, one decimal place.
std::string FormatByteCount(uint64_t Bytes);

// Raises EImageTooLarge with "image too large: W x H needs N, limit L" when
// Need exceeds the limit.
void CheckImageMemory(uint32_t Width, uint32_t Height, uint64_t Need);
// Raises EImageTooLarge with "file too large: N, limit L" when a file of
// Size bytes, read whole, would exceed the limit.
void CheckFileMemory(uint64_t Size);

} // namespace quillon
