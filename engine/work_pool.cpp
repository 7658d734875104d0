// The engine's worker threads: started on the first stage that can use them,
// kept for the life of the process, joined when the library unloads.
#include "work_pool.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace framira {
namespace {

constexpr int kMaxThreads = 8;

std::atomic<int> requestedThreads{0};
thread_local bool insideTask = false;

// FRAMIRA_THREADS, when it holds a positive whole number (and nothing
// else): the thread count a program outside the library asks for, since the
// library's C interface has no entry for it. Read once, when a stage first
// asks, so a program sets it before its first picture (framira-batch does
// before any thread starts); 0 when absent or unusable.
int ThreadsFromEnvironment()
{
    static const int threads = [] {
        const char* text = std::getenv("FRAMIRA_THREADS");
        if (text == nullptr || *text < '0' || *text > '9') {
            return 0;
        }
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        return *end == '\0' && value > 0 ? static_cast<int>(std::min<long>(value, kMaxThreads)) : 0;
    }();
    return threads;
}

int ResolvedThreadCount()
{
    int requested = requestedThreads.load(std::memory_order_relaxed);
    if (requested <= 0) {
        requested = ThreadsFromEnvironment();
    }
    if (requested > 0) {
        return std::min(requested, kMaxThreads);
    }
    // The processors this process may run on (so `taskset -c 0` means one
    // thread), or all of them when that cannot be read. Read once: every
    // stage asks, and the count of all processors is read from a file.
    static const int processors = [] {
        int count = static_cast<int>(std::thread::hardware_concurrency());
        cpu_set_t allowed;
        if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
            count = CPU_COUNT(&allowed);
        }
        return std::clamp(count, 1, kMaxThreads);
    }();
    return processors;
}

class CWorkPool {
public:
    ~CWorkPool() { StopWorkers(); }

    // False when the pool is busy with another caller: run inline then.
    bool Run(size_t count, size_t grain, CRangeTask task, void* context)
    {
        std::unique_lock<std::mutex> caller(callerMutex, std::try_to_lock);
        if (!caller.owns_lock()) {
            return false;
        }
        const int threads = ResolvedThreadCount();
        if (static_cast<int>(workers.size()) != threads - 1) {
            StopWorkers();
            StartWorkers(threads - 1);
        }
        if (workers.empty()) {
            return false;
        }
        const size_t pieces = std::min((count + grain - 1) / grain, (workers.size() + 1) * 4);
        {
            std::lock_guard<std::mutex> lock(mutex);
            job = CJob{task, context, count, (count + pieces - 1) / pieces, pieces};
            next.store(0, std::memory_order_relaxed);
            busyWorkers = workers.size();
            ++generation;
        }
        wake.notify_all();
        RunPieces(job);
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [this] { return busyWorkers == 0; });
        return true;
    }

private:
    struct CJob {
        CRangeTask task = nullptr;
        void* context = nullptr;
        size_t count = 0;
        size_t pieceSize = 0;
        size_t pieces = 0;
    };

    void RunPieces(const CJob& current)
    {
        insideTask = true;
        for (size_t piece = next.fetch_add(1); piece < current.pieces; piece = next.fetch_add(1)) {
            const size_t begin = piece * current.pieceSize;
            const size_t end = std::min(current.count, begin + current.pieceSize);
            if (begin < end) {
                current.task(current.context, begin, end);
            }
        }
        insideTask = false;
    }

    // `seen` is the generation at the worker's start: a job posted before
    // the thread first takes the lock is still its to share.
    void WorkerLoop(uint64_t seen)
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return stopping || generation != seen; });
            if (stopping) {
                return;
            }
            seen = generation;
            const CJob current = job;
            lock.unlock();
            RunPieces(current);
            lock.lock();
            if (--busyWorkers == 0) {
                done.notify_one();
            }
        }
    }

    // A thread that cannot be started leaves the pool smaller, never broken.
    void StartWorkers(int count)
    {
        const uint64_t current = generation;
        for (int i = 0; i < count; ++i) {
            try {
                workers.emplace_back([this, current] { WorkerLoop(current); });
            } catch (...) {
                break;
            }
        }
    }

    void StopWorkers()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        for (std::thread& worker : workers) {
            worker.join();
        }
        workers.clear();
        std::lock_guard<std::mutex> lock(mutex);
        stopping = false;
    }

    std::mutex callerMutex;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    std::vector<std::thread> workers;
    CJob job;
    std::atomic<size_t> next{0};
    size_t busyWorkers = 0;
    uint64_t generation = 0;
    bool stopping = false;
};

CWorkPool& Pool()
{
    static CWorkPool pool;
    return pool;
}

} // namespace

void TouchWorkPool()
{
    Pool();
}

void SetWorkThreadCount(int count)
{
    requestedThreads.store(count < 0 ? 0 : count, std::memory_order_relaxed);
}

int WorkThreadCount()
{
    return ResolvedThreadCount();
}

void ParallelFor(size_t count, size_t grain, CRangeTask task, void* context)
{
    if (count == 0) {
        return;
    }
    grain = std::max<size_t>(grain, 1);
    if (insideTask || count <= grain || ResolvedThreadCount() < 2 || !Pool().Run(count, grain, task, context)) {
        task(context, 0, count);
    }
}

} // namespace framira
