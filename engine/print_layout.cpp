#include "print_layout.h"

#include <algorithm>
#include <cmath>

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

} // namespace framira
