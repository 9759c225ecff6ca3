// What one call of an entry works with besides its arguments, in place of
// settings of the whole process: the limits a photo's decoding keeps to,
// the thread budget every helper thread draws from, how the external
// library is loaded and whether a batch already found it absent, and where
// the bytes read are counted. The plain entries (VerifyJpeg, SignAVI, ...)
// use the defaults.
#pragma once

#include "codec/jpeg/jpeg_context.h"
#include "extlib/uKvWMDll.h"
#include "platform/thread_budget.h"

namespace quillon {

class TByteMeter;

struct TCallContext {
    TJpegLimits Limits;
    TThreadBudget* Threads = &DefaultThreadBudget(); // none: the default budget
    TLibraryLoader Loader = PlatformLibraryLoader();
    TWMDllAbsenceMemo* LibraryMemo = nullptr; // none: the library is searched for every time
    TByteMeter* Meter = nullptr;              // none: not counted

    // The part a photo's decoding works with.
    TJpegDecodeContext Decoding() const;
};

inline TThreadBudget& ThreadsOf(const TCallContext& Context) {
    return Context.Threads ? *Context.Threads : DefaultThreadBudget();
}

inline TJpegDecodeContext TCallContext::Decoding() const {
    TJpegDecodeContext Context;
    Context.Limits = Limits;
    Context.Threads = &ThreadsOf(*this);
    Context.Meter = Meter;
    return Context;
}

} // namespace quillon
