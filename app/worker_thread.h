#pragma once
// A job's worker thread on std::thread.
//
// A thread cannot be suspended safely from outside on this platform: it
// might hold the allocator's or a file stream's lock, and the window would
// stall on it. So Suspend only asks for a pause, and the thread halts at the
// next Checkpoint() its Run() passes: between pictures, between the stages of
// one picture and inside long loops. Run() must never call Checkpoint() while
// it holds a lock the window may need.
//
// A stop request (RequestStop) wakes a paused thread, and Checkpoint() then
// returns true so that Run() can finish its current picture and end.
//
// Typical use by the window's thread:
//     worker.Start();            // new job (the previous one must have ended)
//     worker.Suspend();          // pause: halts at the next checkpoint
//     worker.Resume();           // continue
//     worker.RequestStop();      // stop: also releases a pause ...
//     worker.Wait();             // ... then wait for Run() to return
//
// A job may hand work to helper threads of its own (decoding the next picture
// while the current one is framed). A helper starts each piece of work only
// through BeginHelperWork, which refuses while a pause or a stop is in force,
// so a paused job really rests; IsHalted then also waits for the helpers'
// pieces under way to end.
//
// A derived class must stop and wait for its thread in its own destructor
// (StopAndWait), before its members are destroyed; the base destructor does
// the same only as a last resort.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class CWorkerThread {
public:
    // Wait without a time limit.
    static constexpr int kInfinite = -1;

    CWorkerThread() = default;
    virtual ~CWorkerThread();

    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Starts a new thread running Run(). False when the previous thread has
    // not ended yet, or when no thread could be created. A thread started
    // suspended halts before Run() until Resume (or a stop request). Starting
    // clears an earlier stop request and pause.
    bool Start(bool suspended = false);

    // Asks the thread to halt at its next checkpoint. Returns at once; true
    // when there is a thread to pause.
    bool Suspend();
    // Lets a paused thread continue; true when there is a thread.
    bool Resume();

    // Waits up to `milliseconds` (0 polls, kInfinite waits for good) for
    // Run() to return. True when the thread has ended (or there was none):
    // its handle is then released. False on time-out, and always when called
    // from the worker thread itself, which cannot wait for its own end.
    bool Wait(int milliseconds = kInfinite);

    // True while a thread is held that has not ended.
    bool IsRunning();

    // Asks Run() to end after its current picture and wakes a paused thread.
    void RequestStop();
    // RequestStop, Resume and Wait without a time limit.
    void StopAndWait();

    // Set by RequestStop; the job may also set it directly (a paused thread
    // notices within a few milliseconds) and pass it to the platform's
    // questions asked from the worker, which return No once it is set.
    std::atomic<bool> stopRequested{false};

    bool IsStopRequested() const { return stopRequested.load(); }
    bool IsPaused() const;
    // True while the thread is actually halted at a checkpoint and no helper
    // is working (for tests and for a window that wants to show "paused" only
    // once it holds).
    bool IsHalted() const;

    // For a helper thread of the job: true when it may start a piece of work
    // now (no pause, no stop), and it then counts as working until
    // EndHelperWork. False leaves nothing to end: the helper tries later.
    bool BeginHelperWork();
    void EndHelperWork();
    // Run()'s result for the last thread that ended; 0 before that.
    int GetExitCode() const { return exitCode.load(); }
    // The last thread's id; a default id before the first start.
    std::thread::id GetThreadId() const;

protected:
    // The thread body.
    virtual int Run() = 0;

    // Halts while a pause is in force and no stop is requested. Returns true
    // when a stop has been requested. Call it only from Run().
    bool Checkpoint();

private:
    void ThreadEntry();

    // The lock guarding the thread handle (threadHandle, threadId).
    mutable std::mutex handleLock;
    std::thread threadHandle;
    std::thread::id threadId;

    // Pause, stop and end are signalled under their own lock, never held
    // while Run() works.
    mutable std::mutex stateLock;
    std::condition_variable stateChanged;
    bool paused = false;
    bool halted = false;
    bool ended = true;
    int workingHelpers = 0;

    std::atomic<int> exitCode{0};
};
