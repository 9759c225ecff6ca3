// What one decode works with besides its stream: the limits it keeps to,
// the thread budget its helpers draw from, and where it reports the bytes
// it reads.
#pragma once

#include "jpeg_limits.h"
#include "platform/thread_budget.h"

namespace quillon {

class TByteMeter;

struct TJpegDecodeContext {
    TJpegLimits Limits;
    TThreadBudget* Threads = &DefaultThreadBudget(); // none: the default budget
    TByteMeter* Meter = nullptr;                     // bytes read from a file are added here
    // For tests and benchmarks, which must see every route give the same
    // samples: single-scan files decoded ahead whatever their size (where
    // the budget has a thread), or through the whole-image coefficients of
    // multi-scan files.
    bool DecodeAheadAlways = false;
    bool WholeImageAlways = false;
};

inline TThreadBudget& ThreadsOf(const TJpegDecodeContext& Context) {
    return Context.Threads ? *Context.Threads : DefaultThreadBudget();
}

} // namespace quillon
