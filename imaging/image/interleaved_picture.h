#pragma once
// A picture in samples someone else owns, interleaved as the frame engine
// writes them: rows of cols × planes bytes (R, G, B or grey), top row first,
// no gaps between rows. The writers read it where it lies, so a framed
// picture is encoded without first being copied into planes.

#include <cstdint>

struct CInterleavedPicture {
    const std::uint8_t* samples = nullptr;
    int cols = 0;
    int rows = 0;
    int planes = 3;      // 1 or 3
    int resolution = 0;  // dots per inch, 0 if unknown (as CImage::resolution)
};
