// Properties of the six built-in texture sources that make the mat look
// right: ramp ends, displacement sizes, band structure without steps, smooth
// ripples and their periods, the shading profiles, symmetry, and identical
// bytes everywhere.
#include "mat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace framira {
namespace {

constexpr int kW = kTextureSourceWidth;
constexpr int kH = kTextureSourceHeight;

// A coordinate map seen as lines along its ramp: deviation(line, a) in texture
// pixels from the straight ramp, for a = 0 … rampLength − 1.
struct CMapView {
    const uint16_t* data;
    bool xMap;
    int RampLength() const { return xMap ? kW : kH; }
    int LineCount() const { return xMap ? kH : kW; }
    int Raw(int line, int a) const
    {
        return xMap ? data[static_cast<size_t>(line) * kW + a] : data[static_cast<size_t>(a) * kW + line];
    }
    // Position along the ramp that the sample points at, in texture pixels.
    double Position(int line, int a) const
    {
        const double span = RampLength() - 1;
        const double v = xMap ? Raw(line, a) : 65533 - Raw(line, a);
        return v * span / 65533.0;
    }
    double Deviation(int line, int a) const { return Position(line, a) - a; }
};

// Held for the whole test program: every test reads these.
const std::shared_ptr<const CTextureSources> kSources = AcquireTextureSources();
const uint16_t* FirstWaveImage0() { return kSources->firstWave[0].data(); }
const uint16_t* FirstWaveImage1() { return kSources->firstWave[1].data(); }
const uint16_t* SecondWaveImage0() { return kSources->secondWave[0].data(); }
const uint16_t* SecondWaveImage1() { return kSources->secondWave[1].data(); }
const uint8_t* VignettingImage0() { return kSources->vignetting[0].data(); }
const uint8_t* VignettingImage1() { return kSources->vignetting[1].data(); }

const CMapView kFirst0{FirstWaveImage0(), true};
const CMapView kFirst1{FirstWaveImage1(), false};
const CMapView kSecond0{SecondWaveImage0(), true};
const CMapView kSecond1{SecondWaveImage1(), false};

TEST(TextureSources, AllSixAreAvailableAndSharedWhileHeld)
{
    ASSERT_NE(kSources, nullptr);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(kSources->firstWave[i].size(), size_t{kW} * kH);
        EXPECT_EQ(kSources->secondWave[i].size(), size_t{kW} * kH);
        EXPECT_EQ(kSources->vignetting[i].size(), size_t{kW} * kH);
    }
    EXPECT_EQ(AcquireTextureSources(), kSources); // not made twice while held
}

TEST(TextureSources, CoordinateMapsRunTheirFullRange)
{
    // x maps: 0 at the left, 65533 at the right of every row; y maps: 65533 at
    // the top, 0 at the bottom of every column.
    for (const CMapView* map : {&kFirst0, &kFirst1, &kSecond0, &kSecond1}) {
        SCOPED_TRACE(map->xMap ? "x map" : "y map");
        for (int line = 0; line < map->LineCount(); ++line) {
            ASSERT_EQ(map->Position(line, 0), 0.0) << line;
            ASSERT_EQ(map->Position(line, map->RampLength() - 1), map->RampLength() - 1.0) << line;
        }
    }
    EXPECT_EQ(FirstWaveImage0()[0], 0);
    EXPECT_EQ(FirstWaveImage0()[kW - 1], 65533);
    EXPECT_EQ(FirstWaveImage1()[0], 65533);
    EXPECT_EQ(FirstWaveImage1()[static_cast<size_t>(kH - 1) * kW], 0);
}

// Deviation of each line, read in the middle of the ramp where nothing fades.
std::vector<double> LineShifts(const CMapView& map, int a)
{
    std::vector<double> shifts(static_cast<size_t>(map.LineCount()));
    for (int line = 0; line < map.LineCount(); ++line)
        shifts[static_cast<size_t>(line)] = map.Deviation(line, a);
    return shifts;
}

