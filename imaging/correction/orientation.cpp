#include "orientation.h"

#include "image.h"

#include <cstdlib>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

template <typename T>
void Rearrange(const std::uint8_t* inBytes, std::uint8_t* outBytes, std::size_t outW, std::size_t outH,
               std::ptrdiff_t start, std::ptrdiff_t stepX, std::ptrdiff_t stepY)
{
    const T* in = reinterpret_cast<const T*>(inBytes);
    T* out = reinterpret_cast<T*>(outBytes);
    for (std::size_t y = 0; y < outH; ++y) {
        const T* from = in + start + std::ptrdiff_t(y) * stepY;
        for (std::size_t x = 0; x < outW; ++x, from += stepX)
            *out++ = *from;
    }
}
} // namespace

int ApplyOrientation(CImage& image, int orientation)
{
    if (!IsValidOrientation(orientation) || orientation == kOrientationNormal)
        return kImageSuccess;
    if (!image.HasAllPlanes() || image.PixelCount() == 0)
        return kImageBadArgument;

    const std::size_t w = std::size_t(image.cols);
    const std::size_t h = std::size_t(image.rows);
    const bool swap = orientation >= kOrientationTransposed;
    const std::size_t outW = swap ? h : w;
    const std::size_t outH = swap ? w : h;
    const std::size_t sample = image.BytesPerSample();
    const std::size_t bytes = w * h * sample;

    // All new planes first, so a failure leaves the picture untouched.
    std::unique_ptr<std::uint8_t, FreeDeleter> turned[4];
    for (int p = 0; p < image.planes; ++p) {
        turned[p].reset(static_cast<std::uint8_t*>(std::malloc(bytes)));
        if (!turned[p])
            return kImageOutOfMemory;
    }
    // The stored pixel that shows at (x, y) of the upright picture lies at
    // start + x * stepX + y * stepY.
    const std::ptrdiff_t W = std::ptrdiff_t(w), H = std::ptrdiff_t(h);
    std::ptrdiff_t start = 0, stepX = 1, stepY = W;
    switch (orientation) {
    case 2: start = W - 1; stepX = -1; stepY = W; break;
    case 3: start = (H - 1) * W + W - 1; stepX = -1; stepY = -W; break;
    case 4: start = (H - 1) * W; stepX = 1; stepY = -W; break;
    case 5: start = 0; stepX = W; stepY = 1; break;
    case 6: start = (H - 1) * W; stepX = -W; stepY = 1; break;
    case 7: start = (H - 1) * W + W - 1; stepX = -W; stepY = -1; break;
    case 8: start = W - 1; stepX = W; stepY = -1; break;
    default: break;
    }
    for (int p = 0; p < image.planes; ++p) {
        switch (sample) {
        case 1: Rearrange<std::uint8_t>(image.plane[p], turned[p].get(), outW, outH, start, stepX, stepY); break;
        case 2: Rearrange<std::uint16_t>(image.plane[p], turned[p].get(), outW, outH, start, stepX, stepY); break;
        default: Rearrange<std::uint32_t>(image.plane[p], turned[p].get(), outW, outH, start, stepX, stepY); break;
        }
    }
    for (int p = 0; p < image.planes; ++p) {
        std::free(image.plane[p]);
        image.plane[p] = turned[p].release();
    }
    image.cols = int(outW);
    image.rows = int(outH);
    return kImageSuccess;
}
