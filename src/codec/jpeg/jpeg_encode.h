// Encoding rendered rows into the baseline JFIF form every signed copy has:
// quality 100 (all quantisation entries 1), Y sampled 2x2 and Cb, Cr 1x1,
// the standard Huffman tables, JFIF 1.01 with density 1x1 and no unit.
#pragma once

#include "jpeg_render.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace quillon {

struct TEncodedJpeg {
    struct TFree {
        void operator()(uint8_t* P) const { std::free(P); }
    };
    std::unique_ptr<uint8_t, TFree> Data;
    size_t Size = 0;
};

// Image rows hold blue, green, red. Raises EJpegError on codec errors and
// std::bad_alloc when the output cannot grow.
TEncodedJpeg EncodeJpegQuality100(const TRenderedImage& Image);

} // namespace quillon