TEST(TextureSources, FirstWaveShiftsWholeBandsByUpToAboutFourHundredPixels)
{
    for (const CMapView* map : {&kFirst0, &kFirst1}) {
        SCOPED_TRACE(map->xMap ? "FirstWaveImage0" : "FirstWaveImage1");
        const int mid = map->RampLength() * 5 / 8;
        // Nearly constant along each line away from the ends, and a monotone ramp.
        double largest = 0.0;
        for (int line = 0; line < map->LineCount(); ++line) {
            double lo = 1e9, hi = -1e9;
            // Shifts pointing out of the ramp fade over up to 620 pixels.
            const bool outwardAtEnd = map->Deviation(line, map->RampLength() / 2) > 0;
            const int from = outwardAtEnd ? 410 : 630;
            const int to = map->RampLength() - (outwardAtEnd ? 630 : 70);
            for (int a = from; a < to; ++a) {
                const double d = map->Deviation(line, a);
                lo = std::min(lo, d);
                hi = std::max(hi, d);
                largest = std::max(largest, std::fabs(d));
            }
            ASSERT_LT(hi - lo, 1.0) << line;
            for (int a = 1; a < map->RampLength(); ++a)
                ASSERT_GE(map->Position(line, a), map->Position(line, a - 1)) << line << "," << a;
        }
        EXPECT_LE(largest, 420.0);
        EXPECT_GE(largest, 250.0);

        // Fading out towards the ramp's start: small shifts near it.
        for (int line = 0; line < map->LineCount(); ++line) {
            ASSERT_LE(std::fabs(map->Deviation(line, 20)), 0.03 * std::fabs(map->Deviation(line, mid)) + 1.0);
            ASSERT_LE(std::fabs(map->Deviation(line, 200)), 0.6 * std::fabs(map->Deviation(line, mid)) + 1.0);
        }

        // Bands: runs of lines with the same shift, tens to about 200 lines long,
        // bending into one another: neighbouring lines never differ by more
        // than a few pixels, or picture edges would break into hard steps.
        const std::vector<double> shifts = LineShifts(*map, mid);
        std::vector<int> plateaus;
        std::vector<double> plateauShifts;
        int run = 1;
        for (size_t i = 1; i <= shifts.size(); ++i) {
            if (i < shifts.size() && std::fabs(shifts[i] - shifts[i - 1]) < 0.05) {
                ++run;
                continue;
            }
            if (run >= 5) {
                plateaus.push_back(run);
                plateauShifts.push_back(shifts[i - 1]);
            }
            run = 1;
        }
        ASSERT_GE(plateaus.size(), 6u);
        EXPECT_LE(plateaus.size(), 60u);
        for (int len : plateaus)
            EXPECT_LE(len, 200);
        const double meanBand = static_cast<double>(map->LineCount()) / static_cast<double>(plateaus.size());
        EXPECT_GE(meanBand, 20.0);
        EXPECT_LE(meanBand, 200.0);
        for (size_t i = 1; i < shifts.size(); ++i)
            ASSERT_LT(std::fabs(shifts[i] - shifts[i - 1]), 16.0) << i;

        // Typical shift about 150 pixels.
        std::vector<double> sizes;
        for (double s : plateauShifts)
            sizes.push_back(std::fabs(s));
        std::sort(sizes.begin(), sizes.end());
        const double median = sizes[sizes.size() / 2];
        EXPECT_GE(median, 70.0);
        EXPECT_LE(median, 250.0);
    }
}

// Mean distance between successive maxima of the deviation along one line,
// away from the ends (where strong ripples swing past the ramp and fold back).
double RipplePeriod(const CMapView& map, int line)
{
    std::vector<int> peaks;
    const int from = 400, to = map.RampLength() - 400;
    for (int a = from; a < to; ++a) {
        const double d = map.Deviation(line, a);
        if (d > map.Deviation(line, a - 1) && d >= map.Deviation(line, a + 1))
            peaks.push_back(a);
    }
    if (peaks.size() < 2)
        return 0.0;
    return static_cast<double>(peaks.back() - peaks.front()) / static_cast<double>(peaks.size() - 1);
}

