// The thread budget: seats and helpers never take more threads than it has,
// a thread that has its seat takes no second one (so nested entries cannot
// wait on themselves), and a helper that finds no free thread leaves the
// work to its caller.
#include "platform/temporary_files.h"
#include "platform/thread_budget.h"
#include "support/test_support.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quillon {
namespace {

TEST(ThreadBudget, ASeatIsTakenOncePerThreadAndGivenBack) {
    TThreadBudget Budget(2);
    {
        const TThreadSeat Outer(Budget);
        const TThreadSeat Inner(Budget); // the same thread: no second seat
        EXPECT_TRUE(Budget.TryTake());
        EXPECT_FALSE(Budget.TryTake());
        Budget.Give();
    }
    EXPECT_TRUE(Budget.TryTake());
    EXPECT_TRUE(Budget.TryTake());
    Budget.Give();
    Budget.Give();
    EXPECT_EQ(Budget.PeakTaken(), 2);
    EXPECT_EQ(TThreadBudget(0).Size(), 1);
    EXPECT_GE(ProcessorCount(), 1);
}

TEST(ThreadBudget, HelpersStartOnlyOnAFreeThreadAndPassTheirErrorsOn) {
    TThreadBudget Budget(2);
    const TThreadSeat Caller(Budget);
    std::atomic<int> Ran{0};
    std::atomic<bool> Release{false};
    {
        THelperThread First(Budget, [&] {
            while (!Release)
                std::this_thread::yield();
            ++Ran;
        });
        THelperThread Second(Budget, [&] { ++Ran; });
        EXPECT_TRUE(First.Started());
        EXPECT_FALSE(Second.Started()) << "the budget has two threads: the caller and First";
        Release = true;
        First.Join();
    }
    EXPECT_EQ(Ran.load(), 1);
    THelperThread Failing(Budget, [] { throw std::runtime_error("helper failed"); });
    ASSERT_TRUE(Failing.Started()) << "First gave its thread back when done";
    EXPECT_THROW(Failing.Join(), std::runtime_error);
    // A helper's own thread has its seat: entries it calls take none.
    THelperThread Nested(Budget, [&] {
        const TThreadSeat Again(Budget);
        EXPECT_FALSE(Budget.TryTake());
    });
    Nested.Join();
    EXPECT_EQ(Budget.PeakTaken(), 2);
}

// Work beside the caller is done exactly once, on a helper or by Finish(),
// and its failure reaches the caller either way.
TEST(ThreadBudget, WorkBesideIsDoneOnceWhereverAThreadIs) {
    for (const int Threads : {1, 2}) {
        TThreadBudget Budget(Threads);
        const TThreadSeat Caller(Budget);
        int Done = 0;
        std::thread::id Where;
        TWorkBeside Work(Budget, [&] {
            ++Done;
            Where = std::this_thread::get_id();
        });
        Work.Finish();
        Work.Finish();
        EXPECT_EQ(Done, 1) << Threads;
        EXPECT_EQ(Where == std::this_thread::get_id(), Threads == 1) << Threads;
        TWorkBeside Failing(Budget, [] { throw std::runtime_error("failed"); });
        EXPECT_THROW(Failing.Finish(), std::runtime_error) << Threads;
    }
}

// Many jobs, each with helpers, on a small budget: at no moment are more
// threads busy than the budget has.
TEST(ThreadBudget, ManyJobsWithHelpersStayWithinTheBudget) {
    TThreadBudget Budget(3);
    std::atomic<int> Busy{0}, MostBusy{0};
    const auto Work = [&] {
        const int Now = ++Busy;
        for (int Seen = MostBusy.load(); Now > Seen && !MostBusy.compare_exchange_weak(Seen, Now);)
            ;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --Busy;
    };
    std::vector<std::thread> Jobs;
    for (int J = 0; J < 8; ++J)
        Jobs.emplace_back([&] {
            for (int Round = 0; Round < 10; ++Round) {
                const TThreadSeat Seat(Budget);
                THelperThread Helper(Budget, Work);
                Work();
                if (!Helper.Started())
                    Work();
                Helper.Join();
            }
        });
    for (std::thread& J : Jobs)
        J.join();
    EXPECT_LE(MostBusy.load(), 3);
    EXPECT_EQ(Budget.PeakTaken(), 3);
}

// A late deletion waits for a free thread of the budget it was given.
TEST(ThreadBudget, LateDeletionsWaitForAFreeThread) {
    test::TScratchDir Dir;
    const std::string Path = Dir / "copy";
    test::WriteBytes(Path, std::string(1000, 'c'));
    RegisterTemporaryFile(Path);
    TThreadBudget Budget(1);
    {
        const TThreadSeat Caller(Budget);
        DeleteTemporaryFileLater(Path, Budget);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(std::filesystem::exists(Path)) << "deleted on a thread the budget lacks";
    }
    FinishLateDeletions();
    EXPECT_FALSE(std::filesystem::exists(Path));
}

} // namespace
} // namespace quillon
