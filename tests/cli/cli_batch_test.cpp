// A batch hands its results on in order whatever the number of jobs, and
// more jobs than the thread budget has threads wait for one: never more
// items are worked on at once than the budget allows.
#include "cli/cli_batch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace quillon::cli {
namespace {

TEST(CliBatch, JobsBeyondTheBudgetWaitAndResultsComeInOrder) {
    for (const int Jobs : {1, 2, 6}) {
        TThreadBudget Threads(2);
        std::atomic<int> Busy{0}, MostBusy{0};
        std::vector<size_t> Done;
        TBatchCallbacks Batch;
        Batch.Work = [&](size_t I) {
            const int Now = ++Busy;
            for (int Seen = MostBusy.load();
                 Now > Seen && !MostBusy.compare_exchange_weak(Seen, Now);)
                ;
            std::this_thread::sleep_for(std::chrono::milliseconds(I % 3 == 0 ? 5 : 1));
            --Busy;
        };
        Batch.Done = [&](size_t I) { Done.push_back(I); };
        RunBatch(12, Jobs, Threads, Batch);
        EXPECT_EQ(Done, (std::vector<size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})) << Jobs;
        EXPECT_LE(MostBusy.load(), std::min(Jobs, 2)) << Jobs;
        EXPECT_LE(Threads.PeakTaken(), std::min(Jobs, 2)) << Jobs;
    }
}

} // namespace
} // namespace quillon::cli
