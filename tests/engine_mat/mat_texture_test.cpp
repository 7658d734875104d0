// The mat texture stages and CreateDitheredMat as a whole.
#include "mat_test_support.h"
#include "mat_texture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <limits>
#include <random>
#include <vector>

namespace framira::testing {
namespace {

TEST(MatStages, MixChannelsBoostsColourAndLimitsAboveOnly)
{
    std::vector<float> r = {0.5f, 1.0f, 0.0f}, g = {0.5f, 0.0f, 0.0f}, b = {0.5f, 0.0f, 1.0f};
    std::vector<float> ro(3), go(3), bo(3);
    const float* in[3] = {r.data(), g.data(), b.data()};
    float* out[3] = {ro.data(), go.data(), bo.data()};
    MixChannels(in, out, 3);
    EXPECT_NEAR(ro[0], 0.5f, 1e-6);
    EXPECT_NEAR(go[0], 0.5f, 1e-6);
    EXPECT_NEAR(bo[0], 0.5f, 1e-6);
    EXPECT_EQ(ro[1], 1.0f); // 1.18 is limited to 1
    EXPECT_NEAR(go[1], -0.05f, 1e-6);
    EXPECT_NEAR(bo[1], -0.04f, 1e-6);
    EXPECT_NEAR(ro[2], -0.04f, 1e-6);
    EXPECT_EQ(bo[2], 1.0f);
}

TEST(MatStages, BlurKeepsConstantsAndSmoothsSteps)
{
    for (auto [W, H] : {std::pair{1, 1}, {1, 7}, {9, 1}, {2, 2}, {37, 23}}) {
        std::vector<float> src(static_cast<size_t>(W) * H, 0.625f), dst(src.size());
        for (float s : {1.5f, 4.0f, 8.0f}) {
            BlurPlane(src.data(), dst.data(), W, H, s);
            for (float v : dst)
                ASSERT_NEAR(v, 0.625f, 1e-6) << W << "x" << H << " s=" << s;
        }
    }
    // A step softens monotonically and keeps its range.
    const int W = 64, H = 3;
    std::vector<float> step(W * H), out(W * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            step[y * W + x] = x < 32 ? 0.0f : 1.0f;
    BlurPlane(step.data(), out.data(), W, H, 5.0f);
    for (int x = 1; x < W; ++x)
        EXPECT_GE(out[W + x], out[W + x - 1]);
    EXPECT_GT(out[W + 31], 0.05f);
    EXPECT_LT(out[W + 32], 0.95f);
}

TEST(MatStages, WarpSamplesWhereTheMapsPoint)
{
    // 6 × 5 source x + 10 y, both maps at 32768: u ≈ 2.5, v ≈ 2, value ≈ 22.5.
    const int W = 6, H = 5;
    std::vector<float> src(W * H), dst(W * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            src[y * W + x] = static_cast<float>(x + 10 * y);
    std::vector<uint16_t> t(W * H, 32768);
    WarpWithWaveImages(src.data(), t.data(), t.data(), dst.data(), W, H);
    for (float v : dst)
        EXPECT_NEAR(v, 22.5f, 0.01f);

    // Identity maps reproduce a 6 × 6 source (grid points need no interpolation).
    const int N = 6;
    std::vector<float> square(N * N), copy(N * N);
    std::vector<uint16_t> tx(N * N), ty(N * N);
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            square[y * N + x] = static_cast<float>(x * x + 3 * y);
            tx[y * N + x] = static_cast<uint16_t>(x * 65535 / (N - 1));
            ty[y * N + x] = static_cast<uint16_t>(65535 - y * 65535 / (N - 1));
        }
    WarpWithWaveImages(square.data(), tx.data(), ty.data(), copy.data(), N, N);
    for (int i = 0; i < N * N; ++i)
        EXPECT_NEAR(copy[i], square[i], 1e-3) << i;

    // Negative overshoot is limited to 0.
    std::vector<float> spike(W * H, 0.0f);
    spike[1 * W + 1] = 1.0f;
    WarpWithWaveImages(spike.data(), t.data(), t.data(), dst.data(), W, H);
    for (float v : dst)
        EXPECT_GE(v, 0.0f);
}

// The warp pixel by pixel, written out plainly: the vectorised warp must give
// the very same floats, at the edges (where the correction or the
// interpolation is left out) and inside, on whole vectors and on a run's tail.
TEST(MatStages, WarpMatchesAPlainPixelByPixelRendering)
{
    const int W = 300, H = 23; // a run of 256 and a tail of 44 that is not a whole vector
    std::mt19937 random(11);
    std::vector<float> src(W * H), dst(W * H);
    std::vector<uint16_t> t0(W * H), t1(W * H);
    for (float& v : src)
        v = static_cast<float>(random() % 60000) + 0.25f;
    for (int i = 0; i < W * H; ++i) {
        // Every tenth pixel lands on the last row or column, some on the first.
        const uint32_t pick = random();
        t0[i] = i % 10 == 3 ? 65535 : i % 10 == 7 ? 0 : static_cast<uint16_t>(pick);
        t1[i] = i % 10 == 5 ? 0 : i % 10 == 9 ? 65535 : static_cast<uint16_t>(pick >> 16);
    }
    WarpWithWaveImages(src.data(), t0.data(), t1.data(), dst.data(), W, H);
    auto at = [&](int x, int y) { return src[y * W + x]; };
    for (int i = 0; i < W * H; ++i) {
        const float u = static_cast<float>(t0[i]) * static_cast<float>(W - 1) / 65535.0f;
        const float v = static_cast<float>(65535 - t1[i]) * static_cast<float>(H - 1) / 65535.0f;
        const int l = static_cast<int>(u), m = static_cast<int>(v);
        const float fx = u - static_cast<float>(l), fy = v - static_cast<float>(m);
        float c = at(l, m);
        if (l + 1 < W && m + 1 < H)
            c = at(l, m) * (1.0f - fx) * (1.0f - fy) + at(l, m + 1) * (1.0f - fx) * fy +
                at(l + 1, m) * fx * (1.0f - fy) + at(l + 1, m + 1) * fx * fy;
        if (l >= 1 && m >= 1 && l + 2 <= W - 1 && m + 2 <= H - 1) {
            const float n[8] = {at(l, m - 1),     at(l + 1, m - 1), at(l - 1, m), at(l + 2, m),
                                at(l - 1, m + 1), at(l + 2, m + 1), at(l, m + 2), at(l + 1, m + 2)};
            c = BicubicBump(c, fx, fy, n, 0.4f);
        }
        c = c <= 0.0f ? 0.0f : c >= 65535.0f ? 65535.0f : c;
        ASSERT_EQ(std::memcmp(&dst[i], &c, sizeof c), 0) << i << ": " << dst[i] << " vs " << c;
    }
}

// The mat works in place where it can: a warp through a ring of held rows, a
// blur over its own source, the brighter blend into either operand. Each
// must give the floats of its out-of-place form. The maps move rows up to
// `reach` rows (the rows near the edges reading the first and last rows,
// some pixels the first and last columns), so the held rows must be fewer than the plane's when the reach is short, and
// rows must not be copied back while a row still to come reads them.
TEST(MatStages, InPlaceStagesGiveTheSameFloats)
{
    struct CCase {
        int W, H, reach;
    };
    for (const CCase c : {CCase{300, 200, 6}, {67, 150, 30}, {40, 90, 89}, {16, 3, 2}, {5, 70, 1}}) {
        const size_t n = static_cast<size_t>(c.W) * c.H;
        std::mt19937 random(static_cast<unsigned>(c.W * 1000 + c.reach));
        std::vector<float> src(n), q(n);
        std::vector<uint16_t> t0(n), t1(n);
        for (size_t i = 0; i < n; ++i) {
            src[i] = static_cast<float>(random() % 60000) / 61000.0f;
            q[i] = static_cast<float>(random() % 60000) / 61000.0f;
            const int y = static_cast<int>(i / c.W);
            const int shift = static_cast<int>(random() % (2 * c.reach + 1)) - c.reach;
            const int target = std::clamp(y + shift, 0, c.H - 1);
            t0[i] = i % 97 == 0 ? 0 : i % 89 == 0 ? 65535 : static_cast<uint16_t>(random());
            t1[i] = static_cast<uint16_t>(65535 - (c.H > 1 ? target * 65535 / (c.H - 1) : 0));
        }
        const std::string name = std::to_string(c.W) + "x" + std::to_string(c.H) + " reach " +
                                 std::to_string(c.reach);
        const auto same = [&](const std::vector<float>& a, const std::vector<float>& b, const char* what) {
            EXPECT_EQ(std::memcmp(a.data(), b.data(), n * sizeof(float)), 0) << what << " " << name;
        };

        std::vector<float> expected(n), plane = src;
        WarpWithWaveImages(src.data(), t0.data(), t1.data(), expected.data(), c.W, c.H);
        CInPlaceWarpPlan plan;
        ASSERT_TRUE(PlanInPlaceWarp(t1.data(), c.W, c.H, plan)) << name;
        ASSERT_GT(plan.heldRows, 0) << name;
        if (c.reach * 4 < c.H) {
            EXPECT_LT(plan.heldRows, c.H / 2) << name;
        }
        std::vector<float> held(static_cast<size_t>(plan.heldRows) * c.W);
        WarpInPlace(plane.data(), t0.data(), t1.data(), c.W, c.H, plan, held.data());
        same(plane, expected, "warp");

        plane = src;
        BlurPlane(src.data(), expected.data(), c.W, c.H, 5.0f);
        BlurPlane(plane.data(), plane.data(), c.W, c.H, 5.0f);
        same(plane, expected, "blur");

        expected = q;
        BlendKeepingBrighter(src.data(), expected.data(), n, 20.0f);
        plane = src;
        BlendKeepingBrighterIntoFirst(plane.data(), q.data(), n, 20.0f);
        same(plane, expected, "brighter blend");
    }
}

TEST(MatStages, BicubicBumpOnlySharpens)
{
    const float flat[8] = {0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f};
    EXPECT_FLOAT_EQ(BicubicBump(0.3f, 0.25f, 0.75f, flat, 0.4f), 0.3f);
    // Brighter neighbours pull a bilinear value down (all weights ≤ 0).
    const float bright[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_LT(BicubicBump(0.3f, 0.5f, 0.5f, bright, 0.4f), 0.3f);
    // At a grid point the correction vanishes.
    EXPECT_FLOAT_EQ(BicubicBump(0.3f, 0.0f, 0.0f, bright, 0.4f), 0.3f);
}

TEST(MatStages, BlendAndMaxAndShades)
{
    std::vector<float> p = {0.2f, 0.8f}, q = {0.6f, 0.4f}, out(2);
    BlendPlanes(p.data(), q.data(), out.data(), 2, 0.0f);
    EXPECT_EQ(out, p);
    BlendPlanes(p.data(), q.data(), out.data(), 2, 100.0f);
    EXPECT_EQ(out, q);
    BlendPlanes(p.data(), q.data(), out.data(), 2, 250.0f);
    EXPECT_EQ(out, q);
    BlendPlanes(p.data(), q.data(), out.data(), 2, 50.0f);
    EXPECT_NEAR(out[0], 0.4f, 1e-6);
    MaxOfPlanes(p.data(), q.data(), out.data(), 2);
    EXPECT_EQ(out, (std::vector<float>{0.6f, 0.8f}));

    const uint8_t shade[2] = {255, 0};
    std::vector<float> c = {0.7f, 0.7f}, a(2), b(2), sum(2);
    SquareImage(c.data(), a.data(), 2);
    ApplyInverseGreenVignetting(a.data(), shade, a.data(), 2);
    ApplyGreenVignetting(c.data(), shade, b.data(), 2);
    AddTheTwoVignetting(a.data(), b.data(), sum.data(), 2);
    EXPECT_EQ(sum[0], 0.7f);                    // fully lit: the colour itself
    EXPECT_FLOAT_EQ(sum[1], 0.7f * 0.7f);       // fully shaded: its square
    ApplyRedVignetting(sum.data(), shade, 2);
    EXPECT_EQ(sum[0], 0.7f);
    EXPECT_EQ(sum[1], 0.0f);

    // The one-pass form gives the stages' floats, with and without the edge
    // shade, over runs longer than its buffers and starting anywhere.
    const size_t n = 1100;
    std::vector<float> planes[3];
    std::vector<uint8_t> s1(n), s0(n);
    for (size_t i = 0; i < n; ++i) {
        for (int k = 0; k < 3; ++k)
            planes[k].push_back(static_cast<float>((i * (7 + 2 * k)) % 131) / 100.0f);
        s1[i] = static_cast<uint8_t>(i * 37);
        s0[i] = static_cast<uint8_t>(i * 11 + 3);
    }
    for (const uint8_t* edge : {static_cast<const uint8_t*>(nullptr), static_cast<const uint8_t*>(s0.data())}) {
        std::vector<float> staged[3] = {planes[0], planes[1], planes[2]};
        std::vector<float> fused[3] = {planes[0], planes[1], planes[2]};
        float* const st[3] = {staged[0].data(), staged[1].data(), staged[2].data()};
        MixChannels(st, st, n);
        for (auto& plane : staged) {
            std::vector<float> inner(n), outer(n);
            SquareImage(plane.data(), inner.data(), n);
            ApplyInverseGreenVignetting(inner.data(), s1.data(), inner.data(), n);
            ApplyGreenVignetting(plane.data(), s1.data(), outer.data(), n);
            AddTheTwoVignetting(inner.data(), outer.data(), plane.data(), n);
            if (edge)
                ApplyRedVignetting(plane.data(), edge, n);
        }
        float* const fu[3] = {fused[0].data(), fused[1].data(), fused[2].data()};
        MixAndShade(fu, s1.data(), edge, 0, 3);
        MixAndShade(fu, s1.data(), edge, 3, n);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(std::memcmp(fused[k].data(), staged[k].data(), n * sizeof(float)), 0)
                << k << (edge ? " edge" : "");
    }
}

struct CMatRun {
    int W, H;
    CPreparedTextures textures;
    CMatRun(int w, int h) : W(w), H(h), textures(w, h) {}
    CPlanes Make(const CPlanes& picture, int pw, int ph, long* result = nullptr)
    {
        CPlanes mat(W, H);
        const long r = CreateDitheredMat(textures.View(), picture.Const(), mat.Mutable(), W, H, pw, ph);
        if (result)
            *result = r;
        else
            EXPECT_EQ(r, 0);
        return mat;
    }
};

TEST(DitheredMat, UniformPictureGivesMixedColourShadedOnlyByTheMasks)
{
    // A uniformly coloured, saturated picture with a landscape print (the whole
    // frame at 1920 × 1080 is checked through the entry point).
    CMatRun run(960, 540);
    const float colour[3] = {0.7f, 0.3f, 0.1f};
    const CPlanes mat = run.Make(CPlanes(960, 540, colour[0], colour[1], colour[2]), 553, 368);
    std::vector<float> mr(1), mg(1), mb(1);
    const float* in[3] = {&colour[0], &colour[1], &colour[2]};
    float* out[3] = {mr.data(), mg.data(), mb.data()};
    MixChannels(in, out, 1);
    const float mixed[3] = {mr[0], mg[0], mb[0]};
    for (int k = 0; k < 3; ++k) {
        // Interior: shade 1 is 255 there, so the mat is exactly the mixed colour.
        EXPECT_NEAR(mat.At(k, 480, 270), mixed[k], 1e-5);
        EXPECT_NEAR(mat.At(k, 250, 270), mixed[k], 1e-5);
        // Edges fall towards the square of the mixed colour, never below it.
        const float edge = mat.At(k, 480, 0);
        EXPECT_LT(edge, mixed[k]);
        EXPECT_GE(edge, mixed[k] * mixed[k] - 1e-5f);
    }
    // The corner is darkest.
    EXPECT_LT(mat.At(0, 0, 0), mat.At(0, 480, 0));
}

TEST(DitheredMat, ShadeZeroOnlyForPortraitOrSquarePrints)
{
    CMatRun run(320, 200);
    const CPlanes picture = MakeLandscape(320, 200);
    const CPlanes landscape = run.Make(picture, 120, 80);
    const CPlanes square = run.Make(picture, 100, 100);
    const CPlanes portrait = run.Make(picture, 80, 120);
    // The middle column is unshaded by shade 0; the edge columns are darkened.
    EXPECT_EQ(landscape.At(1, 160, 100), square.At(1, 160, 100));
    EXPECT_EQ(square.c[1], portrait.c[1]);
    EXPECT_LT(square.At(1, 0, 100), landscape.At(1, 0, 100));
    const float s0 = run.textures.shade0[100 * 320 + 0];
    EXPECT_LT(s0, 180.0f);
    EXPECT_NEAR(square.At(1, 0, 100), landscape.At(1, 0, 100) * s0 / 255.0f, 1e-5);
}

TEST(DitheredMat, SamePictureGivesSameBytesAndHuesComeFromThePicture)
{
    CMatRun run(400, 300);
    const CPlanes picture = MakeLandscape(400, 300);
    const CPlanes first = run.Make(picture, 200, 150);
    const CPlanes second = run.Make(picture, 200, 150);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(std::memcmp(first.c[k].data(), second.c[k].data(), first.c[k].size() * sizeof(float)), 0);
    // Not flat: the picture's colours vary across the mat.
    float lo = 1e9f, hi = -1e9f;
    for (float v : first.c[2]) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_GT(hi - lo, 0.3f);
}

TEST(DitheredMat, MissingMemoryReturnsOneAndLeaksNothing)
{
    CMatRun run(64, 48);
    const CPlanes picture = MakeLandscape(64, 48);
    // Two working planes.
    for (int granted = 0; granted < 2; ++granted) {
        SetMatPlaneAllocationLimitForTesting(granted);
        long result = -1;
        run.Make(picture, 30, 20, &result);
        EXPECT_EQ(result, 1) << granted;
    }
    SetMatPlaneAllocationLimitForTesting(2);
    long result = -1;
    run.Make(picture, 30, 20, &result);
    EXPECT_EQ(result, 0);
    SetMatPlaneAllocationLimitForTesting(-1);

    CMatTextures none{};
    CPlanes mat(64, 48);
    EXPECT_EQ(CreateDitheredMat(none, picture.Const(), mat.Mutable(), 64, 48, 30, 20), 1);
}

// Built over the picture's own planes, the mat must be the same floats as
// with planes of its own (for a portrait print too, which adds a shade): no
// picture plane may be read after the mat has taken it. A refused working
// plane still fails cleanly.
TEST(DitheredMat, OverThePictureGivesTheSameMat)
{
    CMatRun run(67, 45);
    const CPlanes picture = MakeLandscape(67, 45);
    // Working planes laid in spare memory (none, room for one, for both; off
    // a cache line, holding garbage) change nothing either, and a rectangle
    // left unread (none; inside; whole rows; reaching off the mat; all of it)
    // changes nothing around it.
    const size_t n = 67 * 45;
    const CUnreadRect unreads[] = {{}, {10, 5, 50, 40}, {0, 0, 67, 10}, {60, 40, 80, 50}, {0, 0, 67, 45}};
    for (const size_t spareCount : {size_t{0}, n + 16, 2 * n + 32}) {
        for (const int pw : {40, 20}) {
            const CPlanes expected = run.Make(picture, pw, 30);
            for (const CUnreadRect& unread : unreads) {
                CPlanes over = picture;
                std::vector<float> spare(spareCount + 1, std::numeric_limits<float>::quiet_NaN());
                ASSERT_EQ(CreateDitheredMatOverPicture(run.textures.View(), over.Mutable(), 67, 45, pw, 30, {},
                                                       {spare.data() + 1, spareCount}, unread),
                          0);
                size_t differing = 0;
                for (int k = 0; k < 3; ++k)
                    for (int y = 0; y < 45; ++y)
                        for (int x = 0; x < 67; ++x) {
                            const bool read = x < unread.left || x >= unread.right || y < unread.top ||
                                              y >= unread.bottom;
                            const size_t i = static_cast<size_t>(y) * 67 + x;
                            differing += read && std::memcmp(&over.c[k][i], &expected.c[k][i], sizeof(float)) != 0;
                        }
                EXPECT_EQ(differing, 0u) << pw << " " << spareCount << " unread " << unread.left << ","
                                         << unread.top << " " << unread.right << "," << unread.bottom;
            }
        }
    }
    SetMatPlaneAllocationLimitForTesting(1);
    CPlanes over = picture;
    EXPECT_EQ(CreateDitheredMatOverPicture(run.textures.View(), over.Mutable(), 67, 45, 40, 30), 1);
    SetMatPlaneAllocationLimitForTesting(-1);
}

} // namespace
} // namespace framira::testing
