// Zero-filled blocks for planes and textures, and an owner that frees them.
// The engine allocates with the C allocator so a shortage is a null result,
// never an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace framira {

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

// A block of at least `bytes` with undefined contents, or null; `capacity`
// receives its real size, which ReleaseScratch needs back. Blocks released
// are kept (up to a limit) for later requests instead of being unmapped.
void* AcquireScratch(size_t bytes, size_t& capacity);
void ReleaseScratch(void* block, size_t capacity);

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
    // written before it is read: possibly a block an earlier run used.
    bool AllocateForOverwrite(uint64_t count)
    {
        Reset();
        size_t bytes = 0;
        if (!CheckedBytes(count, sizeof(T), bytes)) {
            return false;
        }
        size_t capacity = 0;
        void* scratch = AcquireScratch(bytes, capacity);
        if (scratch == nullptr) {
            return false;
        }
        block.reset(static_cast<T*>(scratch));
        block.get_deleter().scratchCapacity = capacity;
        return true;
    }
    void Reset() { block.reset(); }
    T* Get() const { return block.get(); }
    explicit operator bool() const { return block != nullptr; }

private:
    // Zero-filled blocks are freed; scratch blocks go back to be kept.
    struct CDeleter {
        size_t scratchCapacity = 0;
        void operator()(T* memory)
        {
            if (scratchCapacity != 0) {
                ReleaseScratch(memory, scratchCapacity);
            } else {
                MemFree(memory);
            }
            scratchCapacity = 0;
        }
    };
    std::unique_ptr<T, CDeleter> block;
};

} // namespace framira
