#pragma once
// A heap block of samples shared with the engine. Allocation failure is a
// result, not an exception: the pipeline reports it as a status text.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "large_block.h"

class CSampleBuffer {
public:
    // Replaces the block by a new one of `size` bytes (contents undefined).
    // False, with no block, when the memory cannot be had.
    bool Allocate(std::size_t newSize)
    {
        Free();
        if (newSize == 0)
            return false;
        data.reset(new (std::nothrow) std::uint8_t[newSize]);
        size = data ? newSize : 0;
        AdviseLargeBlock(data.get(), size);
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