TEST(TextureSources, SecondWaveRipplesWithPeriodsOfThirtyToSixtyPixels)
{
    for (const CMapView* map : {&kSecond0, &kSecond1}) {
        SCOPED_TRACE(map->xMap ? "SecondWaveImage0" : "SecondWaveImage1");
        int inRange = 0, measured = 0;
        double largest = 0.0, strongestLine = 0.0;
        std::vector<double> amplitudes;
        for (int line = 0; line < map->LineCount(); line += 7) {
            const double period = RipplePeriod(*map, line);
            ++measured;
            if (period >= 30.0 && period <= 60.0)
                ++inRange;
            double lo = 1e9, hi = -1e9;
            for (int a = 0; a < map->RampLength(); ++a) {
                const double d = map->Deviation(line, a);
                lo = std::min(lo, d);
                hi = std::max(hi, d);
                largest = std::max(largest, std::fabs(d));
            }
            amplitudes.push_back((hi - lo) / 2);
            strongestLine = std::max(strongestLine, (hi - lo) / 2);
        }
        EXPECT_GE(inRange, measured * 9 / 10);
        EXPECT_LE(largest, 530.0);
        EXPECT_GE(strongestLine, 200.0); // some bands ripple by a few hundred pixels
        // Strength changes from band to band.
        std::sort(amplitudes.begin(), amplitudes.end());
        EXPECT_GT(amplitudes[amplitudes.size() * 9 / 10], 2.0 * amplitudes[amplitudes.size() / 10]);
        // Around the middle of a band every line carries the same ripple (the
        // rest of the way the band blends into the next); far apart lines differ.
        int sameNeighbours = 0;
        for (int line = 0; line + 1 < map->LineCount(); line += 7)
            if (std::fabs(map->Deviation(line, 800) - map->Deviation(line + 1, 800)) < 0.05)
                ++sameNeighbours;
        EXPECT_GE(sameNeighbours, map->LineCount() / 7 / 4);
    }
}

TEST(TextureSources, SecondWaveRipplesHaveNoSharpTurningPoints)
{
    // A sine-like ripple of half range A and period P bends by at most about
    // A (2π / P)² per pixel², under 0.045 A for the periods used; a zig-zag
    // turns by 8 A / P at once (0.15 A or more), which folds hard picture
    // edges into crisp dashes on the mat. Samples whose position lies within
    // one step (under 0.2 A) of a ramp end, where strong ripples are mirrored
    // back, are left out.
    for (const CMapView* map : {&kSecond0, &kSecond1}) {
        SCOPED_TRACE(map->xMap ? "SecondWaveImage0" : "SecondWaveImage1");
        const int last = map->RampLength() - 1;
        for (int line = 0; line < map->LineCount(); line += 5) {
            double lo = 1e9, hi = -1e9;
            for (int a = 0; a <= last; ++a) {
                lo = std::min(lo, map->Deviation(line, a));
                hi = std::max(hi, map->Deviation(line, a));
            }
            const double bound = 0.045 * (hi - lo) / 2 + 0.3;
            const double margin = 0.2 * (hi - lo) / 2 + 2.0;
            for (int a = 60; a <= last - 60; ++a) {
                bool inside = true;
                for (int k = -1; k <= 1; ++k) {
                    const double p = map->Position(line, a + k);
                    inside = inside && p > margin && p < last - margin;
                }
                if (!inside)
                    continue;
                const double bend =
                    map->Deviation(line, a + 1) - 2 * map->Deviation(line, a) + map->Deviation(line, a - 1);
                ASSERT_LE(std::fabs(bend), bound) << line << "," << a;
            }
        }
    }
}

const int kDistances[20] = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 120, 140, 160, 180, 200, 211, 250, 300, 334};
const int kProfile0[20] = {168, 175, 183, 191, 198, 206, 214, 221, 227, 233,
                           238, 244, 248, 251, 253, 254, 255, 255, 255, 255};
const int kProfile1[20] = {79, 121, 154, 177, 191, 198, 205, 210, 217, 222,
                           226, 232, 238, 243, 245, 246, 248, 252, 253, 255};

int Shade(const uint8_t* image, int x, int y)
{
    return image[static_cast<size_t>(y) * kW + x];
}

TEST(TextureSources, EdgeShadeFollowsTheProfileInEveryRow)
{
    const uint8_t* v0 = VignettingImage0();
    for (int i = 0; i < 20; ++i)
        for (int y : {0, 333, 599, 1199}) {
            EXPECT_EQ(Shade(v0, kDistances[i], y), kProfile0[i]) << kDistances[i];
            EXPECT_EQ(Shade(v0, kW - 1 - kDistances[i], y), kProfile0[i]) << kDistances[i];
        }
    for (int y = 1; y < kH; ++y)
        ASSERT_EQ(std::memcmp(v0, v0 + static_cast<size_t>(y) * kW, kW), 0) << y;
    // Smooth and rising from the edge to 255 at 211 pixels.
    for (int x = 1; x < kW / 2; ++x) {
        ASSERT_GE(Shade(v0, x, 0), Shade(v0, x - 1, 0)) << x;
        ASSERT_LE(Shade(v0, x, 0) - Shade(v0, x - 1, 0), 2) << x;
        ASSERT_EQ(Shade(v0, x, 0), Shade(v0, kW - 1 - x, 0)) << x;
    }
    EXPECT_EQ(Shade(v0, 210, 0), 255 - (Shade(v0, 210, 0) < 255));
    EXPECT_EQ(Shade(v0, 800, 0), 255);
}

