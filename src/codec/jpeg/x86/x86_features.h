// What the processor offers the vector routes, asked once per process.
#pragma once

namespace quillon {

struct TX86Features {
    bool Avx2 = false;
    bool Avx512 = false; // the foundation and the 128/256-bit forms (F and VL)
};

const TX86Features& X86Features();

} // namespace quillon
