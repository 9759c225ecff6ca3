#include "cli_batch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon::cli {

void RunBatch(size_t Count, int Jobs, TThreadBudget& Threads, const TBatchCallbacks& Callbacks) {
    std::mutex Lock;
    std::condition_variable Changed;
    std::vector<char> Finished(Count, 0);
    std::atomic<size_t> Next{0};

    const auto Worker = [&] {
        for (size_t I; (I = Next.fetch_add(1)) < Count;) {
            {
                const TThreadSeat Seat(Threads);
                Callbacks.Work(I);
            }
            {
                const std::lock_guard<std::mutex> Guard(Lock);
                Finished[I] = 1;
            }
            Changed.notify_one();
        }
    };
    const size_t WorkerCount =
        std::clamp<size_t>(static_cast<size_t>(std::max(Jobs, 1)), 1, std::max<size_t>(Count, 1));
    std::vector<std::thread> Workers;
    for (size_t T = 0; T < WorkerCount; ++T)
        Workers.emplace_back(Worker);

    // The calling thread reports; the lock is never held while it does.
    for (size_t Reported = 0; Reported < Count;) {
        size_t Ready = Reported;
        {
            std::unique_lock<std::mutex> Guard(Lock);
            Changed.wait_for(Guard, std::chrono::milliseconds(100),
                             [&] { return Finished[Reported] != 0; });
            while (Ready < Count && Finished[Ready])
                ++Ready;
        }
        for (; Reported < Ready; ++Reported)
            Callbacks.Done(Reported);
        if (Callbacks.Tick)
            Callbacks.Tick();
    }
    for (std::thread& T : Workers)
        T.join();
}

} // namespace quillon::cli
