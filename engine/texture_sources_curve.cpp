// Integer curve helpers of the texture generator: smoothstep, smootherstep, a
// sine table and a monotone piecewise cubic. Integer only, so every build
// computes the same samples.
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

// One cycle of the sine in kSineSteps steps (plus the closing entry), in
// fixed point. The quarter wave comes from the Taylor series evaluated in 2^30
// fixed point (ten terms: far below one unit of the result at π/2); the rest
// is mirrored from it, so the table is exactly odd and periodic.
constexpr int kSineSteps = 1024;

struct CSineTable {
    int64_t value[kSineSteps + 1];

    CSineTable() : value{}
    {
        constexpr int64_t kQ = int64_t{1} << 30;
        constexpr int64_t kHalfPi = 1686629713; // π/2 × 2^30
        constexpr int kQuarter = kSineSteps / 4;
        int64_t quarter[kQuarter + 1];
        for (int i = 0; i <= kQuarter; ++i) {
            const int64_t x = kHalfPi * i / kQuarter;
            const int64_t x2 = x * x / kQ;
            int64_t term = x, sum = x;
            for (int n = 1; n <= 9; ++n) {
                term = -term * x2 / kQ / ((2 * n) * (2 * n + 1));
                sum += term;
            }
            quarter[i] = (sum * kUnit + kQ / 2) / kQ;
        }
        for (int i = 0; i <= kSineSteps; ++i) {
            const int j = i % (2 * kQuarter);
            const int64_t s = j <= kQuarter ? quarter[j] : quarter[2 * kQuarter - j];
            value[i] = i % kSineSteps < 2 * kQuarter ? s : -s;
        }
    }
};

const CSineTable& SineTable()
{
    static const CSineTable table;
    return table;
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

int64_t SmootherStep(int64_t t)
{
    if (t <= 0)
        return 0;
    if (t >= kUnit)
        return kUnit;
    // t³ (10 − 15t + 6t²), all in units of kUnit.
    const int64_t t3 = t * t / kUnit * t / kUnit;
    return t3 * ((6 * t - 15 * kUnit) * t / kUnit + 10 * kUnit) / kUnit;
}

int64_t Sine(int64_t phase)
{
    phase %= kUnit;
    if (phase < 0)
        phase += kUnit;
    const int64_t pos = phase * kSineSteps;
    const int64_t i = pos / kUnit, f = pos % kUnit;
    const int64_t* table = SineTable().value;
    return table[i] + (table[i + 1] - table[i]) * f / kUnit;
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
