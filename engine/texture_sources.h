// The generator of the six built-in texture sources (see texture_sources.cpp
// for what they are and how they are made). Internal to the engine.
//
// Everything here is integer arithmetic, so the sources come out identical on
// every compiler, optimisation level and machine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace framira::texture_sources {

// Fixed point: 1.0 == kUnit.
constexpr int64_t kUnit = 65536;

// A tiny fixed-seed PRNG (Marsaglia's 32-bit xorshift). Never seeded with 0.
class CXorShift32 {
public:
    explicit CXorShift32(uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // Uniform integer in lo … hi (inclusive).
    int Between(int lo, int hi)
    {
        const uint64_t span = static_cast<uint64_t>(hi - lo) + 1;
        return lo + static_cast<int>((static_cast<uint64_t>(Next()) * span) >> 32);
    }
    // Uniform fraction 0 … kUnit − 1.
    int64_t Fraction() { return static_cast<int64_t>(Next() >> 16); }

private:
    uint32_t state;
};

// Smoothstep 3t² − 2t³ on t = 0 … kUnit (clamped), result 0 … kUnit.
int64_t SmoothStep(int64_t t);

// Smootherstep 6t⁵ − 15t⁴ + 10t³ on t = 0 … kUnit (clamped), result 0 … kUnit:
// starts and ends with neither slope nor curvature, so a blend made with it
// has no visible seam.
int64_t SmootherStep(int64_t t);

// sin(2π × phase / kUnit) in fixed point (−kUnit … kUnit) for any phase,
// interpolated in a table of 1024 steps per cycle made by integer arithmetic.
int64_t Sine(int64_t phase);

// Monotone piecewise-cubic (Hermite, harmonic-mean slopes) through integer
// knots, exact at the knots. Knot positions ascend; positions before the first
// or beyond the last knot take that knot's value. Values are in fixed point
// (kUnit == 1).
class CMonotoneCurve {
public:
    // xs: knot positions (ascending, integers); ys: knot values in fixed point.
    CMonotoneCurve(const int* xs, const int64_t* ys, int count);
    // Value in fixed point at position pos / posScale.
    int64_t At(int64_t pos, int64_t posScale) const;

private:
    static constexpr int kMaxKnots = 24;
    int knotCount;
    int64_t x[kMaxKnots];
    int64_t y[kMaxKnots];
    int64_t slope[kMaxKnots]; // fixed-point value per whole position unit
};

// The profile of both shading masks, by distance from the nearest edge.
struct CShadeProfile {
    static constexpr int kKnots = 20;
    static const int distance[kKnots];
    static const int edgeFade[kKnots];   // VignettingImage0
    static const int frameFade[kKnots];  // VignettingImage1's edge profile
};

// Generators, each filling kTextureSourceWidth × kTextureSourceHeight samples.
void GenerateFirstWave0(uint16_t* out);
void GenerateFirstWave1(uint16_t* out);
void GenerateSecondWave0(uint16_t* out);
void GenerateSecondWave1(uint16_t* out);
void GenerateVignetting0(uint8_t* out);
void GenerateVignetting1(uint8_t* out);

} // namespace framira::texture_sources
