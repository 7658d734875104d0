// WarpWithWaveImages: every mat pixel fetches the picture at the place the two
// coordinate maps name, so the maps' displacements move the picture's colours
// across the mat. Sampling is bilinear, nudged towards a bicubic value.
#include "mat_texture.h"

#include "work_pool.h"

#include <cmath>

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

// Rows first .. last - 1 of the warp.
void WarpRows(const float* src, const uint16_t* t0, const uint16_t* t1, float* dst, int W, int H, int first,
              int last)
{
    const size_t w = static_cast<size_t>(W);
    const float spanX = static_cast<float>(W - 1);
    const float spanY = static_cast<float>(H - 1);
    auto at = [&](int x, int y) { return src[static_cast<size_t>(y) * w + static_cast<size_t>(x)]; };

    // Runs of kRun pixels: first their source positions (a plain loop that
    // vectorises), then the sampling, which gathers from all over the source.
    constexpr size_t kRun = 256;
    int cellX[kRun], cellY[kRun];
    float fracX[kRun], fracY[kRun];
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
                fracX[i] = u - static_cast<float>(l);
                fracY[i] = v - static_cast<float>(m);
            }
            float* out = dst + rowStart + x0;
            for (size_t i = 0; i < count; ++i) {
                const int l = cellX[i], m = cellY[i];
                const float fx = fracX[i], fy = fracY[i];
                float c;
                if (l + 1 < W && m + 1 < H) {
                    c = at(l, m) * (1.0f - fx) * (1.0f - fy) + at(l, m + 1) * (1.0f - fx) * fy +
                        at(l + 1, m) * fx * (1.0f - fy) + at(l + 1, m + 1) * fx * fy;
                } else {
                    c = at(l, m);
                }
                if (l >= 1 && m >= 1 && l + 2 <= W - 1 && m + 2 <= H - 1) {
                    const float n[8] = {at(l, m - 1),     at(l + 1, m - 1), at(l - 1, m),     at(l + 2, m),
                                        at(l - 1, m + 1), at(l + 2, m + 1), at(l, m + 2),     at(l + 1, m + 2)};
                    c = Bump(c, fx, fy, n, 0.4f);
                }
                if (c <= 0.0f)
                    c = 0.0f;
                else if (c >= 65535.0f)
                    c = 65535.0f;
                out[i] = c;
            }
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
        WarpRows(src, t0, t1, dst, W, H, static_cast<int>(first), static_cast<int>(last));
    });
}

} // namespace framira
