// WarpWithWaveImages: every mat pixel fetches the picture at the place the two
// coordinate maps name, so the maps' displacements move the picture's colours
// across the mat. Sampling is bilinear, nudged towards a bicubic value.
#include "mat_texture.h"

#include "processor_features.h"
#include "work_pool.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace framira {
namespace {

// φ(t) = t (t² − 1): the cubic's correction shape, never positive on 0 … 1.
inline float Phi(float t)
{
    return t * (t * t - 1.0f);
}

// The correction itself, kept in this file so the warp's loop inlines it.
inline float Bump(float c, float fx, float fy, const float n[8], float k)
{
    const float gx = 1.0f - fx, gy = 1.0f - fy;
    const float w[8] = {
        gx * Phi(gy), fx * Phi(gy), gy * Phi(gx), gy * Phi(fx),
        fy * Phi(gx), fy * Phi(fx), gx * Phi(fy), fx * Phi(fy),
    };
    float sum = 0.0f;
    for (int i = 0; i < 8; ++i)
        sum += w[i] * (n[i] - c);
    return c + k * sum;
}

} // namespace

// Neighbours, relative to the cell's top-left sample (l, m):
//   n[0] (l, m − 1)   n[1] (l + 1, m − 1)
//   n[2] (l − 1, m)   n[3] (l + 2, m)
//   n[4] (l − 1, m + 1) n[5] (l + 2, m + 1)
//   n[6] (l, m + 2)   n[7] (l + 1, m + 2)
float BicubicBump(float c, float fx, float fy, const float n[8], float k)
{
    return Bump(c, fx, fy, n, k);
}

