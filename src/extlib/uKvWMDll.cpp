// Placeholder: the adapter is built on its own branch.
#include "uKvWMDll.h"

namespace quillon {

bool LoadWMDll() {
    return false;
}
int32_t VerifyWithWMDll(const char*, const char*) {
    return -3;
}

} // namespace quillon
