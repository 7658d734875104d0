// The four coordinate maps: straight ramps plus displacements that are
// constant within bands (first pair) or zig-zag in fine ripples (second pair).
// The band layout, displacement sizes and ripple shapes come from a fixed-seed
// xorshift generator; all arithmetic is integer.
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
// Each band holds its own value over the middle of its length; the change to
// the next band is a smoothstep over the middle 40 % of the way between the
// two bands' centres, so neighbouring lines never jump.
struct CBandBlend {
    size_t lower;
    size_t upper;
    int64_t weight; // of upper, 0 … kUnit
};

CBandBlend BlendAt(const std::vector<CBand>& bands, int b)
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
    const int64_t u = (t - kUnit * 3 / 10) * 10 / 4;
    return {i, i + 1, SmoothStep(u)};
}

// −kUnit … kUnit zig-zag over one cycle p = 0 … kUnit − 1.
int64_t Triangle(int64_t p)
{
    return p < kUnit / 2 ? -kUnit + 4 * p : 3 * kUnit - 4 * p;
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
// 40 … 400 pixels (small shifts more likely, about 150 on average), either way.
// The shift fades in over the first 400 pixels from the ramp's start and is
// tapered off over the last 64, so the ends keep their values 0 and 65533.
// A shift pointing out of the ramp fades over at least 1.55 times its own size
// (a smoothstep taper of length L is at most 1.5 / L steep), so every line
// stays a monotone ramp that neither folds nor sticks at an end.
void GenerateBandShiftMap(uint16_t* out, bool xMap, uint32_t seed)
{
    CXorShift32 rng(seed);
    const int rampLength = xMap ? kW : kH;
    const int lineCount = xMap ? kH : kW;
    const std::vector<CBand> bands = LayOutBands(rng, lineCount, 20, 200);
    std::vector<int64_t> shift(bands.size());
    for (auto& s : shift) {
        const int64_t r = rng.Fraction();
        const int64_t pixels = 40 + 360 * r / kUnit * r / kUnit;
        s = (rng.Next() & 1 ? pixels : -pixels) * kSub;
    }
    std::vector<int64_t> dev(static_cast<size_t>(rampLength));
    for (int b = 0; b < lineCount; ++b) {
        const CBandBlend blend = BlendAt(bands, b);
        const int64_t d = shift[blend.lower] + (shift[blend.upper] - shift[blend.lower]) * blend.weight / kUnit;
        const int64_t outward = (d < 0 ? -d : d) * 155 / (100 * kSub) + 1;
        const int startFade = static_cast<int>(d < 0 && outward > 400 ? outward : 400);
        const int endFade = static_cast<int>(d > 0 && outward > 64 ? outward : 64);
        for (int a = 0; a < rampLength; ++a)
            dev[static_cast<size_t>(a)] =
                d * (EndFade(a, startFade) * EndFade(rampLength - 1 - a, endFade) / kUnit) / kUnit;
        WriteLine(out, xMap, b, dev);
    }
}

// One band's ripple along the ramp: a zig-zag of 34 … 52 pixels whose period
// wanders by up to ±12 % over a few hundred pixels, an amplitude of 30 … 460
// pixels (30 + 430 r³: mostly gentle, now and then strong) and an offset of up to ±60.
std::vector<int64_t> RippleLine(CXorShift32& rng, int rampLength)
{
    const int64_t offset = rng.Between(-60, 60) * kSub;
    const int64_t r = rng.Fraction();
    const int64_t amplitude = (30 * kUnit + 430 * (r * r / kUnit * r / kUnit)) * kSub / kUnit;
    const int64_t period = rng.Between(34, 52) * kSub;
    const int wobbleLength = rng.Between(250, 600);
    int64_t wobblePhase = rng.Fraction();
    int64_t phase = rng.Fraction();

    std::vector<int64_t> line(static_cast<size_t>(rampLength));
    for (int a = 0; a < rampLength; ++a) {
        line[static_cast<size_t>(a)] = offset + amplitude * Triangle(phase) / kUnit;
        const int64_t localPeriod = period * (kUnit + 12 * Triangle(wobblePhase) / 100) / kUnit;
        phase = (phase + kUnit * kSub / localPeriod) % kUnit;
        wobblePhase = (wobblePhase + kUnit / wobbleLength) % kUnit;
    }
    return line;
}

// Second pair: fine zig-zag ripples along the ramp, in bands of 20 … 140 lines
// whose phase, period and strength differ. Tapered over 48 pixels at both ends.
void GenerateRippleMap(uint16_t* out, bool xMap, uint32_t seed)
{
    CXorShift32 rng(seed);
    const int rampLength = xMap ? kW : kH;
    const int lineCount = xMap ? kH : kW;
    const std::vector<CBand> bands = LayOutBands(rng, lineCount, 20, 140);
    std::vector<std::vector<int64_t>> ripples;
    ripples.reserve(bands.size());
    for (size_t i = 0; i < bands.size(); ++i)
        ripples.push_back(RippleLine(rng, rampLength));
    std::vector<int64_t> fade(static_cast<size_t>(rampLength));
    for (int a = 0; a < rampLength; ++a)
        fade[static_cast<size_t>(a)] = EndFade(a, 48) * EndFade(rampLength - 1 - a, 48) / kUnit;

    std::vector<int64_t> dev(static_cast<size_t>(rampLength));
    for (int b = 0; b < lineCount; ++b) {
        const CBandBlend blend = BlendAt(bands, b);
        const auto& lo = ripples[blend.lower];
        const auto& hi = ripples[blend.upper];
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
