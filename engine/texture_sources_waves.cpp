// The four coordinate maps: straight ramps plus displacements that hold
// steady within bands of lines (first pair) or ripple like a sine along them
// (second pair). Band layouts, sizes and ripple shapes come from a fixed-seed
// xorshift generator; all arithmetic is integer.
//
// What the maps do to the mat decides how it looks. A displacement that jumps
// between neighbouring lines cuts the picture into hard-edged slabs, and a
// ripple with sharp turning points folds hard picture edges into rows of
// crisp dashes. So every change here is gradual: band values blend with a
// smootherstep, neighbouring band shifts differ by a bounded amount, ripples
// are sinusoids whose phase, period and strength drift from band to band, and
// most ripples are moderate with an occasional strong stretch.
#include "mat.h"
#include "texture_sources.h"

#include <vector>

namespace framira::texture_sources {
namespace {

constexpr int kW = kTextureSourceWidth;
constexpr int kH = kTextureSourceHeight;
constexpr int64_t kSub = 256;      // displacements in 1/256 texture pixel
constexpr int64_t kTop = 65533;    // the ramps' far end value

struct CBand {
    int start;
    int length;
};

// Bands covering 0 … total − 1, lengths minLen … maxLen, short ones more likely.
std::vector<CBand> LayOutBands(CXorShift32& rng, int total, int minLen, int maxLen)
{
    std::vector<CBand> bands;
    int pos = 0;
    while (pos < total) {
        const int64_t r = rng.Fraction();
        int len = minLen + static_cast<int>((maxLen - minLen) * r / kUnit * r / kUnit);
        if (total - (pos + len) < minLen)
            len = total - pos;
        bands.push_back({pos, len});
        pos += len;
    }
    return bands;
}

// Which two bands a line at coordinate b blends and how much of the second.
// Each band holds its own value around its centre; the change to the next
// band is a smootherstep over the middle `changePercent` of the way between
// the two centres.
struct CBandBlend {
    size_t lower;
    size_t upper;
    int64_t weight; // of upper, 0 … kUnit
};

CBandBlend BlendAt(const std::vector<CBand>& bands, int b, int changePercent)
{
    auto centre2 = [&](size_t i) { return static_cast<int64_t>(2 * bands[i].start + bands[i].length); };
    const int64_t twice = 2 * static_cast<int64_t>(b);
    const size_t last = bands.size() - 1;
    if (twice <= centre2(0))
        return {0, 0, 0};
    if (twice >= centre2(last))
        return {last, last, 0};
    size_t i = 0;
    while (i + 1 < last && twice >= centre2(i + 1))
        ++i;
    const int64_t t = (twice - centre2(i)) * kUnit / (centre2(i + 1) - centre2(i));
    const int64_t hold = kUnit * (100 - changePercent) / 200;
    return {i, i + 1, SmootherStep((t - hold) * 100 / changePercent)};
}

// 0 … kUnit: 0 at distance 0 from an end, 1 from `length` on.
int64_t EndFade(int distance, int length)
{
    return SmoothStep(static_cast<int64_t>(distance) * kUnit / length);
}

// Ramp value for position a (0 … span) displaced by dev (1/kSub pixel). A
// position beyond either end is mirrored back into the ramp (the ripples swing
// past the ends; clamping would smear the edge sample over whole stretches).
uint16_t RampValue(int a, int64_t dev, int span)
{
    const int64_t end = span * kSub;
    int64_t coord = a * kSub + dev;
    if (coord < 0)
        coord = -coord;
    if (coord > end)
        coord = 2 * end - coord;
    if (coord <= 0)
        return 0;
    if (coord >= end)
        return static_cast<uint16_t>(kTop);
    return static_cast<uint16_t>((coord * kTop + end / 2) / end);
}

// Writes one line of a map: `a` runs along the ramp. An x map's lines are rows
// (ramp 0 → 65533 left to right); a y map's lines are columns, inverted
// (65533 at the top, 0 at the bottom).
void WriteLine(uint16_t* out, bool xMap, int b, const std::vector<int64_t>& dev)
{
    if (xMap) {
        uint16_t* row = out + static_cast<size_t>(b) * kW;
        for (int x = 0; x < kW; ++x)
            row[x] = RampValue(x, dev[static_cast<size_t>(x)], kW - 1);
    } else {
        for (int y = 0; y < kH; ++y)
            out[static_cast<size_t>(y) * kW + b] =
                static_cast<uint16_t>(kTop - RampValue(y, dev[static_cast<size_t>(y)], kH - 1));
    }
}

// First pair: every band of lines is shifted along the ramp by its own amount,
// drawn as 80 … 400 pixels (80 + 320 r²). The sign usually (3 in 4) stays
// that of the band before, and a shift differs from the one
// before by at most 2.5 times the distance between the two bands' centres
// (never less than 80 pixels), so neighbouring bands bend picture edges into
// gentle waves instead of steps. The change between bands takes the middle
// 70 % of the way between their centres.
// Along a line the shift fades in over the first 400 pixels from the ramp's
// start and is tapered off over the last 64, so the ends keep their values 0
// and 65533. A shift pointing out of the ramp fades over at least 1.55 times
// its own size (a smoothstep taper of length L is at most 1.5 / L steep), so
// every line stays a monotone ramp that neither folds nor sticks at an end.
void GenerateBandShiftMap(uint16_t* out, bool xMap, uint32_t seed)
{
    CXorShift32 rng(seed);
    const int rampLength = xMap ? kW : kH;
    const int lineCount = xMap ? kH : kW;
    const std::vector<CBand> bands = LayOutBands(rng, lineCount, 20, 200);
    std::vector<int64_t> shift(bands.size());
    for (size_t i = 0; i < shift.size(); ++i) {
        const int64_t r = rng.Fraction();
        const int64_t pixels = 80 + 320 * r / kUnit * r / kUnit;
        bool negative = (rng.Next() & 1) != 0;
        if (i > 0 && rng.Between(1, 100) <= 75)
            negative = shift[i - 1] < 0;
        int64_t s = (negative ? -pixels : pixels) * kSub;
        if (i > 0) {
            const int64_t centres = (bands[i - 1].length + bands[i].length) / 2;
            const int64_t limit = (centres * 5 / 2 > 80 ? centres * 5 / 2 : 80) * kSub;
            if (s > shift[i - 1] + limit)
                s = shift[i - 1] + limit;
            if (s < shift[i - 1] - limit)
                s = shift[i - 1] - limit;
        }
        shift[i] = s;
    }
    std::vector<int64_t> dev(static_cast<size_t>(rampLength));
    for (int b = 0; b < lineCount; ++b) {
        const CBandBlend blend = BlendAt(bands, b, 70);
        const int64_t d = shift[blend.lower] + (shift[blend.upper] - shift[blend.lower]) * blend.weight / kUnit;
        const int64_t outward = (d < 0 ? -d : d) * 155 / (100 * kSub) + 1;
        const int startFade = static_cast<int>(d < 0 && outward > 400 ? outward : 400);
        const int endFade = static_cast<int>(d > 0 && outward > 64 ? outward : 64);
        // A fade is whole (kUnit) from its length on, so most of a line
        // skips the divisions of working it out.
        for (int a = 0; a < rampLength; ++a) {
            const int fromEnd = rampLength - 1 - a;
            const int64_t start = a < startFade ? EndFade(a, startFade) : kUnit;
            const int64_t end = fromEnd < endFade ? EndFade(fromEnd, endFade) : kUnit;
            dev[static_cast<size_t>(a)] = d * (start * end / kUnit) / kUnit;
        }
        WriteLine(out, xMap, b, dev);
    }
}

// One band's ripple: offset + amplitude × envelope × sin(phase), the phase
// advancing by one cycle per local period.
struct CRipple {
    int64_t offset;       // 1/kSub pixel
    int64_t amplitude;    // 1/kSub pixel
    int period;           // pixels
    int64_t phase;        // kUnit per cycle
    int wobbleLength;     // pixels per cycle of the period's wandering
    int64_t wobblePhase;
    int envelopeLength;   // pixels per cycle of the strength's swell
    int64_t envelopePhase;
};

// The period wanders by ±10 % and the strength swells by ±45 %, both along
// slow sine cycles of a few hundred pixels.
std::vector<int64_t> RippleLine(const CRipple& ripple, int rampLength)
{
    std::vector<int64_t> line(static_cast<size_t>(rampLength));
    constexpr uint64_t kCycle = uint64_t{1} << 32; // phase resolution
    uint64_t phase = static_cast<uint64_t>(ripple.phase) << 16;
    for (int a = 0; a < rampLength; ++a) {
        const int64_t wave = Sine(static_cast<int64_t>(phase >> 16));
        const int64_t swell =
            kUnit + 45 * Sine(ripple.envelopePhase + static_cast<int64_t>(a) * kUnit / ripple.envelopeLength) / 100;
        line[static_cast<size_t>(a)] = ripple.offset + ripple.amplitude * swell / kUnit * wave / kUnit;
        const int64_t wobble =
            kUnit + 10 * Sine(ripple.wobblePhase + static_cast<int64_t>(a) * kUnit / ripple.wobbleLength) / 100;
        const int64_t localPeriod = ripple.period * kSub * wobble / kUnit;
        phase += kCycle * kSub / static_cast<uint64_t>(localPeriod);
    }
    return line;
}

// The ripples of all bands of a map. Strength: 20 … 80 pixels, and for about
// one band in ten 150 … 300 more; then each band's strength is averaged with
// its neighbours' (1, 2, 1) so that a strong band rises out of its
// surroundings. Period 40 … 58 pixels, drifting by at most 5 from band to
// band; phase 5 … 20 % of a cycle ahead of or behind the band before; offset
// up to ±40 pixels.
std::vector<CRipple> DrawRipples(CXorShift32& rng, size_t count)
{
    std::vector<CRipple> ripples(count);
    for (size_t i = 0; i < count; ++i) {
        CRipple& r = ripples[i];
        r.offset = rng.Between(-40, 40) * kSub;
        const int64_t moderate = rng.Fraction();
        const int64_t strong = rng.Fraction();
        int64_t amplitude = 20 * kUnit + 60 * moderate;
        if (rng.Between(1, 100) <= 10)
            amplitude += 150 * kUnit + 150 * strong;
        r.amplitude = amplitude * kSub / kUnit;
        if (i == 0) {
            r.period = rng.Between(42, 56);
            r.phase = rng.Fraction();
        } else {
            const CRipple& before = ripples[i - 1];
            r.period = before.period + rng.Between(-5, 5);
            r.period = r.period < 40 ? 40 : (r.period > 58 ? 58 : r.period);
            const int64_t step = kUnit * rng.Between(5, 20) / 100;
            r.phase = (before.phase + ((rng.Next() & 1) != 0 ? step : kUnit - step)) % kUnit;
        }
        r.wobbleLength = rng.Between(250, 600);
        r.wobblePhase = rng.Fraction();
        r.envelopeLength = rng.Between(300, 800);
        r.envelopePhase = rng.Fraction();
    }
    if (count > 2) {
        std::vector<int64_t> smoothed(count);
        for (size_t i = 0; i < count; ++i) {
            const int64_t before = ripples[i == 0 ? 0 : i - 1].amplitude;
            const int64_t after = ripples[i + 1 < count ? i + 1 : i].amplitude;
            smoothed[i] = (before + 2 * ripples[i].amplitude + after) / 4;
        }
        for (size_t i = 0; i < count; ++i)
            ripples[i].amplitude = smoothed[i];
    }
    return ripples;
}

// Second pair: sine ripples along the ramp, in bands of 20 … 140 lines whose
// ripples blend over the middle 75 % of the way between band centres. The
// displacement tapers off over 48 pixels at both ends of the ramp (strong
// ripples swing past the ends there and are mirrored back).
void GenerateRippleMap(uint16_t* out, bool xMap, uint32_t seed)
{
    CXorShift32 rng(seed);
    const int rampLength = xMap ? kW : kH;
    const int lineCount = xMap ? kH : kW;
    const std::vector<CBand> bands = LayOutBands(rng, lineCount, 20, 140);
    std::vector<std::vector<int64_t>> lines;
    lines.reserve(bands.size());
    for (const CRipple& ripple : DrawRipples(rng, bands.size()))
        lines.push_back(RippleLine(ripple, rampLength));
    std::vector<int64_t> fade(static_cast<size_t>(rampLength));
    for (int a = 0; a < rampLength; ++a)
        fade[static_cast<size_t>(a)] = EndFade(a, 48) * EndFade(rampLength - 1 - a, 48) / kUnit;

    std::vector<int64_t> dev(static_cast<size_t>(rampLength));
    for (int b = 0; b < lineCount; ++b) {
        const CBandBlend blend = BlendAt(bands, b, 75);
        const auto& lo = lines[blend.lower];
        const auto& hi = lines[blend.upper];
        for (size_t a = 0; a < dev.size(); ++a) {
            const int64_t d = lo[a] + (hi[a] - lo[a]) * blend.weight / kUnit;
            dev[a] = d * fade[a] / kUnit;
        }
        WriteLine(out, xMap, b, dev);
    }
}

} // namespace

void GenerateFirstWave0(uint16_t* out) { GenerateBandShiftMap(out, true, 0x46573031u); }
void GenerateFirstWave1(uint16_t* out) { GenerateBandShiftMap(out, false, 0x46573132u); }
void GenerateSecondWave0(uint16_t* out) { GenerateRippleMap(out, true, 0x53573033u); }
void GenerateSecondWave1(uint16_t* out) { GenerateRippleMap(out, false, 0x53573134u); }

} // namespace framira::texture_sources
