// What the JPEG benchmarks share: the test photo, and the system codec doing
// the peer's work (encoding, and decoding with its float IDCT).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon::bench {

using TBytes = std::vector<uint8_t>;

// A photo-like picture, R,G,B rows: smooth gradients with grain, so the
// entropy coder has real work to do.
TBytes MakePhotoRgb(int Width, int Height);

// Encodes R,G,B rows with the system codec; Sampling is the luma factor both
// ways (chroma 1x1).
TBytes EncodeWithLibrary(const TBytes& Rgb, int Width, int Height, int Quality, int Sampling);

// The peer decode: the file read whole, then the system codec's own float
// IDCT with fancy upsampling and block smoothing (or, without FloatIdct, its
// default settings, which a plain image viewer uses). Returns the pixels.
TBytes DecodeWithLibrary(const std::string& Path, int& Width, int& Height, bool FloatIdct = true);

void WriteFileBytes(const std::string& Path, const TBytes& Bytes);

} // namespace quillon::bench
