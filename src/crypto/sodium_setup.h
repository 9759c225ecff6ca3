// libsodium must be initialised once before its first use; every entry of
// this layer calls EnsureSodium first, so callers never need to.
#pragma once

namespace quillon {

// Raises ECryptoError (Failure) when the library cannot start.
void EnsureSodium();

} // namespace quillon
