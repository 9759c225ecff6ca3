// What the JPEG benchmarks share: the test photo, and the system codec doing
// the peer's work (encoding, and decoding with its float IDCT).
#pragma once

#include <cstdint>
#include <functional>
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

// Wall-clock seconds of one call.
double SecondsOf(const std::function<void()>& Work);
double Median(std::vector<double> Samples);
// The medians of Works run in turn, Runs rounds, so that a busy spell of the
// machine hits all alike.
std::vector<double> MedianSeconds(const std::vector<std::function<void()>>& Works, int Runs);

// One row of a speed table: ours against a named peer measured in the same
// run, with the goal for the ratio (empty: none).
void PrintRatioRow(const std::string& What, double Seconds, const std::string& Peer,
                   double PeerSeconds, const std::string& Goal);

} // namespace quillon::bench
