// Block smoothing of incompletely refined progressive files: the low AC
// coefficients that were never sent are predicted from the DC values of the
// neighbouring blocks, as the reference decoder does before its IDCT.
#pragma once

#include <cstddef>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace quillon {

// The quantised coefficients of one component as the renderer holds them.
struct TComponentCoefficients {
    int WidthInBlocks;   // compptr->width_in_blocks
    int HeightInBlocks;  // compptr->height_in_blocks
    size_t BlocksPerRow; // stride of Blocks in blocks (>= WidthInBlocks)
    const JCOEF* Blocks; // 64 coefficients a block, natural order, row-major blocks
    const UINT16* Quant; // the component's latched table, 64 entries, natural order
    int CoefBits[6];     // the library's coef_bits[ci][0..5] after all scans were read
};

// Whether the reference decoder smooths this decode. Call after jpeg_read_coefficients.
bool BlockSmoothingApplies(const jpeg_decompress_struct& Info);

// The smoothed coefficients of block (Row, Col) of a component, 64 in natural order.
void SmoothBlock(const TComponentCoefficients& C, int Row, int Col, JCOEF Out[64]);

} // namespace quillon
