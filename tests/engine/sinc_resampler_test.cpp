// The windowed-sinc resampler: its table, tap geometry, edge rules, clamping,
// and agreement byte for byte with a plain sample-by-sample rendering of the
// algorithm (which catches any loop reshaping that changes results).
#include "sinc_resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <type_traits>
#include <vector>

namespace {

using framira::ResamplePlanes;

TEST(SincResamplerTest, KernelTableHoldsTheTellingEntries)
{
    float table[framira::kKernelTableSize];
    framira::BuildKernelTable(table);
    EXPECT_EQ(table[0], 1.0f);
    EXPECT_NEAR(table[8], 0.883893, 5e-7);
    EXPECT_NEAR(table[16], 0.590629, 5e-7);
    EXPECT_NEAR(table[24], 0.25213, 5e-7);
    EXPECT_EQ(table[32], 0.0f);
    EXPECT_NEAR(table[40], -0.104282, 5e-7);
    EXPECT_NEAR(table[48], -0.088302, 5e-7);
    EXPECT_NEAR(table[56], -0.030837, 5e-7);
    EXPECT_NEAR(table[63], -0.001268, 5e-7);
}

TEST(SincResamplerTest, RadiusAndStepFollowTheScale)
{
    const framira::CAxisGeometry half = framira::AxisGeometryFor(200, 100);
    EXPECT_EQ(half.radius, 4);
    EXPECT_EQ(half.tableStep, 16.0f);
    const framira::CAxisGeometry triple = framira::AxisGeometryFor(100, 300);
    EXPECT_EQ(triple.radius, 2);
    EXPECT_EQ(triple.tableStep, 32.0f);
    const framira::CAxisGeometry same = framira::AxisGeometryFor(50, 50);
    EXPECT_EQ(same.radius, 2);
    EXPECT_EQ(same.tableStep, 32.0f);
}

TEST(SincResamplerTest, CentreTapRoundsTowardsTheMiddle)
{
    // 2 → 4: coordinates -0.25 (raised to 0), 0.25, 0.75 and 1.25.
    const float coordinates[4] = {0.0f, 0.25f, 0.75f, 1.25f};
    const int centres[4] = {0, 1, 0, 1};
    for (int x = 0; x < 4; ++x) {
        const framira::CTapCentre tap = framira::TapCentreFor(x, 2, 4);
        EXPECT_EQ(tap.coordinate, coordinates[x]) << x;
        EXPECT_EQ(tap.centre, centres[x]) << x;
    }
}

template <typename T>
std::vector<T> RandomPlane(size_t count, std::mt19937& random)
{
    std::vector<T> plane(count);
    for (T& sample : plane) {
        if constexpr (std::is_same_v<T, float>) {
            sample = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
        } else {
            sample = static_cast<T>(random() % (std::is_same_v<T, uint8_t> ? 256u : 65536u));
        }
    }
    return plane;
}

template <typename T>
void ExpectIdentity(int width, int height)
{
    std::mt19937 random(7);
    const std::vector<T> source = RandomPlane<T>(static_cast<size_t>(width) * height, random);
    std::vector<T> destination(source.size());
    const T* in[1] = {source.data()};
    T* out[1] = {destination.data()};
    ASSERT_EQ(ResamplePlanes<T>(in, width, height, out, width, height, 1.0f, 0.0f, 1), 0);
    EXPECT_EQ(destination, source);
}

TEST(SincResamplerTest, EqualSizesLeaveEverySampleUnchanged)
{
    ExpectIdentity<uint8_t>(37, 23);
    ExpectIdentity<uint16_t>(37, 23);
    ExpectIdentity<float>(37, 23);
}

TEST(SincResamplerTest, SinglePixelSourceFillsTheDestination)
{
    const uint16_t source = 4321;
    std::vector<uint16_t> destination(15 * 9);
    const uint16_t* in[1] = {&source};
    uint16_t* out[1] = {destination.data()};
    ASSERT_EQ(ResamplePlanes<uint16_t>(in, 1, 1, out, 15, 9, 0.0f, 0.0f, 1), 0);
    for (uint16_t sample : destination) {
        EXPECT_EQ(sample, 4321);
    }
}

TEST(SincResamplerTest, HardEdgesStayWithinTheLimits)
{
    // A checkerboard of extremes makes the negative lobes overshoot.
    const int width = 16;
    const int height = 12;
    std::vector<uint8_t> bytes(width * height);
    std::vector<float> floats(width * height);
    for (int i = 0; i < width * height; ++i) {
        const bool on = ((i % width) / 2 + (i / width) / 2) % 2 == 0;
        bytes[i] = on ? 255 : 0;
        floats[i] = on ? 1.0f : 0.0f;
    }
    std::vector<uint8_t> byteOut(41 * 29);
    std::vector<float> floatOut(41 * 29);
    const uint8_t* byteIn[1] = {bytes.data()};
    uint8_t* byteDst[1] = {byteOut.data()};
    const float* floatIn[1] = {floats.data()};
    float* floatDst[1] = {floatOut.data()};
    ASSERT_EQ(ResamplePlanes<uint8_t>(byteIn, width, height, byteDst, 41, 29, 0.0f, 0.0f, 1), 0);
    ASSERT_EQ(ResamplePlanes<float>(floatIn, width, height, floatDst, 41, 29, 0.9f, 0.1f, 1), 0);
    bool sawLower = false;
    bool sawUpper = false;
    for (float v : floatOut) {
        EXPECT_GE(v, 0.1f);
        EXPECT_LE(v, 0.9f);
        sawLower = sawLower || v == 0.1f;
        sawUpper = sawUpper || v == 0.9f;
    }
    EXPECT_TRUE(sawLower && sawUpper);
    bool sawZero = false;
    bool sawFull = false;
    for (uint8_t v : byteOut) {
        sawZero = sawZero || v == 0;
        sawFull = sawFull || v == 255;
    }
    EXPECT_TRUE(sawZero && sawFull);
}

TEST(SincResamplerTest, RefusesBadArguments)
{
    uint8_t sample = 0;
    const uint8_t* in[5] = {&sample, &sample, &sample, &sample, &sample};
    uint8_t* out[5] = {&sample, &sample, &sample, &sample, &sample};
    EXPECT_EQ(ResamplePlanes<uint8_t>(in, 1, 1, out, 1, 1, 0.0f, 0.0f, 5), 1);
    EXPECT_EQ(ResamplePlanes<uint8_t>(in, 0, 1, out, 1, 1, 0.0f, 0.0f, 1), 1);
    EXPECT_EQ(ResamplePlanes<uint8_t>(in, 1, 1, out, -1, 1, 0.0f, 0.0f, 1), 1);
    const uint8_t* missing[1] = {nullptr};
    EXPECT_EQ(ResamplePlanes<uint8_t>(missing, 1, 1, out, 1, 1, 0.0f, 0.0f, 1), 1);
    // An empty destination is nothing to do.
    EXPECT_EQ(ResamplePlanes<uint8_t>(in, 1, 1, out, 0, 0, 0.0f, 0.0f, 1), 0);
}

// The algorithm as written: one destination sample at a time, every tap's
// weight looked up on the spot, columns of the intermediate plane one by one.
template <typename T>
void ReferenceAxis(const T* source, int S, size_t sourceStride, T* destination, int D, size_t destinationStride,
                   float lower, float upper)
{
    float table[64];
    framira::BuildKernelTable(table);
    const float k = static_cast<float>(D) / static_cast<float>(S);
    int R = 2;
    float t = 32.0f;
    if (k > 0.0f && k < 1.0f) {
        R = static_cast<int>(std::floor(2.0f / k + 0.5f));
        t = 32.0f * k;
    }
    const float cs = (S - 1) * 0.5f;
    const float cd = (D - 1) * 0.5f;
    const float inverse = 1.0f / k;
    const bool integer = !std::is_same_v<T, float>;
    const float lo = integer ? 0.0f : lower;
    const float hi = std::is_same_v<T, uint8_t> ? 255.0f : std::is_same_v<T, uint16_t> ? 65535.0f : upper;
    for (int x = 0; x < D; ++x) {
        const float d = static_cast<float>(x) - cd;
        float m = static_cast<float>(static_cast<double>(d) * inverse + cs);
        if (m >= static_cast<float>(S)) {
            m = static_cast<float>(S - 1);
        }
        if (m < 0.0f) {
            m = 0.0f;
        }
        const int o = static_cast<int>(d < 0.0f ? std::ceil(m) : std::floor(m));
        const float f = m - static_cast<float>(o);
        float W = 0.0f;
        float P = 0.0f;
        for (int j = -R; j <= R; ++j) {
            const float delta = std::fabs(static_cast<float>(j) - f);
            const int i = static_cast<int>(std::floor(delta * t + 0.5f));
            const float w = i <= 63 ? table[i] : 0.0f;
            const int at = o + j >= 0 && o + j < S ? o + j : o;
            W += w;
            P += w * static_cast<float>(source[static_cast<size_t>(at) * sourceStride]);
        }
        float r = W == 0.0f ? static_cast<float>(source[static_cast<size_t>(o) * sourceStride])
                            : P / W + (integer ? 0.5f : 0.0f);
        r = r <= lo ? lo : r >= hi ? hi : r;
        destination[static_cast<size_t>(x) * destinationStride] = static_cast<T>(r);
    }
}

template <typename T>
std::vector<T> Reference(const std::vector<T>& source, int sw, int sh, int dw, int dh, float lower, float upper)
{
    std::vector<T> intermediate(static_cast<size_t>(sh) * dw);
    for (int y = 0; y < sh; ++y) {
        ReferenceAxis(source.data() + static_cast<size_t>(y) * sw, sw, 1, intermediate.data() + static_cast<size_t>(y) * dw,
                      dw, 1, lower, upper);
    }
    std::vector<T> result(static_cast<size_t>(dh) * dw);
    for (int x = 0; x < dw; ++x) {
        ReferenceAxis(intermediate.data() + x, sh, dw, result.data() + x, dh, dw, lower, upper);
    }
    return result;
}

template <typename T>
void ExpectSameAsReference(int sw, int sh, int dw, int dh, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<T> planes[2] = {RandomPlane<T>(static_cast<size_t>(sw) * sh, random),
                                RandomPlane<T>(static_cast<size_t>(sw) * sh, random)};
    std::vector<T> results[2] = {std::vector<T>(static_cast<size_t>(dw) * dh), std::vector<T>(static_cast<size_t>(dw) * dh)};
    const T* in[2] = {planes[0].data(), planes[1].data()};
    T* out[2] = {results[0].data(), results[1].data()};
    ASSERT_EQ(ResamplePlanes<T>(in, sw, sh, out, dw, dh, 1.0f, 0.0f, 2), 0);
    for (int p = 0; p < 2; ++p) {
        EXPECT_EQ(results[p], Reference(planes[p], sw, sh, dw, dh, 0.0f, 1.0f))
            << sw << "x" << sh << " -> " << dw << "x" << dh << " plane " << p;
    }
}

TEST(SincResamplerTest, MatchesTheSampleBySampleAlgorithm)
{
    const int sizes[][4] = {{40, 30, 96, 70}, {96, 70, 40, 30}, {61, 17, 13, 44}, {2, 2, 4, 4},
                            {160, 120, 7, 5}, {33, 33, 100, 9}, {5, 1, 9, 3}};
    unsigned seed = 1;
    for (const auto& s : sizes) {
        ExpectSameAsReference<uint8_t>(s[0], s[1], s[2], s[3], seed++);
        ExpectSameAsReference<uint16_t>(s[0], s[1], s[2], s[3], seed++);
        ExpectSameAsReference<float>(s[0], s[1], s[2], s[3], seed++);
    }
}

TEST(SincResamplerTest, TwoPixelRowEnlargedToFour)
{
    // Sample 1 is 200 and taps outside the source read the centre sample:
    // at x = 1 (centre tap 1, f = -0.75) the tap at -1 reads 200 with weight
    // -0.104282, giving 23; reading the edge sample (0) instead would give 44.
    const uint8_t source[2] = {0, 200};
    uint8_t destination[4] = {};
    const uint8_t* in[1] = {source};
    uint8_t* out[1] = {destination};
    ASSERT_EQ(ResamplePlanes<uint8_t>(in, 2, 1, out, 4, 1, 0.0f, 0.0f, 1), 0);
    EXPECT_EQ(destination[0], 0);
    EXPECT_EQ(destination[1], 23);
    EXPECT_EQ(destination[3], 221);
}

// Integer samples read in place (interleaved bytes, planar 16-bit) must give
// exactly what resampling a float copy of them, sample × scale, gives: on
// heights that leave a partial block of rows, reduced and enlarged.
TEST(SincResamplerTest, ScaledSamplesMatchAFloatCopy)
{
    std::mt19937 random(5);
    const int width = 53, height = 29;
    const std::vector<uint8_t> interleaved = RandomPlane<uint8_t>(static_cast<size_t>(width) * height * 3, random);
    const std::vector<uint16_t> deep = RandomPlane<uint16_t>(static_cast<size_t>(width) * height, random);
    const int sizes[2][2] = {{17, 11}, {70, 45}};
    for (const auto& size : sizes) {
        const size_t count = static_cast<size_t>(size[0]) * size[1];
        for (int channel = 0; channel < 3; ++channel) {
            std::vector<float> copy(static_cast<size_t>(width) * height);
            for (size_t i = 0; i < copy.size(); ++i) {
                copy[i] = static_cast<float>(interleaved[i * 3 + channel]) * (1.0f / 255.0f);
            }
            std::vector<float> expected(count), actual(count);
            const float* in[1] = {copy.data()};
            float* out[1] = {expected.data()};
            ASSERT_EQ(ResamplePlanes<float>(in, width, height, out, size[0], size[1], 1.0f, 0.0f, 1), 0);
            const uint8_t* bytes[1] = {interleaved.data() + channel};
            float* result[1] = {actual.data()};
            ASSERT_EQ(framira::ResampleScaledPlanes<uint8_t>(bytes, 3, 1.0f / 255.0f, width, height, result, size[0],
                                                             size[1], 1.0f, 0.0f, 1),
                      0);
            EXPECT_EQ(std::memcmp(actual.data(), expected.data(), count * sizeof(float)), 0) << channel;
        }
        std::vector<float> copy(deep.size());
        for (size_t i = 0; i < copy.size(); ++i) {
            copy[i] = static_cast<float>(deep[i]) * (1.0f / 65535.0f);
        }
        std::vector<float> expected(count), actual(count);
        const float* in[1] = {copy.data()};
        float* out[1] = {expected.data()};
        ASSERT_EQ(ResamplePlanes<float>(in, width, height, out, size[0], size[1], 1.0f, 0.0f, 1), 0);
        const uint16_t* samples[1] = {deep.data()};
        float* result[1] = {actual.data()};
        ASSERT_EQ(framira::ResampleScaledPlanes<uint16_t>(samples, 1, 1.0f / 65535.0f, width, height, result, size[0],
                                                          size[1], 1.0f, 0.0f, 1),
                  0);
        EXPECT_EQ(std::memcmp(actual.data(), expected.data(), count * sizeof(float)), 0);
    }
}

// Two sizes from one reading of the source must be exactly the two separate
// resamplings, whichever size is the larger; a size of 0 is left alone.
TEST(SincResamplerTest, TwoSizesAtOnceMatchTwoCalls)
{
    std::mt19937 random(9);
    const int width = 45, height = 27;
    const std::vector<uint8_t> interleaved = RandomPlane<uint8_t>(static_cast<size_t>(width) * height * 3, random);
    const std::vector<float> floats = RandomPlane<float>(static_cast<size_t>(width) * height, random);
    const int sizes[3][4] = {{31, 19, 12, 9}, {60, 40, 20, 13}, {16, 10, 0, 0}};
    for (const auto& size : sizes) {
        const size_t firstCount = static_cast<size_t>(size[0]) * size[1];
        const size_t secondCount = static_cast<size_t>(size[2]) * size[3];
        std::vector<float> first[3], second[3], firstAlone[3], secondAlone[3];
        float *a[3], *b[3], *aAlone[3], *bAlone[3];
        for (int c = 0; c < 3; ++c) {
            first[c].assign(firstCount, -1.0f);
            firstAlone[c].assign(firstCount, -1.0f);
            second[c].assign(secondCount + 1, -1.0f);
            secondAlone[c].assign(secondCount + 1, -1.0f);
            a[c] = first[c].data();
            b[c] = second[c].data();
            aAlone[c] = firstAlone[c].data();
            bAlone[c] = secondAlone[c].data();
        }
        const uint8_t* bytes[3] = {interleaved.data(), interleaved.data() + 1, interleaved.data() + 2};
        ASSERT_EQ(framira::ResamplePlanesToTwoSizes<uint8_t>(bytes, 3, 1.0f / 255.0f, width, height, a, size[0],
                                                             size[1], b, size[2], size[3], 1.0f, 0.0f, 3),
                  0);
        ASSERT_EQ(framira::ResampleScaledPlanes<uint8_t>(bytes, 3, 1.0f / 255.0f, width, height, aAlone, size[0],
                                                         size[1], 1.0f, 0.0f, 3),
                  0);
        ASSERT_EQ(framira::ResampleScaledPlanes<uint8_t>(bytes, 3, 1.0f / 255.0f, width, height, bAlone, size[2],
                                                         size[3], 1.0f, 0.0f, 3),
                  0);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(first[c], firstAlone[c]) << size[0] << " " << c;
            EXPECT_EQ(second[c], secondAlone[c]) << size[2] << " " << c;
        }
        const float* plane[1] = {floats.data()};
        ASSERT_EQ(framira::ResamplePlanesToTwoSizes<float>(plane, 1, 1.0f, width, height, a, size[0], size[1], b,
                                                           size[2], size[3], 0.9f, 0.1f, 1),
                  0);
        ASSERT_EQ(ResamplePlanes<float>(plane, width, height, aAlone, size[0], size[1], 0.9f, 0.1f, 1), 0);
        ASSERT_EQ(ResamplePlanes<float>(plane, width, height, bAlone, size[2], size[3], 0.9f, 0.1f, 1), 0);
        EXPECT_EQ(first[0], firstAlone[0]) << size[0];
        EXPECT_EQ(second[0], secondAlone[0]) << size[2];
    }
}

} // namespace
