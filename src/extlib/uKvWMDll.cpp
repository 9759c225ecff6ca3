#include "uKvWMDll.h"

#include "platform/files.h"
#include "platform/system_text.h"
#include "wm_exports.h"

#include <mutex>
#include <optional>

namespace quillon {

const char* const WMExportNames[WMExportCount] = {
    "WMInitMediaSign", "WMGetValue", "WMSetValueRaw", "WMLoadImage", "WMDumpImage",
    "WMFreeMediaSign", "WMReadCode", "WMWriteCode",   "WMVerify",
};

namespace {

constexpr int SlotInit = 0;
constexpr int SlotVerify = 8;

// Rewritten by every load, left stale by the unload.
TLibraryHandle WMDllHandle = nullptr;
void* WMSlots[WMExportCount] = {};

// The handle and slots above, and every memo: one request at a time.
std::mutex OneRequest;

} // namespace

TLibraryLoader PlatformLibraryLoader() {
    return {&LoadDynamicLibrary, &GetLibrarySymbol, &FreeDynamicLibrary};
}

std::string WMDllFileName() {
    return SharedLibraryFileName("dorvat");
}

TLibraryHandle WMDllLastHandle() {
    return WMDllHandle;
}

void* WMDllLastSlot(int Index) {
    return Index >= 0 && Index < WMExportCount ? WMSlots[Index] : nullptr;
}

bool LoadWMDll(const TLibraryLoader& Loader) {
    WMDllHandle = Loader.Load(WMDllFileName());
    if (WMDllHandle == nullptr)
        return false;
    for (int I = 0; I < WMExportCount; ++I)
        WMSlots[I] = Loader.Symbol(WMDllHandle, WMExportNames[I]);
    // A library we cannot call is no better than none.
    if (WMSlots[SlotInit] == nullptr || WMSlots[SlotVerify] == nullptr) {
        Loader.Free(WMDllHandle);
        return false;
    }
    return true;
}

int32_t VerifyWithWMDll(const char* SiteCode, const char* Path) {
    return VerifyWithWMDllUsing(SiteCode, Path, PlatformLibraryLoader(), nullptr);
}

int32_t VerifyWithWMDllUsing(const char* SiteCode, const char* Path, const TLibraryLoader& Loader,
                             TWMDllAbsenceMemo* Memo) {
    // The handle and slots are the module's own: one request at a time,
    // also when several files are checked side by side.
    const std::lock_guard<std::mutex> Guard(OneRequest);
    if (SiteCode == nullptr || *SiteCode == '\0')
        return LibraryNoSiteCode;
    if (Path == nullptr || *Path == '\0')
        return LibraryNoFile;
    if (!FileExists(Path))
        return LibraryNoFile;
    // The library is an 8-bit program of the system and opens paths in its
    // code page; a path that has no form there is a file it cannot find.
    std::optional<std::string> LibraryPath = SystemCodePageText(Path);
    if (!LibraryPath)
        return LibraryNoFile;
    if (Memo && Memo->FKnownAbsent)
        return LibraryAbsent;
    if (!LoadWMDll(Loader)) {
        if (Memo)
            Memo->FKnownAbsent = true;
        return LibraryAbsent;
    }

    char Prog[] = "prog";
    char Key[] = "-key";
    char Verify[] = "-verify";
    char Fine[] = "-fine";
    // The library takes a non-const vector; it receives the caller's strings themselves.
    // Where the path needs no change, the library gets the caller's own string.
    char* PathArg = *LibraryPath == Path ? const_cast<char*>(Path) : LibraryPath->data();
    char* Argv[6] = {Prog, Key, const_cast<char*>(SiteCode), Verify, Fine, PathArg};

    const auto Init = reinterpret_cast<TWMInitMediaSign>(WMSlots[SlotInit]);
    const auto Check = reinterpret_cast<TWMVerify>(WMSlots[SlotVerify]);

    // The exception object may belong to the library's code, so it must be
    // gone before the library is unloaded.
    std::optional<std::string> Failure;
    bool Started = false;
    int32_t Answer = 0;
    try {
        const intptr_t Context = Init(6, Argv, 0, 2, 0);
        if (Context != 0) {
            Started = true;
            Answer = Check(Context, 0);
        }
    } catch (const std::exception& E) {
        Failure = E.what();
    } catch (...) {
        Failure = "unknown exception";
    }
    Loader.Free(WMDllHandle);

    if (Failure)
        throw EWMLibraryError("external watermark library: " + *Failure);
    if (!Started)
        return LibraryNotStarted;
    if (Answer == -1)
        return LibraryFailed;
    return Answer == 0 ? LibraryNotVerified : LibraryVerified;
}

} // namespace quillon
