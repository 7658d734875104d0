// The kernel levels: what FRAMIRA_SIMD may ask for, and the same bytes from
// every level this processor runs, on sizes that leave partial row blocks,
// partial column groups, vector tails and pixels whose neighbourhoods cross
// the edges.
#include "kernel_level.h"
#include "mat.h"
#include "mat_texture.h"
#include "sinc_resampler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

using namespace framira;

TEST(KernelLevel, RequestsAreLoweredToWhatTheProcessorHas)
{
    using L = CKernelLevel;
    const struct {
        const char* request;
        L supported;
        L expected;
    } cases[] = {
        {nullptr, L::Avx512, L::Avx512}, {"", L::Avx2, L::Avx2},           {"baseline", L::Avx512, L::Baseline},
        {"AVX2", L::Avx512, L::Avx2},    {"avx512", L::Avx2, L::Avx2},     {"avx512", L::Baseline, L::Baseline},
        {"avx2", L::Avx2, L::Avx2},      {"sse4", L::Avx512, L::Avx512},   {"avx2 ", L::Avx2, L::Avx2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KernelLevelFor(c.request, c.supported), c.expected)
            << (c.request ? c.request : "(unset)") << " on " << KernelLevelName(c.supported);
    }
    for (const L level : {L::Baseline, L::Avx2, L::Avx512}) {
        EXPECT_EQ(KernelLevelFor(KernelLevelName(level), L::Avx512), level);
    }
}