TEST(TextureSources, FrameShadeFollowsTheProfileAndDarkensTheCorners)
{
    const uint8_t* v1 = VignettingImage1();
    // Along the middle of each edge: exactly the profile.
    for (int i = 0; i < 20; ++i) {
        const int d = kDistances[i];
        EXPECT_EQ(Shade(v1, 800, d), kProfile1[i]) << d;
        EXPECT_EQ(Shade(v1, 800, kH - 1 - d), kProfile1[i]) << d;
        EXPECT_EQ(Shade(v1, d, 600), kProfile1[i]) << d;
        EXPECT_EQ(Shade(v1, kW - 1 - d, 600), kProfile1[i]) << d;
    }
    // Interior from 334 pixels inside every edge.
    for (int y = 334; y < kH - 334; y += 17)
        for (int x = 334; x < kW - 334; x += 13)
            ASSERT_EQ(Shade(v1, x, y), 255);
    // Corners: 1 at the corner pixel and along the top edge 1, 36, 60 at
    // distances 10, 40 and 100 (where the plain product gives 37, 59, 70).
    for (auto [x, y] : {std::pair{0, 0}, {kW - 1, 0}, {0, kH - 1}, {kW - 1, kH - 1}})
        EXPECT_EQ(Shade(v1, x, y), 1);
    EXPECT_EQ(Shade(v1, 10, 0), 1);
    EXPECT_EQ(Shade(v1, 40, 0), 36);
    EXPECT_EQ(Shade(v1, 100, 0), 60);
    EXPECT_EQ(Shade(v1, 0, 40), 36);
    EXPECT_EQ(Shade(v1, kW - 1 - 100, kH - 1), 60);
    // Symmetric both ways; never brighter than the product, equal to it (±1)
    // away from the corners; smooth.
    auto profile = [&](int d) { return Shade(v1, d < 800 ? d : 799, 600); };
    for (int y = 0; y < kH / 2; ++y)
        for (int x = 0; x < kW / 2; ++x) {
            const int v = Shade(v1, x, y);
            ASSERT_EQ(v, Shade(v1, kW - 1 - x, y));
            ASSERT_EQ(v, Shade(v1, x, kH - 1 - y));
            const double product = profile(x) * profile(y) / 255.0;
            ASSERT_LE(v, std::lround(product) + 1) << x << "," << y;
            if (x >= 150 || y >= 150) {
                ASSERT_NEAR(v, product, 1.0) << x << "," << y;
            }
            if (x > 0) {
                ASSERT_LE(std::abs(v - Shade(v1, x - 1, y)), 8) << x << "," << y;
            }
            if (y > 0) {
                ASSERT_LE(std::abs(v - Shade(v1, x, y - 1)), 8) << x << "," << y;
            }
        }
}

// FNV-1a over the bytes: pins the sources so that no build or machine can
// silently produce different textures.
uint64_t Fingerprint(const void* data, size_t bytes)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < bytes; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

TEST(TextureSources, BytesArePinned)
{
    const size_t n = static_cast<size_t>(kW) * kH;
    const uint64_t got[6] = {
        Fingerprint(FirstWaveImage0(), n * 2),  Fingerprint(FirstWaveImage1(), n * 2),
        Fingerprint(SecondWaveImage0(), n * 2), Fingerprint(SecondWaveImage1(), n * 2),
        Fingerprint(VignettingImage0(), n),     Fingerprint(VignettingImage1(), n),
    };
    const uint64_t expected[6] = {
        0xbad5425e5f810913ull, 0x31ad2c3dc8bae152ull, 0xb4c14363c751fa60ull,
        0x8f18bc33c383803aull, 0x9ca15146b3cbb6a3ull, 0x7a1f84323f7fd8ebull,
    };
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(got[i], expected[i]) << "source " << i << ": 0x" << std::hex << got[i];
}

} // namespace
} // namespace framira
