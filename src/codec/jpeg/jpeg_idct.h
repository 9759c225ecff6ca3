// The decoder's inverse DCT: dequantisation multipliers and the float AAN
// transform, evaluated exactly as the reference decoder evaluates it (every
// named value single precision, each defining expression carried out on a
// 64-bit significand and rounded once).
#pragma once

#include <cfloat>
#include <cstddef>
#include <cstdint>

namespace quillon {

// The one place that states the requirement: long double must be the x87
// extended type. A target without it needs another exact evaluation route.
#if LDBL_MANT_DIG != 64
#error "the exact IDCT needs long double with a 64-bit significand"
#endif
using TExtended = long double;

// M[u*8+v] = single((Q[u*8+v] * S[u]) * S[v]) for a table in natural order;
// a component that never got a table has all-zero multipliers.
void MakeDequantTable(const uint16_t* Quant, float M[64]);

// 64 quantised coefficients in natural order to an 8x8 block of samples,
// written at Out with OutStride bytes between rows.
void InverseDctBlock(const int16_t* Coef, const float* M, uint8_t* Out, size_t OutStride);

// The same transform one value at a time in extended precision: slow, and
// the yardstick the fast path is held to.
void InverseDctBlockReference(const int16_t* Coef, const float* M, uint8_t* Out, size_t OutStride);

// A block whose AC coefficients are all zero: each pass then passes its
// input through unchanged (x + 0, x - 0), so all 64 samples are the DC's.
void InverseDctDcBlock(int16_t Dc, float M0, uint8_t* Out, size_t OutStride);

// The eight-lane evaluation: false when the processor lacks it or when a
// value came too close to a rounding boundary to be sure (then nothing is
// written and the reference evaluation must do the block).
bool InverseDctBlockVector(const int16_t* Coef, const float* M, uint8_t* Out, size_t OutStride);
bool VectorIdctAvailable();

// The row pass's final step for one output: an extended-precision value to
// its sample (double, truncation, descale by 8, wrap modulo 1024, +128, clamp).
uint8_t IdctOutputSample(double Value);

} // namespace quillon
