// Zero-filled blocks for planes and textures, and an owner that frees them.
// The engine allocates with the C allocator so a shortage is a null result,
// never an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace framira {

// A block of `bytes` zero bytes, or null. A zero-byte request still yields a
// distinct block so callers can tell success from failure. Blocks of a
// megabyte and more come from a cache of blocks the engine gave back, so a
// batch of pictures of one size frames in the same pages instead of
// touching fresh ones for every picture; the cache keeps the engine's
// blocks within an eighth more than the most it ever had in use at once.
void* MemMalloc(size_t bytes);
// The same without the zero fill, for blocks every byte of which is written
// before it is read.
void* MemMallocForOverwrite(size_t bytes);
// Frees a block of MemMalloc or MemMallocForOverwrite (null is fine).
void MemFree(void* block);
// Gives the cached blocks back to the system (the engine is idle).
void MemReleaseCache();

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
        block.reset(static_cast<T*>(MemMallocForOverwrite(bytes)));
        return block != nullptr;
    }
    void Reset() { block.reset(); }
    T* Get() const { return block.get(); }
    explicit operator bool() const { return block != nullptr; }

private:
    std::unique_ptr<T, CMemFreeDeleter> block;
};

} // namespace framira
