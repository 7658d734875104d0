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
    // Rows handed over in pieces instead of one block, for an upright
    // picture: `piece(first)` gives where rows first .. first + pieceRows - 1
    // go (fewer at the end), asked for in order, each row width × 3 bytes
    // with no gaps; null stops the decoding, which then fails. `take` is not
    // called. Every row a piece was asked for is written before the next
    // piece is asked for or the reader returns.
    int pieceRows = 0;
    std::function<std::uint8_t*(int firstRow)> piece;
};
