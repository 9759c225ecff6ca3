#include "x86_features.h"

namespace quillon {

const TX86Features& X86Features() {
    static const TX86Features Features = [] {
        __builtin_cpu_init();
        TX86Features F;
        F.Avx2 = __builtin_cpu_supports("avx2");
        F.Avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
        return F;
    }();
    return Features;
}

} // namespace quillon