namespace {

// Runs of kRun pixels: first their source positions (a plain loop that
// vectorises), then the gathering of the samples each one reads, which
// fetches from all over the source, and last the arithmetic, a branch-free
// loop over the run that vectorises. A pixel near an edge computes the
// bilinear value and the correction from stand-in samples too, and the
// selects keep what the edge rules ask for: every kept value comes from the
// same operations in the same order as one pixel computed alone.
constexpr size_t kRun = 256;

struct CWarpRun {
    float fracX[kRun], fracY[kRun];
    float corner[4][kRun];   // (l, m), (l, m + 1), (l + 1, m), (l + 1, m + 1)
    float near[8][kRun];     // the correction's neighbours, as in BicubicBump
    int32_t bilinear[kRun];  // the cell's far corners lie inside the plane
    int32_t bumped[kRun];    // all eight neighbours lie inside the plane
};

// One pixel alone, as every pixel was once computed.
inline float WarpPixel(const CWarpRun& run, size_t i)
{
    const float fx = run.fracX[i], fy = run.fracY[i];
    float c = run.corner[0][i];
    if (run.bilinear[i] != 0) {
        c = run.corner[0][i] * (1.0f - fx) * (1.0f - fy) + run.corner[1][i] * (1.0f - fx) * fy +
            run.corner[2][i] * fx * (1.0f - fy) + run.corner[3][i] * fx * fy;
    }
    if (run.bumped[i] != 0) {
        const float n[8] = {run.near[0][i], run.near[1][i], run.near[2][i], run.near[3][i],
                            run.near[4][i], run.near[5][i], run.near[6][i], run.near[7][i]};
        c = Bump(c, fx, fy, n, 0.4f);
    }
    if (c <= 0.0f)
        c = 0.0f;
    else if (c >= 65535.0f)
        c = 65535.0f;
    return c;
}

// Vectors of four and of eight floats (and their lane masks); where the
// processor has no such registers the compiler splits them, with the same
// results.
typedef float CFloat4 __attribute__((vector_size(16)));
typedef int32_t CMask4 __attribute__((vector_size(16)));
typedef float CFloat8 __attribute__((vector_size(32)));
typedef int32_t CMask8 __attribute__((vector_size(32)));

// The pixels of a run side by side in vector lanes, each lane the same
// operations as WarpPixel; the pixels past the last whole vector go alone.
template <typename V, typename M>
__attribute__((always_inline)) inline void WarpArithmetic(const CWarpRun& run, size_t count, float* out)
{
    constexpr size_t kLanes = sizeof(V) / sizeof(float);
    const V zero = {};
    const V top = zero + 65535.0f;
    size_t i = 0;
    V fx, fy, p00, p01, p10, p11, n, c;
    M inside, interior;
    for (; i + kLanes <= count; i += kLanes) {
        std::memcpy(&fx, run.fracX + i, sizeof(V));
        std::memcpy(&fy, run.fracY + i, sizeof(V));
        std::memcpy(&p00, run.corner[0] + i, sizeof(V));
        std::memcpy(&p01, run.corner[1] + i, sizeof(V));
        std::memcpy(&p10, run.corner[2] + i, sizeof(V));
        std::memcpy(&p11, run.corner[3] + i, sizeof(V));
        std::memcpy(&inside, run.bilinear + i, sizeof(M));
        std::memcpy(&interior, run.bumped + i, sizeof(M));
        const V bilinear =
            p00 * (1.0f - fx) * (1.0f - fy) + p01 * (1.0f - fx) * fy + p10 * fx * (1.0f - fy) + p11 * fx * fy;
        c = inside != 0 ? bilinear : p00;
        // Bump's weights and sum, lane by lane; φ(t) = t (t² − 1).
        const V gx = 1.0f - fx, gy = 1.0f - fy;
        const V phiGx = gx * (gx * gx - 1.0f), phiGy = gy * (gy * gy - 1.0f);
        const V phiFx = fx * (fx * fx - 1.0f), phiFy = fy * (fy * fy - 1.0f);
        const V w[8] = {gx * phiGy, fx * phiGy, gy * phiGx, gy * phiFx, fy * phiGx, fy * phiFx, gx * phiFy, fx * phiFy};
        V sum = zero;
        for (int k = 0; k < 8; ++k) {
            std::memcpy(&n, run.near[k] + i, sizeof(V));
            sum += w[k] * (n - c);
        }
        const V bump = c + 0.4f * sum;
        c = interior != 0 ? bump : c;
        c = c <= zero ? zero : c >= top ? top : c;
        std::memcpy(out + i, &c, sizeof(V));
    }
    for (; i < count; ++i)
        out[i] = WarpPixel(run, i);
}

void WarpArithmeticBase(const CWarpRun& run, size_t count, float* out)
{
    WarpArithmetic<CFloat4, CMask4>(run, count, out);
}

#if defined(__x86_64__)
__attribute__((target("avx"))) void WarpArithmeticAvx(const CWarpRun& run, size_t count, float* out)
{
    WarpArithmetic<CFloat8, CMask8>(run, count, out);
}
#endif

void WarpArithmeticHere(const CWarpRun& run, size_t count, float* out)
{
#if defined(__x86_64__)
    if (ProcessorHasAvx()) {
        WarpArithmeticAvx(run, count, out);
        return;
    }
#endif
    WarpArithmeticBase(run, count, out);
}

// Rows first .. last - 1 of the warp.
void WarpRows(const float* src, const uint16_t* t0, const uint16_t* t1, float* dst, int W, int H, int first,
              int last, CWarpRun& run)
{
    const size_t w = static_cast<size_t>(W);
    const float spanX = static_cast<float>(W - 1);
    const float spanY = static_cast<float>(H - 1);

    int cellX[kRun], cellY[kRun];
    for (int y = first; y < last; ++y) {
        const size_t rowStart = static_cast<size_t>(y) * w;
        for (size_t x0 = 0; x0 < w; x0 += kRun) {
            const size_t count = w - x0 < kRun ? w - x0 : kRun;
            const uint16_t* mapX = t0 + rowStart + x0;
            const uint16_t* mapY = t1 + rowStart + x0;
            for (size_t i = 0; i < count; ++i) {
                // Both maps are 16-bit, so u and v always lie inside the plane.
                const float u = static_cast<float>(mapX[i]) * spanX / 65535.0f;
                const float v = static_cast<float>(65535 - mapY[i]) * spanY / 65535.0f;
                const int l = static_cast<int>(u);
                const int m = static_cast<int>(v);
                cellX[i] = l;
                cellY[i] = m;
                run.fracX[i] = u - static_cast<float>(l);
                run.fracY[i] = v - static_cast<float>(m);
            }
            for (size_t i = 0; i < count; ++i) {
                const int l = cellX[i], m = cellY[i];
                const float* p = src + static_cast<size_t>(m) * w + static_cast<size_t>(l);
                // Without both far corners the cell reads (l, m) four times.
                const bool bilinear = l + 1 < W && m + 1 < H;
                const size_t right = bilinear ? 1 : 0;
                const size_t down = bilinear ? w : 0;
                run.corner[0][i] = p[0];
                run.corner[1][i] = p[down];
                run.corner[2][i] = p[right];
                run.corner[3][i] = p[down + right];
                run.bilinear[i] = bilinear;
                const bool bumped = l >= 1 && m >= 1 && l + 2 <= W - 1 && m + 2 <= H - 1;
                run.bumped[i] = bumped;
                if (bumped) {
                    const float* above = p - w;
                    const float* below = p + w;
                    const float* twoBelow = below + w;
                    run.near[0][i] = above[0];
                    run.near[1][i] = above[1];
                    run.near[2][i] = p[-1];
                    run.near[3][i] = p[2];
                    run.near[4][i] = below[-1];
                    run.near[5][i] = below[2];
                    run.near[6][i] = twoBelow[0];
                    run.near[7][i] = twoBelow[1];
                } else {
                    for (int k = 0; k < 8; ++k)
                        run.near[k][i] = 0.0f;
                }
            }
            WarpArithmeticHere(run, count, dst + rowStart + x0);
        }
    }
}

} // namespace

void WarpWithWaveImages(const float* src, const uint16_t* t0, const uint16_t* t1, float* dst, int W, int H)
{
    if (!src || !t0 || !t1 || !dst || W <= 0 || H <= 0)
        return;
    // Every row reads the whole source and writes only itself, so rows go to
    // the pool.
    ParallelFor(static_cast<size_t>(H), 1 + (1 << 14) / static_cast<size_t>(W), [=](size_t first, size_t last) {
        CWarpRun run;
        WarpRows(src, t0, t1, dst, W, H, static_cast<int>(first), static_cast<int>(last), run);
    });
}

} // namespace framira
