// The two entry points of the external watermark library that are called.
// The context is pointer-sized; every other value is 32-bit.
#pragma once

#include <cstdint>

namespace quillon {

// Starts a session from an argument vector; 0 when it cannot work.
using TWMInitMediaSign = intptr_t (*)(int32_t Argc, char** Argv, int32_t A, int32_t B, int32_t C);
// Judges the file named by the session: 0 does not verify, -1 failure, anything else verifies.
using TWMVerify = int32_t (*)(intptr_t Context, int32_t Flags);

} // namespace quillon
