#include "print_layout.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace framira {

CPrintSize CalculatePrintWidthAndHeight(int W, int H, int w, int h)
{
    if (w <= 0 || h <= 0) {
        return {0, 0};
    }
    // The first term keeps a picture and its turned copy at one scale; the
    // other two keep a margin of at least 14 pixels of band plus mat. They
    // are single-precision sums, as the sizes have always been computed.
    const double bySides = 1.7065 * H / (static_cast<double>(w) + static_cast<double>(h));
    const float byWidth = (0.95f * static_cast<float>(W) - 28.0f) / static_cast<float>(w);
    const float byHeight = (0.9817f * static_cast<float>(H) - 28.0f) / static_cast<float>(h);
    double scale = std::min({bySides, static_cast<double>(byWidth), static_cast<double>(byHeight)});
    if (!(scale > 0.0)) {
        scale = 0.0;
    }
    return {static_cast<int>(std::floor(w * scale + 0.5)), static_cast<int>(std::floor(h * scale + 0.5))};
}

CPrintOrigin PrintOrigin(int W, int H, int pw, int ph)
{
    return {static_cast<int>((static_cast<long long>(W) - pw + 1) / 2),
            static_cast<int>((static_cast<long long>(H) - ph + 1) / 2)};
}

void CopyPrintOntoMatting(const float* const print[3], int pw, int ph, float* const mat[3], int W, int x0, int y0)
{
    const size_t rowBytes = sizeof(float) * static_cast<size_t>(pw);
    for (int c = 0; c < 3; ++c) {
        for (int row = 0; row < ph; ++row) {
            std::memcpy(mat[c] + static_cast<size_t>(y0 + row) * W + x0, print[c] + static_cast<size_t>(row) * pw,
                        rowBytes);
        }
    }
}

long CreateMatting(const float* const print[3], int pw, int ph, float* const mat[3], int W, int H)
{
    if (pw < 0 || ph < 0 || pw > W || ph > H) {
        return 1;
    }
    const CPrintOrigin origin = PrintOrigin(W, H, pw, ph);
    CopyPrintOntoMatting(print, pw, ph, mat, W, origin.x, origin.y);
    return 0;
}

} // namespace framira
