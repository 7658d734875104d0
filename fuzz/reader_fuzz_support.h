#pragma once
// Shared checks of the image reader fuzz targets: a reader either succeeds
// with every plane present, or fails and leaves no planes; every sample of a
// successful read is touched so that the sanitizers see any bad plane.

#include "image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

inline void RequireFuzz(bool condition)
{
    if (!condition)
        std::abort();
}

inline void CheckReadResult(const CImage& image, int result)
{
    if (result != kImageSuccess) {
        RequireFuzz(image.planes == 0);
        return;
    }
    RequireFuzz(image.planes >= 1 && image.planes <= 4 && image.cols > 0 && image.rows > 0);
    const std::size_t bytes = image.PixelCount() * image.BytesPerSample();
    unsigned sum = 0;
    for (int p = 0; p < image.planes; ++p) {
        RequireFuzz(image.plane[p] != nullptr);
        for (std::size_t i = 0; i < bytes; ++i)
            sum += image.plane[p][i];
    }
    // Keeps the loop from being optimised away.
    volatile unsigned sink = sum;
    (void)sink;
}

// Pictures above this are skipped by the targets whose decoders may spend
// long on a small input; the size checks themselves run first.
inline constexpr long long kFuzzMaxPixels = 1LL << 20;
