#include "worker_thread.h"

#include <chrono>
#include <system_error>

namespace {
// How often a paused thread looks at a stop flag that was set directly
// rather than through RequestStop.
constexpr auto kPausePollInterval = std::chrono::milliseconds(20);
} // namespace

CWorkerThread::~CWorkerThread()
{
    StopAndWait();
}

bool CWorkerThread::Start(bool suspended)
{
    std::lock_guard<std::mutex> handleGuard(handleLock);
    {
        std::lock_guard<std::mutex> stateGuard(stateLock);
        if (threadHandle.joinable() && !ended)
            return false;
    }
    if (threadHandle.joinable()) {
        // The last thread has returned from Run(); only its handle is left.
        if (threadHandle.get_id() == std::this_thread::get_id())
            return false;
        threadHandle.join();
    }

    stopRequested = false;
    {
        std::lock_guard<std::mutex> stateGuard(stateLock);
        paused = suspended;
        halted = false;
        ended = false;
    }
    try {
        threadHandle = std::thread(&CWorkerThread::ThreadEntry, this);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> stateGuard(stateLock);
        ended = true;
        paused = false;
        return false;
    }
    threadId = threadHandle.get_id();
    return true;
}

bool CWorkerThread::Suspend()
{
    std::lock_guard<std::mutex> handleGuard(handleLock);
    if (!threadHandle.joinable())
        return false;
    std::lock_guard<std::mutex> stateGuard(stateLock);
    paused = true;
    return true;
}

bool CWorkerThread::Resume()
{
    std::lock_guard<std::mutex> handleGuard(handleLock);
    if (!threadHandle.joinable())
        return false;
    {
        std::lock_guard<std::mutex> stateGuard(stateLock);
        paused = false;
    }
    stateChanged.notify_all();
    return true;
}

bool CWorkerThread::Wait(int milliseconds)
{
    {
        std::lock_guard<std::mutex> handleGuard(handleLock);
        if (!threadHandle.joinable())
            return true;
        if (threadHandle.get_id() == std::this_thread::get_id())
            return false;
    }

    {
        std::unique_lock<std::mutex> stateGuard(stateLock);
        const auto hasEnded = [this] { return ended; };
        if (milliseconds < 0)
            stateChanged.wait(stateGuard, hasEnded);
        else if (!stateChanged.wait_for(stateGuard, std::chrono::milliseconds(milliseconds), hasEnded))
            return false;
    }

    // Run() has returned; joining only collects the thread's last steps.
    std::lock_guard<std::mutex> handleGuard(handleLock);
    if (threadHandle.joinable())
        threadHandle.join();
    return true;
}

bool CWorkerThread::IsRunning()
{
    {
        std::lock_guard<std::mutex> handleGuard(handleLock);
        if (!threadHandle.joinable())
            return false;
    }
    if (Wait(0))
        return false;
    std::lock_guard<std::mutex> handleGuard(handleLock);
    return threadHandle.joinable();
}

void CWorkerThread::RequestStop()
{
    {
        std::lock_guard<std::mutex> stateGuard(stateLock);
        stopRequested = true;
    }
    stateChanged.notify_all();
}

void CWorkerThread::StopAndWait()
{
    RequestStop();
    Resume();
    Wait(kInfinite);
}

bool CWorkerThread::IsPaused() const
{
    std::lock_guard<std::mutex> stateGuard(stateLock);
    return paused;
}

bool CWorkerThread::IsHalted() const
{
    std::lock_guard<std::mutex> stateGuard(stateLock);
    return halted && workingHelpers == 0;
}

bool CWorkerThread::BeginHelperWork()
{
    std::lock_guard<std::mutex> stateGuard(stateLock);
    if (paused || stopRequested)
        return false;
    ++workingHelpers;
    return true;
}

void CWorkerThread::EndHelperWork()
{
    {
        std::lock_guard<std::mutex> stateGuard(stateLock);
        --workingHelpers;
    }
    stateChanged.notify_all();
}

std::thread::id CWorkerThread::GetThreadId() const
{
    std::lock_guard<std::mutex> handleGuard(handleLock);
    return threadId;
}

bool CWorkerThread::Checkpoint()
{
    std::unique_lock<std::mutex> stateGuard(stateLock);
    if (paused && !stopRequested) {
        halted = true;
        stateChanged.notify_all();
        while (paused && !stopRequested)
            stateChanged.wait_for(stateGuard, kPausePollInterval);
        halted = false;
        stateChanged.notify_all();
    }
    return stopRequested;
}

void CWorkerThread::ThreadEntry()
{
    // A thread started suspended halts before its first step.
    Checkpoint();

    int result = -1;
    try {
        result = Run();
    } catch (...) {
        // An exception must not end the process from a worker; the job is
        // simply over.
        result = -1;
    }
    exitCode = result;

    {
        std::lock_guard<std::mutex> stateGuard(stateLock);
        ended = true;
        paused = false;
    }
    stateChanged.notify_all();
}