template <typename T>
std::vector<uint8_t> Bytes(const std::vector<T>& values)
{
    std::vector<uint8_t> bytes(values.size() * sizeof(T));
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

template <typename T>
std::vector<T> Noise(size_t count, uint32_t seed, float scale)
{
    std::mt19937 random(seed);
    std::vector<T> values(count);
    for (T& v : values) {
        v = static_cast<T>(static_cast<float>(random() % 65536) / 65535.0f * scale);
    }
    return values;
}

// Each kernel at every level the processor runs, against its baseline bytes.
TEST(KernelLevel, EveryLevelGivesTheBaselineBytes)
{
    std::vector<std::pair<std::string, std::function<std::vector<uint8_t>()>>> kernels;
    // Source and destination sizes: reductions and enlargements, heights that
    // are not whole blocks of 8 or 16 rows, widths that are not whole groups
    // of 4, 8 or 16 columns, and one-row and one-column pictures.
    const int sizes[][4] = {{61, 37, 29, 19}, {23, 5, 70, 41}, {300, 45, 97, 33}, {16, 16, 16, 16}, {1, 9, 17, 1}};
    uint32_t seed = 1;
    for (const auto& s : sizes) {
        const std::string name = std::to_string(s[0]) + "x" + std::to_string(s[1]) + " to " + std::to_string(s[2]) +
                                 "x" + std::to_string(s[3]);
        const size_t in = static_cast<size_t>(s[0]) * s[1], out = static_cast<size_t>(s[2]) * s[3];
        const auto bytes = Noise<uint8_t>(in * 3, seed++, 255.0f);
        const auto words = Noise<uint16_t>(in, seed++, 65535.0f);
        const auto floats = Noise<float>(in, seed++, 1.3f);
        kernels.emplace_back("resample bytes " + name, [=] {
            std::vector<uint8_t> result(out);
            const uint8_t* source = bytes.data();
            uint8_t* destination = result.data();
            EXPECT_EQ(ResamplePlanes<uint8_t>(&source, s[0], s[1], &destination, s[2], s[3], 0, 0, 1), 0);
            return result;
        });
        kernels.emplace_back("resample words " + name, [=] {
            std::vector<uint16_t> result(out);
            const uint16_t* source = words.data();
            uint16_t* destination = result.data();
            EXPECT_EQ(ResamplePlanes<uint16_t>(&source, s[0], s[1], &destination, s[2], s[3], 0, 0, 1), 0);
            return Bytes(result);
        });
        kernels.emplace_back("resample floats " + name, [=] {
            std::vector<float> result(out);
            const float* source = floats.data();
            float* destination = result.data();
            EXPECT_EQ(ResamplePlanes<float>(&source, s[0], s[1], &destination, s[2], s[3], 1.0f, 0.1f, 1), 0);
            return Bytes(result);
        });
        kernels.emplace_back("resample interleaved to two sizes " + name, [=] {
            std::vector<float> first(out * 3), second(in * 3);
            const uint8_t* source[3] = {bytes.data(), bytes.data() + 1, bytes.data() + 2};
            float* a[3] = {first.data(), first.data() + out, first.data() + 2 * out};
            float* b[3] = {second.data(), second.data() + in, second.data() + 2 * in};
            EXPECT_EQ(ResamplePlanesToTwoSizes<uint8_t>(source, 3, 1.0f / 255.0f, s[0], s[1], a, s[2], s[3], b,
                                                        s[1], s[0], 1.0f, 0.0f, 3),
                      0);
            first.insert(first.end(), second.begin(), second.end());
            return Bytes(first);
        });
    }
    // Warps and blurs: maps that reach the first and last rows and columns
    // now and then, planes narrower than a vector, widths with vector tails.
    for (const auto& size : {std::pair{67, 45}, {16, 3}, {5, 40}, {33, 70}}) {
        const int W = size.first, H = size.second;
        const std::string name = std::to_string(W) + "x" + std::to_string(H);
        const size_t n = static_cast<size_t>(W) * H;
        auto t0 = Noise<uint16_t>(n, seed++, 65535.0f);
        auto t1 = Noise<uint16_t>(n, seed++, 65535.0f);
        for (size_t i = 0; i < n; i += 7) {
            t0[i] = i % 2 ? 65535 : 0;
            t1[(i * 3) % n] = i % 3 ? 0 : 65535;
        }
        const auto planes = Noise<float>(n * 6, seed++, 1.0f);
        kernels.emplace_back("warps " + name, [=] {
            std::vector<float> result(planes);
            const float* src[3] = {planes.data(), planes.data() + n, planes.data() + 2 * n};
            float* dst[3] = {result.data() + 3 * n, result.data() + 4 * n, result.data() + 5 * n};
            for (int k = 0; k < 3; ++k) {
                WarpWithWaveImages(src[k], t0.data(), t1.data(), dst[k], W, H);
                WarpBlendingInto(src[k], t1.data(), t0.data(), dst[k], W, H, 37.0f);
            }
            WarpWithWaveImages(src[0], t1.data(), t1.data(), result.data(), W, H);
            return Bytes(result);
        });
        kernels.emplace_back("core colour " + name, [=] {
            float colour[3];
            CreateCoreColors(planes.data(), planes.data() + n, planes.data() + 2 * n, W, H, colour[0], colour[1],
                             colour[2]);
            return Bytes(std::vector<float>(colour, colour + 3));
        });
        kernels.emplace_back("blurs " + name, [=] {
            std::vector<float> result(n * 2);
            BlurPlane(planes.data(), result.data(), W, H, 1.5f);
            BlurPlane(planes.data() + n, result.data() + n, W, H, 8.0f);
            return Bytes(result);
        });
    }
    for (const auto& [name, run] : kernels) {
        SetKernelLevelForTesting(CKernelLevel::Baseline);
        const std::vector<uint8_t> expected = run();
        for (const CKernelLevel level : {CKernelLevel::Avx2, CKernelLevel::Avx512}) {
            if (static_cast<int>(level) > static_cast<int>(SupportedKernelLevel()))
                continue;
            SetKernelLevelForTesting(level);
            EXPECT_TRUE(run() == expected) << name << " at " << KernelLevelName(level);
        }
    }
    ResetKernelLevelForTesting();
}

} // namespace
