// The external watermark library, loaded for one request at a time.
#pragma once

#include <cstdint>

namespace quillon {

// Loads the library and resolves its nine entry points; false when nothing loads.
bool LoadWMDll();
// 1 verified, 0 not, -1 no site code, -2 no file, -3 no library,
// -4 initialisation failed, -5 the library answered -1.
int32_t VerifyWithWMDll(const char* SiteCode, const char* Path);

} // namespace quillon
