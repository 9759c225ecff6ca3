// The threads the process keeps busy, drawn from one budget: the workers of
// a batch, and every helper thread a job starts for itself (decoding ahead,
// rendering a second half, reading ahead, copying in the background, the
// header walk, late deletions). A job takes a seat for its own thread,
// waiting for a free one; a helper starts only where a thread is free, and
// otherwise its work runs on the job's own thread. So the process never has
// more busy threads than the budget, however many jobs run, while a single
// job on an idle machine still gets every thread.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace quillon {

// The machine's processor count, read once (at least 1).
int ProcessorCount();

class TThreadBudget {
  public:
    explicit TThreadBudget(int Threads); // at least 1
    TThreadBudget(const TThreadBudget&) = delete;
    TThreadBudget& operator=(const TThreadBudget&) = delete;

    int Size() const { return FSize; }
    // Takes a thread, waiting until one is free.
    void Take();
    // Takes a thread when one is free.
    bool TryTake();
    void Give();
    // The most threads taken at once so far, for tests.
    int PeakTaken() const;

  private:
    const int FSize;
    mutable std::mutex FLock;
    std::condition_variable FFreed;
    int FTaken = 0;
    int FPeak = 0;
};

// One thread a processor, for every caller that brings no budget of its own.
TThreadBudget& DefaultThreadBudget();

// The calling thread's seat in Budget for the object's lifetime: a thread of
// it, taken (waiting for a free one) unless this thread already has its seat
// there, as a batch job's thread or a helper has.
class TThreadSeat {
  public:
    explicit TThreadSeat(TThreadBudget& Budget);
    ~TThreadSeat();
    TThreadSeat(const TThreadSeat&) = delete;
    TThreadSeat& operator=(const TThreadSeat&) = delete;

  private:
    TThreadBudget* FTaken;    // none: the thread already had its seat
    TThreadBudget* FPrevious; // the thread's seat before
};

// A thread taken from a budget and not yet used; given back when destroyed.
class TThreadToken {
  public:
    TThreadToken() = default;
    // A free thread of Budget, or an empty token.
    static TThreadToken TryTake(TThreadBudget& Budget);
    TThreadToken(TThreadToken&& Other) noexcept;
    TThreadToken& operator=(TThreadToken&& Other) noexcept;
    TThreadToken(const TThreadToken&) = delete;
    TThreadToken& operator=(const TThreadToken&) = delete;
    ~TThreadToken();

    explicit operator bool() const { return FBudget != nullptr; }
    TThreadBudget* Budget() const { return FBudget; }

  private:
    friend class THelperThread;
    TThreadBudget* FBudget = nullptr;
};

// Work on a helper thread that holds a thread of the budget, when one is
// free: Started() tells, and the caller does the work itself otherwise.
// Join (also done by the destructor) waits for the work and raises what it
// raised.
class THelperThread {
  public:
    THelperThread() = default;
    THelperThread(TThreadBudget& Budget, std::function<void()> Work);
    // Starts Work with Token's thread; an empty token starts nothing.
    THelperThread(TThreadToken Token, std::function<void()> Work);
    THelperThread(const THelperThread&) = delete;
    THelperThread& operator=(const THelperThread&) = delete;
    ~THelperThread();

    bool Started() const { return FThread.joinable(); }
    void Join();

  private:
    std::thread FThread;
    std::exception_ptr FError;
};

// Work that runs beside its caller on a helper thread where the budget has
// one free, and otherwise when the caller finishes it: Finish() waits for
// it (or does it) and raises what it raised.
class TWorkBeside {
  public:
    TWorkBeside(TThreadBudget& Budget, std::function<void()> Work);
    void Finish();

  private:
    std::function<void()> FWork;
    THelperThread FHelper;
};

} // namespace quillon
