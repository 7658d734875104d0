// The core colour: the colour of the mat board's core, shown by the outer part
// of the bevel. It is the average colour of the picture's saturated pixels whose
// hue agrees with the picture's dominant hue; grey pixels weigh nothing.
#include "mat.h"

#include "kernel_level.h"
#include "vector_kernels.h"

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

namespace {

// The saturation weight of a pixel, in this order of operations everywhere.
// (By reference: a wide vector returned from code built for a narrower
// target would change the calling convention.)
template <typename D>
FRAMIRA_INLINE void Weight(D& w, const D& R, const D& G, const D& B, double k)
{
    w = k * ((R - B) * (R - B)) + (G - B) * (G - B) + (R - G) * (R - G);
}

// As many doubles as V has floats.
typedef double CDouble4 __attribute__((vector_size(32)));
typedef double CDouble8 __attribute__((vector_size(64)));
template <typename V>
struct CDoublesOf;
template <>
struct CDoublesOf<CFloat4> {
    typedef CDouble4 Type;
};
template <>
struct CDoublesOf<CFloat8> {
    typedef CDouble8 Type;
};

// Pixels i .. i + kLanes<V> − 1 as doubles, and their weights.
template <typename V, typename D>
FRAMIRA_INLINE void LoadWeighted(const float* r, const float* g, const float* b, size_t i, double k, D& R, D& G,
                                 D& B, D& w)
{
    V fr, fg, fb;
    LoadVector(fr, r + i);
    LoadVector(fg, g + i);
    LoadVector(fb, b + i);
    R = __builtin_convertvector(fr, D);
    G = __builtin_convertvector(fg, D);
    B = __builtin_convertvector(fb, D);
    Weight(w, R, G, B, k);
}

// Both passes keep their sums in one chain each, pixel after pixel, as they
// always were: only each pixel's terms are worked out kLanes<V> at a time (in
// doubles, lane for lane the operations of one pixel), and the chains then
// add them lane by lane, in pixel order. So the core is the same to the bit
// at every kernel level, and the passes are bound by their sums' chains
// rather than by the terms' arithmetic.
template <typename V>
FRAMIRA_INLINE void SumPasses(const float* r, const float* g, const float* b, size_t n, double k, double sums[7])
{
    typedef typename CDoublesOf<V>::Type D;
    constexpr int L = kLanes<V>;
    const size_t whole = n - n % L;

    double sr = 0.0, sg = 0.0, sb = 0.0;
    for (size_t i = 0; i < whole; i += L) {
        D R, G, B, w;
        LoadWeighted<V>(r, g, b, i, k, R, G, B, w);
        const D xr = R * w, xg = G * w, xb = B * w;
        for (int j = 0; j < L; ++j) {
            sr += xr[j];
            sg += xg[j];
            sb += xb[j];
        }
    }
    for (size_t i = whole; i < n; ++i) {
        const double R = r[i], G = g[i], B = b[i];
        double w;
        Weight(w, R, G, B, k);
        sr += R * w;
        sg += G * w;
        sb += B * w;
    }
    const double d1 = sr - sb, d2 = sg - sb, d3 = sr - sg;

    double tr = 0.0, tg = 0.0, tb = 0.0, t = 0.0;
    const D zero = {};
    for (size_t i = 0; i < whole; i += L) {
        D R, G, B, w;
        LoadWeighted<V>(r, g, b, i, k, R, G, B, w);
        D h = (R - B) * d1 + (G - B) * d2 + (R - G) * d3;
        h = h < zero ? zero : h;
        h *= w;
        const D xr = R * h, xg = G * h, xb = B * h;
        for (int j = 0; j < L; ++j) {
            tr += xr[j];
            tg += xg[j];
            tb += xb[j];
            t += h[j];
        }
    }
    for (size_t i = whole; i < n; ++i) {
        const double R = r[i], G = g[i], B = b[i];
        double w;
        Weight(w, R, G, B, k);
        double h = (R - B) * d1 + (G - B) * d2 + (R - G) * d3;
        if (h < 0.0)
            h = 0.0;
        h *= w;
        tr += R * h;
        tg += G * h;
        tb += B * h;
        t += h;
    }
    const double result[7] = {sr, sg, sb, tr, tg, tb, t};
    for (int i = 0; i < 7; ++i)
        sums[i] = result[i];
}

void SumPassesBase(const float* r, const float* g, const float* b, size_t n, double k, double sums[7])
{
    SumPasses<CFloat4>(r, g, b, n, k, sums);
}

#if defined(FRAMIRA_KERNELS_X86)
FRAMIRA_TARGET_AVX2 void SumPassesAvx2(const float* r, const float* g, const float* b, size_t n, double k,
                                       double sums[7])
{
    SumPasses<CFloat8>(r, g, b, n, k, sums);
}

// Eight lanes here too: the sums' chains bound both passes, so wider terms
// would only wait for them.
FRAMIRA_TARGET_AVX512 void SumPassesAvx512(const float* r, const float* g, const float* b, size_t n, double k,
                                           double sums[7])
{
    SumPasses<CFloat8>(r, g, b, n, k, sums);
}
#endif

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
    // Pass 2: pixels whose chroma points the dominant way, weighted again by
    // their saturation.
    const auto passes = FRAMIRA_KERNEL_AT_LEVEL(SumPassesBase, SumPassesAvx2, SumPassesAvx512);
    double sums[7];
    passes(r, g, b, n, k, sums);
    const double tr = sums[3], tg = sums[4], tb = sums[5], t = sums[6];

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
