// The per-sample stages of the mat texture: blends, maxima, the colour mix,
// squaring and the two shading textures. Plain loops over whole planes,
// shared out across the pool in contiguous runs of samples.
#include "mat_texture.h"

#include "work_pool.h"

#include <algorithm>
#include <cstring>

namespace framira {
namespace {

constexpr float kByteToUnit = 1.0f / 255.0f;
// Samples per piece of work: large enough to dwarf the hand-over.
constexpr size_t kGrain = 1 << 15;

// The colour boost of one pixel, each result limited above by 1.
inline void MixPixel(float R, float G, float B, float& r2, float& g2, float& b2)
{
    const float r = 1.18f * R - 0.14f * G - 0.04f * B;
    const float g = 1.1f * G - 0.05f * R - 0.05f * B;
    const float b = 1.1f * B - 0.04f * R - 0.06f * G;
    r2 = r > 1.0f ? 1.0f : r;
    g2 = g > 1.0f ? 1.0f : g;
    b2 = b > 1.0f ? 1.0f : b;
}

// c in the lit interior (s1 = 255), falling towards c² where s1 falls to 0.
inline float ShadeSample(float c, uint8_t s1)
{
    const float squared = c * c;
    const float inner = static_cast<float>(255 - s1) * kByteToUnit * squared;
    const float outer = static_cast<float>(s1) * kByteToUnit * c;
    return inner + outer;
}

} // namespace

float BlendFraction(float percent)
{
    if (!(percent > 0.0f))
        percent = 0.0f;
    if (percent > 100.0f)
        percent = 100.0f;
    return percent * 0.01f;
}

void BlendPlanes(const float* p, const float* q, float* out, size_t n, float percent)
{
    const float e = BlendFraction(percent);
    const float keep = 1.0f - e;
    ParallelFor(n, kGrain, [=](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i)
            out[i] = keep * p[i] + e * q[i];
    });
}

void MaxOfPlanes(const float* p, const float* q, float* out, size_t n)
{
    ParallelFor(n, kGrain, [=](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i)
            out[i] = p[i] > q[i] ? p[i] : q[i];
    });
}

namespace {

// The result goes to p or q, whichever the mat no longer needs; the other
// is only read, so the loop still vectorises.
template <bool IntoP>
void KeepBrighter(float* p, float* q, size_t n, float percent)
{
    const float e = BlendFraction(percent);
    const float keep = 1.0f - e;
    ParallelFor(n, kGrain, [=](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const float kept = p[i];
            const float blended = keep * kept + e * q[i];
            (IntoP ? p : q)[i] = blended > kept ? blended : kept;
        }
    });
}

} // namespace

void BlendKeepingBrighter(const float* p, float* q, size_t n, float percent)
{
    KeepBrighter<false>(const_cast<float*>(p), q, n, percent);
}

void BlendKeepingBrighterIntoFirst(float* p, const float* q, size_t n, float percent)
{
    KeepBrighter<true>(p, const_cast<float*>(q), n, percent);
}

void MixChannels(const float* const in[3], float* const out[3], size_t n)
{
    const float* r = in[0];
    const float* g = in[1];
    const float* b = in[2];
    float* ro = out[0];
    float* go = out[1];
    float* bo = out[2];
    ParallelFor(n, kGrain, [=](size_t begin, size_t end) {
        // A run of samples is mixed into buffers of its own and then copied
        // out: out may be in, and the loop still vectorises.
        constexpr size_t kRun = 512;
        float rb[kRun], gb[kRun], bb[kRun];
        for (size_t start = begin; start < end; start += kRun) {
            const size_t count = std::min(kRun, end - start);
            for (size_t j = 0; j < count; ++j) {
                const size_t i = start + j;
                MixPixel(r[i], g[i], b[i], rb[j], gb[j], bb[j]);
            }
            std::memcpy(ro + start, rb, count * sizeof(float));
            std::memcpy(go + start, gb, count * sizeof(float));
            std::memcpy(bo + start, bb, count * sizeof(float));
        }
    });
}

void MixAndShade(float* const mat[3], const uint8_t* shade1, const uint8_t* shade0, size_t begin, size_t end)
{
    // As in MixChannels, a run is mixed into buffers of its own; each mixed
    // sample is then shaded on its way back.
    constexpr size_t kRun = 512;
    float mixed[3][kRun];
    for (size_t start = begin; start < end; start += kRun) {
        const size_t count = std::min(kRun, end - start);
        const float* r = mat[0] + start;
        const float* g = mat[1] + start;
        const float* b = mat[2] + start;
        for (size_t j = 0; j < count; ++j)
            MixPixel(r[j], g[j], b[j], mixed[0][j], mixed[1][j], mixed[2][j]);
        const uint8_t* s1 = shade1 + start;
        for (int k = 0; k < 3; ++k) {
            float* out = mat[k] + start;
            for (size_t j = 0; j < count; ++j)
                out[j] = ShadeSample(mixed[k][j], s1[j]);
            if (shade0 != nullptr) {
                const uint8_t* s0 = shade0 + start;
                for (size_t j = 0; j < count; ++j)
                    out[j] = static_cast<float>(s0[j]) * kByteToUnit * out[j];
            }
        }
    }
}

void SquareImage(const float* in, float* out, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        out[i] = in[i] * in[i];
}

// The shade factor is formed first, so a fully lit sample (255) multiplies by
// exactly 1 and the mat's interior keeps the mixed colour unchanged.
void ApplyInverseGreenVignetting(const float* in, const uint8_t* shade1, float* out, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<float>(255 - shade1[i]) * kByteToUnit * in[i];
}

void ApplyGreenVignetting(const float* in, const uint8_t* shade1, float* out, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<float>(shade1[i]) * kByteToUnit * in[i];
}

void AddTheTwoVignetting(const float* a, const float* b, float* out, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        out[i] = a[i] + b[i];
}

void ApplyRedVignetting(float* plane, const uint8_t* shade0, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        plane[i] = static_cast<float>(shade0[i]) * kByteToUnit * plane[i];
}

} // namespace framira
