#pragma once
// Where a reader that decodes straight into the engine's form puts the
// pixels: interleaved 8-bit R, G, B in a block the caller owns.

#include <cstddef>
#include <cstdint>
#include <functional>

struct CRgbTarget {
    // A block of at least the given number of bytes, or null when there is
    // no memory for it. The block stays the caller's.
    std::function<std::uint8_t*(std::size_t bytes)> take;
    // The EXIF orientation the rows are laid out for (readers that turn).
    int orientation = 1;
};
