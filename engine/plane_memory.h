// Zero-filled blocks for planes and textures, and an owner that frees them.
// The engine allocates with the C allocator so a shortage is a null result,
// never an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace framira {

// Planes are written in full soon after they are allocated, and the mat's
// warps read them all over: on Linux the 2 MB-aligned stretches inside a large
// block are offered to the kernel for huge pages, which cuts the page faults of
// its first writing and the address-translation misses of the warps. The block
// keeps its size, so the memory used stays the same; a refusal is harmless.
inline void AdviseLargeBlock(void* block, size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kHugePage = uintptr_t{1} << 21;
    if (block == nullptr || bytes < 2 * kHugePage) {
        return;
    }
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kHugePage - 1);
    if (end > begin) {
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#else
    (void)block;
    (void)bytes;
#endif
}

// A block of `bytes` zero bytes, or null. A zero-byte request still yields a
// distinct block so callers can tell success from failure.
inline void* MemMalloc(size_t bytes)
{
    return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

inline void MemFree(void* block)
{
    std::free(block);
}

// count × size in bytes, or false when the product does not fit.
inline bool CheckedBytes(uint64_t count, uint64_t size, size_t& bytes)
{
    if (size != 0 && count > SIZE_MAX / size) {
        return false;
    }
    bytes = static_cast<size_t>(count * size);
    return true;
}

struct CMemFreeDeleter {
    void operator()(void* block) const { MemFree(block); }
};

// Owns an array of T, zero-filled unless asked otherwise.
template <typename T>
class CPlane {
public:
    // False (and empty) when the count overflows or memory is short.
    bool Allocate(uint64_t count)
    {
        block.reset();
        size_t bytes = 0;
        if (!CheckedBytes(count, sizeof(T), bytes)) {
            return false;
        }
        block.reset(static_cast<T*>(MemMalloc(bytes)));
        AdviseLargeBlock(block.get(), bytes);
        return block != nullptr;
    }
    // The same without the zero fill, for planes every sample of which is
    // written before it is read.
    bool AllocateForOverwrite(uint64_t count)
    {
        block.reset();
        size_t bytes = 0;
        if (!CheckedBytes(count, sizeof(T), bytes)) {
            return false;
        }
        block.reset(static_cast<T*>(std::malloc(bytes == 0 ? 1 : bytes)));
        AdviseLargeBlock(block.get(), bytes);
        return block != nullptr;
    }
    void Reset() { block.reset(); }
    T* Get() const { return block.get(); }
    explicit operator bool() const { return block != nullptr; }

private:
    std::unique_ptr<T, CMemFreeDeleter> block;
};

} // namespace framira
