// Integer curve helpers of the texture generator: smoothstep and a monotone
// piecewise cubic. Integer only, so every build computes the same samples.
#include "texture_sources.h"

namespace framira::texture_sources {
namespace {

// ⌊(num + den / 2) / den⌋ for den > 0, any sign of num.
int64_t RoundedDivide(int64_t num, int64_t den)
{
    const int64_t shifted = num + den / 2;
    int64_t q = shifted / den;
    if (shifted % den != 0 && shifted < 0)
        --q;
    return q;
}

} // namespace

int64_t SmoothStep(int64_t t)
{
    if (t <= 0)
        return 0;
    if (t >= kUnit)
        return kUnit;
    // t² (3 − 2t), all in units of kUnit.
    return (t * t / kUnit) * (3 * kUnit - 2 * t) / kUnit;
}

CMonotoneCurve::CMonotoneCurve(const int* xs, const int64_t* ys, int count)
    : knotCount(count < kMaxKnots ? count : kMaxKnots), x{}, y{}, slope{}
{
    for (int k = 0; k < knotCount; ++k) {
        x[k] = xs[k];
        y[k] = ys[k];
    }
    int64_t secant[kMaxKnots] = {};
    for (int k = 0; k + 1 < knotCount; ++k)
        secant[k] = (y[k + 1] - y[k]) / (x[k + 1] - x[k]);
    // Harmonic mean of the neighbouring secants (at most twice the smaller one)
    // keeps every segment monotone; a turning point gets a flat tangent. The
    // curve leaves its first knot along the first secant and arrives flat at
    // its last knot, where it continues as a constant.
    if (knotCount > 1)
        slope[0] = secant[0];
    for (int k = 1; k + 1 < knotCount; ++k) {
        const int64_t a = secant[k - 1], b = secant[k];
        if ((a > 0 && b > 0) || (a < 0 && b < 0))
            slope[k] = 2 * a * b / (a + b);
        else
            slope[k] = 0;
    }
    if (knotCount > 0)
        slope[knotCount - 1] = 0;
}

int64_t CMonotoneCurve::At(int64_t pos, int64_t posScale) const
{
    if (knotCount == 0)
        return 0;
    if (pos <= x[0] * posScale)
        return y[0];
    if (pos >= x[knotCount - 1] * posScale)
        return y[knotCount - 1];
    int k = 0;
    while (k + 2 < knotCount && pos >= x[k + 1] * posScale)
        ++k;
    const int64_t span = x[k + 1] - x[k]; // whole units
    const int64_t h = span * posScale;
    const int64_t s = pos - x[k] * posScale;
    const int64_t s2 = s * s, s3 = s2 * s, h2 = h * h, h3 = h2 * h;
    // Cubic Hermite basis, scaled by h³.
    const int64_t h00 = 2 * s3 - 3 * s2 * h + h3;
    const int64_t h10 = s3 - 2 * s2 * h + s * h2;
    const int64_t h01 = -2 * s3 + 3 * s2 * h;
    const int64_t h11 = s3 - s2 * h;
    const int64_t num = h00 * y[k] + h10 * (span * slope[k]) + h01 * y[k + 1] + h11 * (span * slope[k + 1]);
    return RoundedDivide(num, h3);
}

} // namespace framira::texture_sources
