#pragma once
// A heap block of samples shared with the engine. Allocation failure is a
// result, not an exception: the pipeline reports it as a status text.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>

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
        data.reset(new (std::nothrow) std::uint8_t[newSize]);
        size = data ? newSize : 0;
        return data != nullptr;
    }
    void Free()
    {
        data.reset();
        size = 0;
    }
    bool Empty() const { return !data; }
    std::size_t Size() const { return size; }
    // Aligned for 16-bit words (new[] aligns for any fundamental type).
    std::uint8_t* Bytes() const { return data.get(); }
    std::uint16_t* Words() const { return reinterpret_cast<std::uint16_t*>(data.get()); }

private:
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
};

// The block a picture was framed from, kept for the next picture decoded
// (ahead, on another thread), so a batch of like pictures reuses two blocks
// instead of asking the system for fresh memory every time.
class CSampleBufferPool {
public:
    // A block of at least `bytes`: the one kept when it fits without wasting
    // much, otherwise a new one (empty when there is no memory).
    CSampleBuffer Take(std::size_t bytes)
    {
        CSampleBuffer block;
        {
            std::lock_guard<std::mutex> hold(lock);
            if (spare.Size() >= bytes && spare.Size() <= 2 * bytes + (std::size_t{1} << 20))
                block = std::move(spare);
            spare.Free();
        }
        if (block.Empty())
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
