#include "jpeg_block_smoothing.h"

#include <cstdint>

namespace quillon {

namespace {

// Natural-order positions of zigzag coefficients 1 to 5.
constexpr int Pos01 = 1;
constexpr int Pos10 = 8;
constexpr int Pos20 = 16;
constexpr int Pos11 = 9;
constexpr int Pos02 = 2;

// One K.8 estimate: round(Num / (Q * 256)) with the sign handled
// separately, then kept below 2^Al when the coefficient's low Al bits
// are the only ones still unknown. The products are formed in 64 bits:
// a 32-bit register overflows for large tables and DC differences.
JCOEF Predict(int64_t Num, int64_t Q, int Al) {
    const bool Negative = Num < 0;
    const int64_t Magnitude = Negative ? -Num : Num;
    int64_t Pred = ((Q << 7) + Magnitude) / (Q << 8);
    if (Al > 0 && Pred >= (int64_t{1} << Al)) {
        Pred = (int64_t{1} << Al) - 1;
    }
    if (Negative) {
        Pred = -Pred;
    }
    // The reference stores the estimate into a 16-bit coefficient as is.
    return static_cast<JCOEF>(static_cast<int32_t>(Pred));
}

} // namespace

bool BlockSmoothingApplies(const jpeg_decompress_struct& Info) {
    if (!Info.progressive_mode || Info.coef_bits == nullptr) {
        return false;
    }
    bool Useful = false;
    for (int Ci = 0; Ci < Info.num_components; ++Ci) {
        const JQUANT_TBL* Table = Info.comp_info[Ci].quant_table;
        // A component that never had a scan has no latched table.
        if (Table == nullptr) {
            return false;
        }
        // The estimates divide by these entries.
        const UINT16* Q = Table->quantval;
        if (Q[0] == 0 || Q[Pos01] == 0 || Q[Pos10] == 0 || Q[Pos20] == 0 || Q[Pos11] == 0 ||
            Q[Pos02] == 0) {
            return false;
        }
        const int* Bits = Info.coef_bits[Ci];
        if (Bits[0] < 0) {
            return false;
        }
        for (int K = 1; K <= 5; ++K) {
            if (Bits[K] != 0) {
                Useful = true;
            }
        }
    }
    return Useful;
}

void SmoothBlock(const TComponentCoefficients& C, int Row, int Col, JCOEF Out[64]) {
    auto BlockAt = [&C](int R, int K) {
        return C.Blocks + (static_cast<size_t>(R) * C.BlocksPerRow + static_cast<size_t>(K)) * 64;
    };
    const JCOEF* Block = BlockAt(Row, Col);
    for (int I = 0; I < 64; ++I) {
        Out[I] = Block[I];
    }

    // At the component's edges the edge row or column stands in for the
    // missing neighbour.
    const int Up = Row > 0 ? Row - 1 : Row;
    const int Down = Row < C.HeightInBlocks - 1 ? Row + 1 : Row;
    const int Left = Col > 0 ? Col - 1 : Col;
    const int Right = Col < C.WidthInBlocks - 1 ? Col + 1 : Col;
    const int64_t DC1 = BlockAt(Up, Left)[0];
    const int64_t DC2 = BlockAt(Up, Col)[0];
    const int64_t DC3 = BlockAt(Up, Right)[0];
    const int64_t DC4 = BlockAt(Row, Left)[0];
    const int64_t DC5 = BlockAt(Row, Col)[0];
    const int64_t DC6 = BlockAt(Row, Right)[0];
    const int64_t DC7 = BlockAt(Down, Left)[0];
    const int64_t DC8 = BlockAt(Down, Col)[0];
    const int64_t DC9 = BlockAt(Down, Right)[0];

    const int64_t Q00 = C.Quant[0];
    // Only coefficients that are still zero and not known exactly are
    // estimated; a coefficient already received keeps its value.
    auto Estimate = [&](int Pos, int Bits, int64_t Num) {
        if (Bits != 0 && Out[Pos] == 0) {
            Out[Pos] = Predict(Num, C.Quant[Pos], Bits);
        }
    };
    Estimate(Pos01, C.CoefBits[1], 36 * Q00 * (DC4 - DC6));
    Estimate(Pos10, C.CoefBits[2], 36 * Q00 * (DC2 - DC8));
    Estimate(Pos20, C.CoefBits[3], 9 * Q00 * (DC2 + DC8 - 2 * DC5));
    Estimate(Pos11, C.CoefBits[4], 5 * Q00 * (DC1 - DC3 - DC7 + DC9));
    Estimate(Pos02, C.CoefBits[5], 9 * Q00 * (DC4 + DC6 - 2 * DC5));
}

} // namespace quillon
