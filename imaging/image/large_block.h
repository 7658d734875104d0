#pragma once
// Big sample blocks are written in full right after they are allocated: on
// Linux the 2 MB-aligned stretches inside one are offered to the kernel for
// huge pages, so that first writing takes a few hundred page faults instead
// of tens of thousands. The block keeps its size; a refusal is harmless.

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

inline void AdviseLargeBlock(void* block, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;
    if (block == nullptr || bytes < 2 * kHugePage)
        return;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}
