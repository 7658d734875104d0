// The core colour: the colour of the mat board's core, shown by the outer part
// of the bevel. It is the average colour of the picture's saturated pixels whose
// hue agrees with the picture's dominant hue; grey pixels weigh nothing.
#include "mat.h"

#include <cmath>
#include <cstddef>

namespace framira {
namespace {

// A picture without a dominant hue (every pixel grey, as in black-and-white
// photographs, or saturated hues that cancel each other out exactly) leaves the
// weighted average undefined. Its core is then a neutral grey at the picture's
// mean luminance: the bevel keeps the photograph's tonal key (a dark photograph
// gets a dark core, as a black-core board would), it is still taken from the
// picture, and it never injects a hue the picture does not have.
void NeutralCoreFromLuminance(const float* r, const float* g, const float* b, size_t n, float& outR,
                              float& outG, float& outB)
{
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i)
        sum += 0.299 * r[i] + 0.587 * g[i] + 0.114 * b[i];
    double mean = n > 0 ? sum / static_cast<double>(n) : 0.5;
    if (!(mean >= 0.0))
        mean = 0.0;
    if (mean > 1.0)
        mean = 1.0;
    outR = outG = outB = static_cast<float>(mean);
}

} // namespace

long CreateCoreColors(const float* r, const float* g, const float* b, int width, int height, float& outR,
                      float& outG, float& outB)
{
    const size_t n = (width > 0 && height > 0 && r && g && b)
                         ? static_cast<size_t>(width) * static_cast<size_t>(height)
                         : 0;
    // The weight's constant is the single-precision 0.2, widened.
    const double k = static_cast<double>(0.2f);

    // Pass 1: saturation-weighted colour sums give the dominant chroma.
    double sr = 0.0, sg = 0.0, sb = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double R = r[i], G = g[i], B = b[i];
        const double w = k * ((R - B) * (R - B)) + (G - B) * (G - B) + (R - G) * (R - G);
        sr += R * w;
        sg += G * w;
        sb += B * w;
    }
    const double d1 = sr - sb, d2 = sg - sb, d3 = sr - sg;

    // Pass 2: pixels whose chroma points the dominant way, weighted again by
    // their saturation.
    double tr = 0.0, tg = 0.0, tb = 0.0, t = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double R = r[i], G = g[i], B = b[i];
        const double w = k * ((R - B) * (R - B)) + (G - B) * (G - B) + (R - G) * (R - G);
        double h = (R - B) * d1 + (G - B) * d2 + (R - G) * d3;
        if (h < 0.0)
            h = 0.0;
        h *= w;
        tr += R * h;
        tg += G * h;
        tb += B * h;
        t += h;
    }

    if (t > 0.0 && std::isfinite(t)) {
        const double cr = tr / t, cg = tg / t, cb = tb / t;
        if (std::isfinite(cr) && std::isfinite(cg) && std::isfinite(cb)) {
            outR = static_cast<float>(cr);
            outG = static_cast<float>(cg);
            outB = static_cast<float>(cb);
            return 0;
        }
    }
    NeutralCoreFromLuminance(r, g, b, n, outR, outG, outB);
    return 0;
}

} // namespace framira
