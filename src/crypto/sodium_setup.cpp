#include "sodium_setup.h"

#include "crypto_error.h"

#include <sodium.h>

namespace quillon {

void EnsureSodium() {
    // sodium_init is safe to call from several threads and more than once.
    static const int Started = sodium_init();
    if (Started < 0)
        throw ECryptoError(TCryptoErrorKind::Failure, "the cryptography library failed to start");
}

} // namespace quillon
