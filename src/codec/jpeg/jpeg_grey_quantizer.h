// Grey output of one-component files: 236 levels with Floyd-Steinberg error
// diffusion, bit for bit as the reference decoder's one-pass quantiser.
#pragma once

#include <cstdint>
#include <vector>

namespace quillon {

// The one-pass 236-level grey quantiser with Floyd-Steinberg error diffusion.
class TGreyQuantizer {
  public:
    explicit TGreyQuantizer(int Width);
    // One row of grey samples, top row first, to palette indices.
    void QuantizeRow(const uint8_t* Samples, uint8_t* Indices);
    static uint8_t Level(uint8_t Index); // (255*j + 117) / 235

  private:
    int FWidth;
    bool FOnOddRow = false;       // odd rows run right to left
    std::vector<int16_t> FErrors; // FWidth + 2 entries, one of padding at each end
};

} // namespace quillon
