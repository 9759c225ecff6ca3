// The external watermark library, loaded for one request at a time.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/dynamic_library.h"

namespace quillon {

// The platform operations the adapter goes through; a caller may bring
// its own, so that the load sequence can be observed.
struct TLibraryLoader {
    TLibraryHandle (*Load)(const std::string& FileName);
    void* (*Symbol)(TLibraryHandle Handle, const char* Name);
    void (*Free)(TLibraryHandle Handle);
};
TLibraryLoader PlatformLibraryLoader();

// Loads the library and resolves its nine entry points; false when nothing
// loads or when the two entries that are called are missing (then it is
// unloaded again).
bool LoadWMDll(const TLibraryLoader& Loader = PlatformLibraryLoader());
// The adapter's answers. They share numbers with the verification codes but
// not their meanings: only LibraryVerified means anything to a caller.
enum TLibraryVerdict : int32_t {
    LibraryVerified = 1,
    LibraryNotVerified = 0,
    LibraryNoSiteCode = -1,
    LibraryNoFile = -2,
    LibraryAbsent = -3,     // not found, or lacking an entry that is called
    LibraryNotStarted = -4, // initialisation returned no context
    LibraryFailed = -5,     // the verification answered -1
};

// Files checked with one of these form a batch: once the library is found
// absent (or lacking an entry that is called), later requests that bring
// the memo answer LibraryAbsent without searching again. Each search maps
// the system loader's cache and unmaps it, which costs more than checking
// a small photo and stalls the other cores. The next batch searches afresh.
class TWMDllAbsenceMemo {
  public:
    TWMDllAbsenceMemo() = default;
    TWMDllAbsenceMemo(const TWMDllAbsenceMemo&) = delete;
    TWMDllAbsenceMemo& operator=(const TWMDllAbsenceMemo&) = delete;

  private:
    friend int32_t VerifyWithWMDllUsing(const char*, const char*, const TLibraryLoader&,
                                        TWMDllAbsenceMemo*);
    bool FKnownAbsent = false; // under the adapter's request lock
};

// One request: load, initialise, verify, unload. An exception raised inside
// the library arrives as EWMLibraryError, after the library has been unloaded.
int32_t VerifyWithWMDll(const char* SiteCode, const char* Path);
// The same through Loader, remembering in Memo (if any) that the library is absent.
int32_t VerifyWithWMDllUsing(const char* SiteCode, const char* Path, const TLibraryLoader& Loader,
                             TWMDllAbsenceMemo* Memo);

// The library's file name on this platform ("libdorvat.so", "dorvat.dll").
std::string WMDllFileName();

// Something raised inside the library. The original exception object may
// live in the library's code, so only its text survives the unload.
class EWMLibraryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The nine exports in the order they are resolved.
inline constexpr int WMExportCount = 9;
extern const char* const WMExportNames[WMExportCount];
// The handle and slots of the last load; stale after the unload.
TLibraryHandle WMDllLastHandle();
void* WMDllLastSlot(int Index);

} // namespace quillon
