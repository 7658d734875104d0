#pragma once
// A heap block of samples shared with the engine. Allocation failure is a
// result, not an exception: the pipeline reports it as a status text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>

class CSampleBuffer {
public:
    CSampleBuffer() = default;
    CSampleBuffer(CSampleBuffer&& other) noexcept : data(std::move(other.data)), size(other.size) { other.size = 0; }
    CSampleBuffer& operator=(CSampleBuffer&& other) noexcept
    {
        if (this != &other) {
            data = std::move(other.data);
            size = other.size;
            other.size = 0;
        }
        return *this;
    }
    // Replaces the block by a new one of `size` bytes (contents undefined).
    // False, with no block, when the memory cannot be had.
    bool Allocate(std::size_t newSize)
    {
        Free();
        if (newSize == 0)
            return false;
        data.reset(static_cast<std::uint8_t*>(std::malloc(newSize)));
        size = data ? newSize : 0;
        return data != nullptr;
    }
    // Makes the block at least `newSize` bytes (contents undefined). A large
    // block grows where it lies: the pages it has are kept, only the new
    // ones are fresh. False, with the block as it was, when the memory
    // cannot be had.
    bool Grow(std::size_t newSize)
    {
        if (newSize <= size)
            return true;
        if (!data)
            return Allocate(newSize);
        void* grown = std::realloc(data.get(), newSize);
        if (grown == nullptr)
            return false;
        (void)data.release();
        data.reset(static_cast<std::uint8_t*>(grown));
        size = newSize;
        return true;
    }
    void Free()
    {
        data.reset();
        size = 0;
    }
    bool Empty() const { return !data; }
    std::size_t Size() const { return size; }
    // Aligned for 16-bit words (malloc aligns for any fundamental type).
    std::uint8_t* Bytes() const { return data.get(); }
    std::uint16_t* Words() const { return reinterpret_cast<std::uint16_t*>(data.get()); }

private:
    struct CFree {
        void operator()(std::uint8_t* block) const { std::free(block); }
    };
    std::unique_ptr<std::uint8_t, CFree> data;
    std::size_t size = 0;
};

// The block a picture was framed from, kept for the next picture decoded
// (ahead, on another thread), so a batch reuses two blocks instead of asking
// the system for fresh memory every time: first touches of memory cost more
// than anything else the decoder does on some machines.
class CSampleBufferPool {
public:
    // A block of at least `bytes`: the one kept, grown when the picture is
    // larger (its pages stay, only the growth is fresh), otherwise a new one
    // (empty when there is no memory).
    CSampleBuffer Take(std::size_t bytes)
    {
        CSampleBuffer block;
        {
            std::lock_guard<std::mutex> hold(lock);
            block = std::move(spare);
        }
        if (!block.Grow(bytes))
            block.Allocate(bytes);
        return block;
    }
    void Give(CSampleBuffer block)
    {
        std::lock_guard<std::mutex> hold(lock);
        spare = std::move(block);
    }
    void Clear()
    {
        std::lock_guard<std::mutex> hold(lock);
        spare.Free();
    }

private:
    std::mutex lock;
    CSampleBuffer spare;
};
