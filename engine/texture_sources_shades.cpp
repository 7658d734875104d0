// The two shading masks. Both follow one profile table by distance from the
// nearest edge, interpolated by a monotone cubic between the listed distances,
// so they hit every listed value exactly and are smooth in between.
#include "mat.h"
#include "texture_sources.h"

namespace framira::texture_sources {

const int CShadeProfile::distance[kKnots] = {0,   10,  20,  30,  40,  50,  60,  70,  80,  90,
                                             100, 120, 140, 160, 180, 200, 211, 250, 300, 334};
const int CShadeProfile::edgeFade[kKnots] = {168, 175, 183, 191, 198, 206, 214, 221, 227, 233,
                                             238, 244, 248, 251, 253, 254, 255, 255, 255, 255};
const int CShadeProfile::frameFade[kKnots] = {79,  121, 154, 177, 191, 198, 205, 210, 217, 222,
                                              226, 232, 238, 243, 245, 246, 248, 252, 253, 255};

namespace {

constexpr int kW = kTextureSourceWidth;
constexpr int kH = kTextureSourceHeight;

CMonotoneCurve ProfileCurve(const int (&values)[CShadeProfile::kKnots])
{
    int64_t ys[CShadeProfile::kKnots];
    for (int k = 0; k < CShadeProfile::kKnots; ++k)
        ys[k] = values[k] * kUnit;
    return CMonotoneCurve(CShadeProfile::distance, ys, CShadeProfile::kKnots);
}

// The profile as whole 8-bit values, for distances 0 … half the longer side.
void TabulateProfile(const int (&values)[CShadeProfile::kKnots], int* table, int count)
{
    const CMonotoneCurve curve = ProfileCurve(values);
    for (int d = 0; d < count; ++d)
        table[d] = static_cast<int>((curve.At(d, 1) + kUnit / 2) / kUnit);
}

int EdgeDistance(int i, int length)
{
    return i < length - 1 - i ? i : length - 1 - i;
}

// Integer square root ⌊√v⌋.
int64_t SquareRoot(int64_t v)
{
    int64_t r = 0;
    int64_t bit = int64_t{1} << 62;
    while (bit > v)
        bit >>= 2;
    while (bit != 0) {
        if (v >= r + bit) {
            v -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
        bit >>= 2;
    }
    return r;
}

} // namespace

void GenerateVignetting0(uint8_t* out)
{
    int profile[kW / 2];
    TabulateProfile(CShadeProfile::edgeFade, profile, kW / 2);
    uint8_t row[kW];
    for (int x = 0; x < kW; ++x)
        row[x] = static_cast<uint8_t>(profile[EdgeDistance(x, kW)]);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            out[static_cast<size_t>(y) * kW + x] = row[x];
}

// Away from the corners the frame mask is the product of the edge profile
// across and down. Near each corner it falls further, along a round cap whose
// strength depends on the distance from the corner pixel: nothing within about
// 10 pixels, about 60 % at 40 pixels, 86 % at 100, the plain product from 150.
void GenerateVignetting1(uint8_t* out)
{
    int profile[kW / 2];
    TabulateProfile(CShadeProfile::frameFade, profile, kW / 2);

    static const int capDistance[] = {0, 10, 40, 100, 150};
    static const int64_t capStrength[] = {0, 0, 39846, 56164, kUnit}; // 0, 0, 0.608, 0.857, 1
    const CMonotoneCurve cap(capDistance, capStrength, 5);
    constexpr int64_t kSubPixels = 16;

    // A sample depends only on its distances from the nearest edges, so the
    // top left quarter is worked out and mirrored into the rest.
    for (int y = 0; y < kH; ++y) {
        const int dy = EdgeDistance(y, kH);
        uint8_t* row = out + static_cast<size_t>(y) * kW;
        if (dy != y) {
            const uint8_t* mirror = out + static_cast<size_t>(dy) * kW;
            for (int x = 0; x < kW; ++x)
                row[x] = mirror[x];
            continue;
        }
        for (int x = 0; x < kW; ++x) {
            const int dx = EdgeDistance(x, kW);
            if (dx != x) {
                row[x] = row[dx];
                continue;
            }
            const int64_t product = static_cast<int64_t>(profile[dx]) * profile[dy];
            int64_t strength = kUnit;
            if (dx < 150 && dy < 150) {
                const int64_t r = SquareRoot((static_cast<int64_t>(dx) * dx + static_cast<int64_t>(dy) * dy) *
                                             kSubPixels * kSubPixels);
                strength = cap.At(r, kSubPixels);
            }
            int64_t value = (product * strength + 255 * kUnit / 2) / (255 * kUnit);
            if (value < 1)
                value = 1;
            if (value > 255)
                value = 255;
            row[x] = static_cast<uint8_t>(value);
        }
    }
}

} // namespace framira::texture_sources
