#include "thread_budget.h"

#include <algorithm>
#include <utility>

namespace quillon {

namespace {
// The budget in which the calling thread has its seat, if any.
thread_local TThreadBudget* SeatedIn = nullptr;
} // namespace

int ProcessorCount() {
    static const int Count = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return Count;
}

TThreadBudget::TThreadBudget(int Threads) : FSize(std::max(Threads, 1)) {}

void TThreadBudget::Take() {
    std::unique_lock<std::mutex> Guard(FLock);
    FFreed.wait(Guard, [this] { return FTaken < FSize; });
    FPeak = std::max(FPeak, ++FTaken);
}

bool TThreadBudget::TryTake() {
    const std::lock_guard<std::mutex> Guard(FLock);
    if (FTaken >= FSize)
        return false;
    FPeak = std::max(FPeak, ++FTaken);
    return true;
}

void TThreadBudget::Give() {
    {
        const std::lock_guard<std::mutex> Guard(FLock);
        --FTaken;
    }
    FFreed.notify_one();
}

int TThreadBudget::PeakTaken() const {
    const std::lock_guard<std::mutex> Guard(FLock);
    return FPeak;
}

TThreadBudget& DefaultThreadBudget() {
    static TThreadBudget Budget(ProcessorCount());
    return Budget;
}

TThreadSeat::TThreadSeat(TThreadBudget& Budget)
    : FTaken(SeatedIn == &Budget ? nullptr : &Budget), FPrevious(SeatedIn) {
    if (FTaken) {
        FTaken->Take();
        SeatedIn = FTaken;
    }
}

TThreadSeat::~TThreadSeat() {
    if (FTaken) {
        SeatedIn = FPrevious;
        FTaken->Give();
    }
}

TThreadToken TThreadToken::TryTake(TThreadBudget& Budget) {
    TThreadToken Token;
    if (Budget.TryTake())
        Token.FBudget = &Budget;
    return Token;
}

TThreadToken::TThreadToken(TThreadToken&& Other) noexcept
    : FBudget(std::exchange(Other.FBudget, nullptr)) {}

TThreadToken& TThreadToken::operator=(TThreadToken&& Other) noexcept {
    if (this != &Other) {
        if (FBudget)
            FBudget->Give();
        FBudget = std::exchange(Other.FBudget, nullptr);
    }
    return *this;
}

TThreadToken::~TThreadToken() {
    if (FBudget)
        FBudget->Give();
}

THelperThread::THelperThread(TThreadBudget& Budget, std::function<void()> Work)
    : THelperThread(TThreadToken::TryTake(Budget), std::move(Work)) {}

THelperThread::THelperThread(TThreadToken Token, std::function<void()> Work) {
    if (!Token)
        return;
    // The thread gives its seat back as soon as the work is done, before
    // anyone joins it.
    FThread = std::thread([this, Budget = Token.Budget(), Work = std::move(Work)] {
        SeatedIn = Budget;
        try {
            Work();
        } catch (...) {
            FError = std::current_exception();
        }
        SeatedIn = nullptr;
        Budget->Give();
    });
    Token.FBudget = nullptr; // the thread runs: it gives the seat back
}

THelperThread::~THelperThread() {
    if (FThread.joinable())
        FThread.join();
}

void THelperThread::Join() {
    if (FThread.joinable())
        FThread.join();
    if (FError)
        std::rethrow_exception(std::exchange(FError, nullptr));
}

TWorkBeside::TWorkBeside(TThreadBudget& Budget, std::function<void()> Work)
    : FWork(std::move(Work)), FHelper(Budget, FWork) {}

void TWorkBeside::Finish() {
    const std::function<void()> Work = std::exchange(FWork, nullptr); // done once only
    if (FHelper.Started())
        FHelper.Join();
    else if (Work)
        Work();
}

} // namespace quillon
