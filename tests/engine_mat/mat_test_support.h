// Helpers shared by the mat tests: texture preparation without the engine's
// resampler (nearest neighbour is enough to drive the stages), generated
// pictures, and a PPM writer for looking at results.
#pragma once

#include "mat.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace framira::testing {

template <typename T>
std::vector<T> ResizeNearest(const T* src, int sw, int sh, int dw, int dh)
{
    std::vector<T> out(static_cast<size_t>(dw) * static_cast<size_t>(dh));
    for (int y = 0; y < dh; ++y) {
        const int sy = static_cast<int>((static_cast<int64_t>(y) * sh + sh / 2) / dh);
        for (int x = 0; x < dw; ++x) {
            const int sx = static_cast<int>((static_cast<int64_t>(x) * sw + sw / 2) / dw);
            out[static_cast<size_t>(y) * dw + x] = src[static_cast<size_t>(sy) * sw + sx];
        }
    }
    return out;
}

// The six texture sources brought to W × H.
struct CPreparedTextures {
    std::vector<uint16_t> firstWave0, firstWave1, secondWave0, secondWave1;
    std::vector<uint8_t> shade0, shade1;

    CPreparedTextures(int W, int H)
    {
        const int sw = kTextureSourceWidth, sh = kTextureSourceHeight;
        const std::shared_ptr<const CTextureSources> sources = AcquireTextureSources();
        firstWave0 = ResizeNearest(sources->firstWave[0].data(), sw, sh, W, H);
        firstWave1 = ResizeNearest(sources->firstWave[1].data(), sw, sh, W, H);
        secondWave0 = ResizeNearest(sources->secondWave[0].data(), sw, sh, W, H);
        secondWave1 = ResizeNearest(sources->secondWave[1].data(), sw, sh, W, H);
        shade0 = ResizeNearest(sources->vignetting[0].data(), sw, sh, W, H);
        shade1 = ResizeNearest(sources->vignetting[1].data(), sw, sh, W, H);
    }
    CMatTextures View() const
    {
        return {firstWave0.data(), firstWave1.data(), secondWave0.data(), secondWave1.data(), shade0.data(),
                shade1.data()};
    }
};

// Three planes of W × H floats.
struct CPlanes {
    int W = 0, H = 0;
    std::vector<float> c[3];

    CPlanes(int w, int h, float r = 0.0f, float g = 0.0f, float b = 0.0f) : W(w), H(h)
    {
        const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
        c[0].assign(n, r);
        c[1].assign(n, g);
        c[2].assign(n, b);
    }
    float* const* Mutable()
    {
        ptrs[0] = c[0].data();
        ptrs[1] = c[1].data();
        ptrs[2] = c[2].data();
        return ptrs;
    }
    const float* const* Const() const
    {
        cptrs[0] = c[0].data();
        cptrs[1] = c[1].data();
        cptrs[2] = c[2].data();
        return cptrs;
    }
    float At(int k, int x, int y) const { return c[k][static_cast<size_t>(y) * W + x]; }

private:
    float* ptrs[3] = {};
    mutable const float* cptrs[3] = {};
};

// A colourful landscape made of gradients and shapes: sky, sun, hills, a lake,
// fields and a red house. u, v run 0 … 1 across the picture.
inline void LandscapeColour(float u, float v, float rgb[3])
{
    auto mix = [](float a, float b, float t) { return a + (b - a) * t; };
    const float horizon = 0.55f + 0.05f * std::sin(u * 7.0f);
    float r, g, b;
    if (v < horizon) {
        const float t = v / horizon;
        r = mix(0.15f, 0.98f, t * t);
        g = mix(0.35f, 0.70f, t);
        b = mix(0.85f, 0.45f, t);
        const float du = u - 0.72f, dv = v - 0.30f;
        const float sun = du * du * 1.8f + dv * dv;
        if (sun < 0.006f) {
            r = 1.0f;
            g = 0.92f;
            b = 0.35f;
        }
        const float ridge = 0.42f + 0.08f * std::sin(u * 11.0f + 1.0f) + 0.04f * std::sin(u * 29.0f);
        if (v > ridge) {
            r = 0.35f;
            g = 0.30f;
            b = 0.55f;
        }
    } else if (v < horizon + 0.12f && u > 0.1f && u < 0.6f) {
        const float t = (v - horizon) / 0.12f;
        r = mix(0.10f, 0.05f, t);
        g = mix(0.45f, 0.30f, t);
        b = mix(0.75f, 0.55f, t);
    } else {
        const float stripe = std::fmod(u * 6.0f + v * 2.0f, 1.0f);
        r = stripe < 0.5f ? 0.30f : 0.85f;
        g = stripe < 0.5f ? 0.65f : 0.75f;
        b = stripe < 0.5f ? 0.15f : 0.20f;
        r = mix(r, 0.2f, v - horizon);
        if (u > 0.62f && u < 0.78f && v > horizon + 0.08f && v < horizon + 0.25f) {
            r = 0.85f;
            g = 0.12f;
            b = 0.10f;
        }
    }
    rgb[0] = r;
    rgb[1] = g;
    rgb[2] = b;
}

inline CPlanes MakeLandscape(int W, int H)
{
    CPlanes p(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float rgb[3];
            LandscapeColour((x + 0.5f) / W, (y + 0.5f) / H, rgb);
            for (int k = 0; k < 3; ++k)
                p.c[k][static_cast<size_t>(y) * W + x] = rgb[k];
        }
    return p;
}

inline bool WritePpm(const std::string& path, const CPlanes& p)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fprintf(f, "P6\n%d %d\n255\n", p.W, p.H);
    std::vector<unsigned char> row(static_cast<size_t>(p.W) * 3);
    for (int y = 0; y < p.H; ++y) {
        for (int x = 0; x < p.W; ++x)
            for (int k = 0; k < 3; ++k) {
                float v = p.At(k, x, y) * 255.0f + 0.5f;
                v = v < 0.0f ? 0.0f : (v > 255.0f ? 255.0f : v);
                row[static_cast<size_t>(x) * 3 + k] = static_cast<unsigned char>(v);
            }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

} // namespace framira::testing
