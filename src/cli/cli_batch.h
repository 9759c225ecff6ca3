// Many files at once, reported in order: workers take the files one after
// another, and the calling thread hands each finished result on as soon as
// every result before it is in, so the output is the same for any number of
// workers.
#pragma once

#include <cstddef>
#include <functional>

#include "platform/thread_budget.h"

namespace quillon::cli {

struct TBatchCallbacks {
    // Does item I; runs on a worker thread, several at once. Must not throw.
    std::function<void(size_t I)> Work;
    // Item I is done, and so are all items before it; on the calling thread.
    std::function<void(size_t I)> Done;
    // About ten times a second while work goes on; on the calling thread.
    std::function<void()> Tick;
};

// Runs items 0 .. Count-1 on Jobs worker threads (at least one), each item
// with a seat in Threads: more jobs than the budget has threads wait for one.
void RunBatch(size_t Count, int Jobs, TThreadBudget& Threads, const TBatchCallbacks& Callbacks);

} // namespace quillon::cli
