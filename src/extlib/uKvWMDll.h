// The external watermark library, loaded for one request at a time.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/dynamic_library.h"

namespace quillon {

// Loads the library and resolves its nine entry points; false when nothing
// loads or when the two entries that are called are missing (then it is
// unloaded again).
bool LoadWMDll();
// 1 verified, 0 not, -1 no site code, -2 no file, -3 no library,
// -4 initialisation failed, -5 the library answered -1.
// An exception raised inside the library arrives as EWMLibraryError, after
// the library has been unloaded.
int32_t VerifyWithWMDll(const char* SiteCode, const char* Path);

// The library's file name on this platform.
const char* WMDllFileName();

// Something raised inside the library. The original exception object may
// live in the library's code, so only its text survives the unload.
class EWMLibraryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The platform operations the adapter goes through; replaceable so that the
// load sequence can be observed.
struct TLibraryLoader {
    LibraryHandle (*Load)(const std::string& FileName);
    void* (*Symbol)(LibraryHandle Handle, const char* Name);
    void (*Free)(LibraryHandle Handle);
};
TLibraryLoader PlatformLibraryLoader();
// Installs Loader for the object's lifetime.
class ScopedLibraryLoader {
  public:
    explicit ScopedLibraryLoader(const TLibraryLoader& Loader);
    ~ScopedLibraryLoader();
    ScopedLibraryLoader(const ScopedLibraryLoader&) = delete;
    ScopedLibraryLoader& operator=(const ScopedLibraryLoader&) = delete;

  private:
    TLibraryLoader FPrevious;
};

// The nine exports in the order they are resolved.
inline constexpr int WMExportCount = 9;
extern const char* const WMExportNames[WMExportCount];
// The handle and slots of the last load; stale after the unload.
LibraryHandle WMDllLastHandle();
void* WMDllLastSlot(int Index);

} // namespace quillon
