#include "temporary_files.h"

#include "files.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon {

namespace {

struct TRegistry {
    std::mutex Lock;
    std::vector<std::string> Paths;
};

TRegistry& Registry() {
    static TRegistry R;
    return R;
}

// One thread deleting what it is given, started on first use and drained
// when the program ends.
class TLateDeleter {
  public:
    ~TLateDeleter() {
        {
            const std::lock_guard<std::mutex> Guard(FLock);
            FStopping = true;
        }
        FChanged.notify_all();
        if (FThread.joinable())
            FThread.join();
    }
    void Add(const std::string& Path, TThreadBudget& Threads) {
        {
            const std::lock_guard<std::mutex> Guard(FLock);
            FQueue.push_back({Path, &Threads});
            if (!FThread.joinable())
                FThread = std::thread([this] { Run(); });
        }
        FChanged.notify_all();
    }
    void Finish() {
        std::unique_lock<std::mutex> Guard(FLock);
        FChanged.wait(Guard, [this] { return FQueue.empty() && !FBusy; });
    }

  private:
    void Run() {
        std::unique_lock<std::mutex> Guard(FLock);
        for (;;) {
            FChanged.wait(Guard, [this] { return FStopping || !FQueue.empty(); });
            if (FQueue.empty())
                return;
            const TLateDeletion Next = std::move(FQueue.front());
            FQueue.pop_front();
            FBusy = true;
            Guard.unlock();
            {
                const TThreadSeat Seat(*Next.Threads);
                DeleteFile(Next.Path);
            }
            ForgetTemporaryFile(Next.Path);
            Guard.lock();
            FBusy = false;
            FChanged.notify_all();
        }
    }
    std::mutex FLock;
    std::condition_variable FChanged;
    struct TLateDeletion {
        std::string Path;
        TThreadBudget* Threads;
    };
    std::deque<TLateDeletion> FQueue;
    bool FBusy = false;
    bool FStopping = false;
    std::thread FThread;
};

TLateDeleter& LateDeleter() {
    DefaultThreadBudget(); // made first, so that it outlives the deleter's last deletions
    static TLateDeleter Deleter;
    return Deleter;
}

} // namespace

void DeleteTemporaryFileLater(const std::string& Path, TThreadBudget& Threads) {
    LateDeleter().Add(Path, Threads);
}

void FinishLateDeletions() {
    LateDeleter().Finish();
}

void RegisterTemporaryFile(const std::string& Path) {
    TRegistry& R = Registry();
    const std::lock_guard<std::mutex> Guard(R.Lock);
    R.Paths.push_back(Path);
}

void CreateTemporaryFile(const std::string& Path, const std::function<void()>& Create) {
    // The interrupt handler takes the same lock: it removes the files only
    // before the creation starts or once the new one is listed.
    TRegistry& R = Registry();
    const std::lock_guard<std::mutex> Guard(R.Lock);
    Create();
    R.Paths.push_back(Path);
}

void ForgetTemporaryFile(const std::string& Path) {
    TRegistry& R = Registry();
    const std::lock_guard<std::mutex> Guard(R.Lock);
    const auto It = std::find(R.Paths.begin(), R.Paths.end(), Path);
    if (It != R.Paths.end())
        R.Paths.erase(It);
}

void RemoveTemporaryFiles() {
    TRegistry& R = Registry();
    const std::lock_guard<std::mutex> Guard(R.Lock);
    for (const std::string& Path : R.Paths)
        DeleteFile(Path);
    R.Paths.clear();
}

} // namespace quillon
