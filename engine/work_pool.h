// A small pool of threads the engine owns for its whole-plane stages. Work is
// split into contiguous index ranges (rows, columns, samples) whose results do
// not depend on each other, so a stage gives the same bytes whatever the
// thread count: no sum is ever split or reordered across threads.
#pragma once

#include <cstddef>

namespace framira {

// The number of threads that share a stage, the caller's included: 0 (the
// default) means the environment's FRAMIRA_THREADS when that is a positive
// whole number, otherwise one per processor the process may run on; either
// way up to a small limit.
void SetWorkThreadCount(int count);
int WorkThreadCount();

// Makes the pool (its threads start with the first stage that uses them).
// An object made after this call is destroyed before the pool at exit, so
// a thread it waits for in its destructor may still use the pool.
void TouchWorkPool();

using CRangeTask = void (*)(void* context, size_t begin, size_t end);

// Calls task(context, begin, end) over ranges that together cover [0, count)
// exactly once, on the pool and the calling thread, and returns when all are
// done. Ranges hold at least `grain` indices (except perhaps the last). A call
// from inside a task, or while another caller has the pool, runs inline.
void ParallelFor(size_t count, size_t grain, CRangeTask task, void* context);

// The same for any callable f(begin, end).
template <typename F>
void ParallelFor(size_t count, size_t grain, const F& f)
{
    ParallelFor(
        count, grain,
        [](void* context, size_t begin, size_t end) { (*static_cast<const F*>(context))(begin, end); },
        const_cast<void*>(static_cast<const void*>(&f)));
}

} // namespace framira
