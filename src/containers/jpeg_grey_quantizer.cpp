#include "jpeg_grey_quantizer.h"

#include <stdexcept>

namespace quillon {

TGreyQuantizer::TGreyQuantizer(int Width) : FWidth(Width) {
    throw std::logic_error("not built yet");
}

void TGreyQuantizer::QuantizeRow(const uint8_t*, uint8_t*) {
    throw std::logic_error("not built yet");
}

uint8_t TGreyQuantizer::Level(uint8_t Index) {
    return static_cast<uint8_t>((255 * Index + 117) / 235);
}

} // namespace quillon
