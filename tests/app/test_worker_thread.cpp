// CWorkerThread: start, pause at checkpoints, resume, stop and wait, driven
// from the test's thread as the window drives them.
#include "worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5000ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Counts steps with a checkpoint between them, as the job does between
// pictures. Ends with 1 after `steps`, with 0 when stopped.
class CStepWorker : public CWorkerThread {
public:
    explicit CStepWorker(int steps = 1000000) : steps(steps) {}
    ~CStepWorker() override { StopAndWait(); }

    std::atomic<int> done{0};
    std::atomic<bool> entered{false};
    std::atomic<bool> selfWaitResult{true};
    std::atomic<bool> throwInRun{false};

protected:
    int Run() override
    {
        entered = true;
        selfWaitResult = Wait(kInfinite);  // must not deadlock on itself
        if (throwInRun)
            throw std::runtime_error("worker failure");
        for (int i = 0; i < steps; ++i) {
            if (Checkpoint())
                return 0;
            std::this_thread::sleep_for(50us);
            ++done;
        }
        return 1;
    }

private:
    int steps;
};

} // namespace

TEST(WorkerThread, RunsToTheEndAndWaitCollectsIt)
{
    CStepWorker worker(20);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.GetThreadId(), std::thread::id());
    ASSERT_TRUE(worker.Start());
    EXPECT_NE(worker.GetThreadId(), std::thread::id());
    EXPECT_TRUE(worker.Wait());
    EXPECT_EQ(worker.done.load(), 20);
    EXPECT_EQ(worker.GetExitCode(), 1);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_FALSE(worker.selfWaitResult.load());
    // Nothing left to wait for, pause or resume.
    EXPECT_TRUE(worker.Wait(0));
    EXPECT_FALSE(worker.Suspend());
    EXPECT_FALSE(worker.Resume());
}

TEST(WorkerThread, SecondStartIsRefusedWhileRunningAndAllowedAfterwards)
{
    CStepWorker worker;
    ASSERT_TRUE(worker.Start());
    EXPECT_FALSE(worker.Start());
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Wait(0));   // poll: still running
    EXPECT_FALSE(worker.Wait(10));  // short time-out
    worker.RequestStop();
    EXPECT_TRUE(worker.Wait());
    EXPECT_EQ(worker.GetExitCode(), 0);

    // A new job: the earlier stop request does not carry over.
    worker.done = 0;
    ASSERT_TRUE(worker.Start());
    EXPECT_FALSE(worker.IsStopRequested());
    EXPECT_TRUE(WaitUntil([&] { return worker.done.load() > 5; }));
    worker.RequestStop();
    EXPECT_TRUE(worker.Wait());
}

TEST(WorkerThread, PauseHaltsAtACheckpointAndResumeContinues)
{
    CStepWorker worker;
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(WaitUntil([&] { return worker.done.load() > 3; }));
    ASSERT_TRUE(worker.Suspend());
    EXPECT_TRUE(worker.IsPaused());
    ASSERT_TRUE(WaitUntil([&] { return worker.IsHalted(); }));
    const int atPause = worker.done.load();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(worker.done.load(), atPause);
    EXPECT_TRUE(worker.IsRunning());

    ASSERT_TRUE(worker.Resume());
    EXPECT_TRUE(WaitUntil([&] { return worker.done.load() > atPause + 3; }));
    EXPECT_FALSE(worker.IsHalted());
    worker.RequestStop();
    EXPECT_TRUE(worker.Wait());
}

TEST(WorkerThread, StopWakesAPausedThread)
{
    CStepWorker worker;
    ASSERT_TRUE(worker.Start());
    worker.Suspend();
    ASSERT_TRUE(WaitUntil([&] { return worker.IsHalted(); }));
    // Another thread stops it while this one waits without a time limit.
    std::thread window([&] { worker.RequestStop(); });
    EXPECT_TRUE(worker.Wait());
    window.join();
    EXPECT_EQ(worker.GetExitCode(), 0);
    EXPECT_FALSE(worker.IsPaused());
}

TEST(WorkerThread, StopFlagSetDirectlyIsNoticedByAPausedThread)
{
    CStepWorker worker;
    ASSERT_TRUE(worker.Start());
    worker.Suspend();
    ASSERT_TRUE(WaitUntil([&] { return worker.IsHalted(); }));
    worker.stopRequested = true;
    EXPECT_TRUE(worker.Wait(5000));
    EXPECT_EQ(worker.GetExitCode(), 0);
}

TEST(WorkerThread, SuspendedStartWaitsForResume)
{
    CStepWorker worker(3);
    ASSERT_TRUE(worker.Start(true));
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(worker.entered.load());
    EXPECT_TRUE(worker.IsHalted());
    worker.Resume();
    EXPECT_TRUE(worker.Wait());
    EXPECT_TRUE(worker.entered.load());
    EXPECT_EQ(worker.GetExitCode(), 1);
}

TEST(WorkerThread, PauseAndResumeFromAnotherThreadNeverDeadlock)
{
    CStepWorker worker;
    ASSERT_TRUE(worker.Start());
    std::thread window([&] {
        for (int i = 0; i < 200; ++i) {
            worker.Suspend();
            worker.IsRunning();
            worker.Resume();
        }
        worker.Suspend();
        worker.RequestStop();
    });
    EXPECT_TRUE(worker.Wait());
    window.join();
    EXPECT_EQ(worker.GetExitCode(), 0);
}

TEST(WorkerThread, ExceptionInRunEndsTheThreadNotTheProcess)
{
    CStepWorker worker(5);
    worker.throwInRun = true;
    ASSERT_TRUE(worker.Start());
    EXPECT_TRUE(worker.Wait());
    EXPECT_EQ(worker.GetExitCode(), -1);
}

TEST(WorkerThread, DestroyingARunningWorkerStopsIt)
{
    auto worker = std::make_unique<CStepWorker>();
    ASSERT_TRUE(worker->Start());
    worker->Suspend();
    worker.reset();  // must return: stop, resume and wait
    SUCCEED();
}
