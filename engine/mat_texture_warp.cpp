// WarpWithWaveImages: every mat pixel fetches the picture at the place the two
// coordinate maps name, so the maps' displacements move the picture's colours
// across the mat. Sampling is bilinear, nudged towards a bicubic value.
#include "mat_texture.h"

#include "kernel_level.h"
#include "vector_kernels.h"
#include "work_pool.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>

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

// One warp: a plane read through one pair of maps, the result stored, or
// with Blend mixed into what the destination holds as BlendPlanes(result,
// destination) would. Row y of the result lies at row y % dstRows of dst:
// a whole plane, or a ring of held rows for a warp in place.
struct CWarpJob {
    const float* src;
    float* dst;
    const uint16_t* t0;
    const uint16_t* t1;
    int W, H;
    float keep, e; // the blend's fractions
    int dstRows;

    float* Row(int y) const { return dst + static_cast<size_t>(y % dstRows) * static_cast<size_t>(W); }
};

// One sample, as every sample was once computed.
inline float WarpSample(const float* src, size_t w, int W, int H, int l, int m, float fx, float fy)
{
    const float* p = src + static_cast<size_t>(m) * w + static_cast<size_t>(l);
    float c = p[0];
    // Without both far corners the cell is the sample (l, m) alone.
    if (l + 1 < W && m + 1 < H)
        c = p[0] * (1.0f - fx) * (1.0f - fy) + p[w] * (1.0f - fx) * fy + p[1] * fx * (1.0f - fy) +
            p[w + 1] * fx * fy;
    if (l >= 1 && m >= 1 && l + 2 <= W - 1 && m + 2 <= H - 1) {
        const float* above = p - w;
        const float* below = p + w;
        const float* twoBelow = below + w;
        const float n[8] = {above[0], above[1], p[-1], p[2], below[-1], below[2], twoBelow[0], twoBelow[1]};
        c = Bump(c, fx, fy, n, 0.4f);
    }
    if (c <= 0.0f)
        c = 0.0f;
    else if (c >= 65535.0f)
        c = 65535.0f;
    return c;
}

// Pixel x of row y alone: the pixels whose neighbourhood crosses an edge,
// and the last few of a row.
template <bool Blend>
inline void WarpPixel(const CWarpJob& job, int y, size_t x)
{
    const size_t w = static_cast<size_t>(job.W);
    const size_t i = static_cast<size_t>(y) * w + x;
    // Both maps are 16-bit, so u and v always lie inside the plane.
    const float u = static_cast<float>(job.t0[i]) * static_cast<float>(job.W - 1) / 65535.0f;
    const float v = static_cast<float>(65535 - job.t1[i]) * static_cast<float>(job.H - 1) / 65535.0f;
    const int l = static_cast<int>(u);
    const int m = static_cast<int>(v);
    const float fx = u - static_cast<float>(l);
    const float fy = v - static_cast<float>(m);
    const float c = WarpSample(job.src, w, job.W, job.H, l, m, fx, fy);
    float& out = job.Row(y)[x];
    out = Blend ? job.keep * c + job.e * out : c;
}

// Rows first .. last - 1, kLanes<V> pixels side by side, each lane the same
// operations as WarpSample. A row goes in runs of kWarpGroups vectors, in two
// passes: the first works out where every pixel of the run reads and asks
// the memory for those places; the second reads them and computes. Split so,
// the reads of a whole run are under way at once, instead of each waiting for
// its own long chain of arithmetic (the maps carry pixels up to hundreds of
// rows away, and the rippled pair moves along a row by tens, so many reads
// miss the nearer caches). Only a vector's first and last pixel are asked
// for: neighbours read a sample or so apart, so the lines between are the
// same or adjacent, and asking for every pixel cost more issue slots than
// the misses it hid (a warp 11-19 % slower). A pixel's 4 × 4
// neighbourhood is read as four rows of four samples and transposed, which
// serves the corners and the correction's neighbours alike. Pixels whose
// neighbourhood reaches past an edge go one by one, with their whole vector:
// they are few, lying on the plane's outermost rows and columns.
constexpr int kWarpGroups = 32;

template <typename V, bool Blend>
FRAMIRA_INLINE void WarpRowsOf(const CWarpJob& job, int first, int last)
{
    typedef typename CVectorOf<V>::Int M;
    typedef typename CVectorOf<V>::Word CWords;
    constexpr int L = kLanes<V>;
    const int W = job.W, H = job.H;
    const size_t w = static_cast<size_t>(W);
    const ptrdiff_t pitch = static_cast<ptrdiff_t>(W);
    const float spanX = static_cast<float>(W - 1);
    const float spanY = static_cast<float>(H - 1);
    const V zero = {};
    const V top = zero + 65535.0f;
    alignas(64) float fxs[kWarpGroups * L];
    alignas(64) float fys[kWarpGroups * L];
    alignas(64) int32_t corners[kWarpGroups * L];
    bool whole[kWarpGroups];
    for (int y = first; y < last; ++y) {
        const size_t rowStart = static_cast<size_t>(y) * w;
        float* const rowOut = job.Row(y);
        size_t x = 0;
        while (x + L <= w) {
            const int groups = static_cast<int>(std::min<size_t>(kWarpGroups, (w - x) / L));
            // Where each pixel reads; its four rows are asked for at once.
            for (int g = 0; g < groups; ++g) {
                const size_t i = rowStart + x + static_cast<size_t>(g) * L;
                CWords mapX, mapY;
                LoadVector(mapX, job.t0 + i);
                LoadVector(mapY, job.t1 + i);
                const V u = __builtin_convertvector(__builtin_convertvector(mapX, M), V) * spanX / 65535.0f;
                const V v = __builtin_convertvector(65535 - __builtin_convertvector(mapY, M), V) * spanY / 65535.0f;
                const M l = __builtin_convertvector(u, M);
                const M m = __builtin_convertvector(v, M);
                const M interior = (l >= 1) & (m >= 1) & (l + 2 <= W - 1) & (m + 2 <= H - 1);
                whole[g] = AllLanes(interior);
                StoreVector(fxs + g * L, u - __builtin_convertvector(l, V));
                StoreVector(fys + g * L, v - __builtin_convertvector(m, V));
                StoreVector(corners + g * L, (m - 1) * W + (l - 1));
                if (whole[g]) {
                    for (int j = 0; j < L; j += L - 1) {
                        const float* q = job.src + corners[g * L + j];
                        for (int k = 0; k < 4; ++k)
                            __builtin_prefetch(q + k * pitch);
                    }
                }
            }
            for (int g = 0; g < groups; ++g) {
                const size_t i = rowStart + x + static_cast<size_t>(g) * L;
                if (!whole[g]) {
                    for (int j = 0; j < L; ++j)
                        WarpPixel<Blend>(job, y, i - rowStart + static_cast<size_t>(j));
                    continue;
                }
                V fx, fy;
                LoadVector(fx, fxs + g * L);
                LoadVector(fy, fys + g * L);
                const float* p[L];
                for (int j = 0; j < L; ++j)
                    p[j] = job.src + corners[g * L + j];
                // Rows m − 1 .. m + 2, each as columns l − 1 .. l + 2.
                V a[4], n[8], p00, p01, p10, p11;
                LoadQuads(a, p, 0);
                TransposeWithinLanes(a);
                n[0] = a[1];
                n[1] = a[2];
                LoadQuads(a, p, pitch);
                TransposeWithinLanes(a);
                n[2] = a[0];
                p00 = a[1];
                p10 = a[2];
                n[3] = a[3];
                LoadQuads(a, p, 2 * pitch);
                TransposeWithinLanes(a);
                n[4] = a[0];
                p01 = a[1];
                p11 = a[2];
                n[5] = a[3];
                LoadQuads(a, p, 3 * pitch);
                TransposeWithinLanes(a);
                n[6] = a[1];
                n[7] = a[2];
                // Bump's weights; φ(t) = t (t² − 1).
                const V gx = 1.0f - fx, gy = 1.0f - fy;
                const V phiGx = gx * (gx * gx - 1.0f), phiGy = gy * (gy * gy - 1.0f);
                const V phiFx = fx * (fx * fx - 1.0f), phiFy = fy * (fy * fy - 1.0f);
                const V weight[8] = {gx * phiGy, fx * phiGy, gy * phiGx, gy * phiFx,
                                     fy * phiGx, fy * phiFx, gx * phiFy, fx * phiFy};
                V c = p00 * gx * gy + p01 * gx * fy + p10 * fx * gy + p11 * fx * fy;
                V sum = zero;
                for (int q = 0; q < 8; ++q)
                    sum += weight[q] * (n[q] - c);
                c = c + 0.4f * sum;
                c = c <= zero ? zero : c >= top ? top : c;
                float* out = rowOut + (i - rowStart);
                if constexpr (Blend) {
                    V old;
                    LoadVector(old, out);
                    c = job.keep * c + job.e * old;
                }
                StoreVector(out, c);
            }
            x += static_cast<size_t>(groups) * L;
        }
        for (; x < w; ++x)
            WarpPixel<Blend>(job, y, x);
    }
}

template <bool Blend>
void WarpRowsBase(const CWarpJob& job, int first, int last)
{
    WarpRowsOf<CFloat4, Blend>(job, first, last);
}

#if defined(FRAMIRA_KERNELS_X86)
template <bool Blend>
FRAMIRA_TARGET_AVX2 void WarpRowsAvx2(const CWarpJob& job, int first, int last)
{
    WarpRowsOf<CFloat8, Blend>(job, first, last);
}

// Eight lanes here too: sixteen measured slower, their neighbourhoods taking
// more shuffles to assemble than the wider arithmetic saves.
template <bool Blend>
FRAMIRA_TARGET_AVX512 void WarpRowsAvx512(const CWarpJob& job, int first, int last)
{
    WarpRowsOf<CFloat8, Blend>(job, first, last);
}
#endif

// Planes too large for 32-bit sample offsets, which the vector kernels use.
template <bool Blend>
void WarpRowsOneByOne(const CWarpJob& job, int first, int last)
{
    for (int y = first; y < last; ++y)
        for (size_t x = 0; x < static_cast<size_t>(job.W); ++x)
            WarpPixel<Blend>(job, y, x);
}

template <bool Blend>
auto RowsKernel(const CWarpJob& job)
{
    const bool offsetsFit = static_cast<uint64_t>(job.W) * static_cast<uint64_t>(job.H) <= INT32_MAX;
    return offsetsFit ? FRAMIRA_KERNEL_AT_LEVEL(WarpRowsBase<Blend>, WarpRowsAvx2<Blend>, WarpRowsAvx512<Blend>)
                      : WarpRowsOneByOne<Blend>;
}

template <bool Blend>
void Warp(const CWarpJob& job)
{
    const auto rows = RowsKernel<Blend>(job);
    // Every row reads the whole source and writes only itself, so rows go to
    // the pool.
    ParallelFor(static_cast<size_t>(job.H), 1 + (1 << 14) / static_cast<size_t>(job.W),
                [&](size_t first, size_t last) { rows(job, static_cast<int>(first), static_cast<int>(last)); });
}

bool ValidWarp(const float* src, const uint16_t* t0, const uint16_t* t1, const float* dst, int W, int H)
{
    return src && t0 && t1 && dst && W > 0 && H > 0;
}

// The in-place warp goes from the bottom up in chunks of rows. Once rows
// y0 .. H - 1 are warped, those after reach[y0 - 1], the last row that the
// rows still to come read, may replace their source rows: the first of
// them, no lower than y0 and no higher than `top`, the first row not yet
// copied back.
int SafeFrom(const int32_t* reach, int y0, int top)
{
    return y0 > 0 ? std::clamp(reach[y0 - 1] + 1, y0, top) : y0;
}

constexpr int kMostChunks = 64;

int ChunkRows(int H)
{
    return (H + kMostChunks - 1) / kMostChunks;
}

// Chunk k: rows ChunkFirst(k) .. ChunkEnd(k) - 1, counted from the bottom.
int ChunkEnd(int H, int chunkRows, int k)
{
    return static_cast<int>(std::max<int64_t>(0, H - static_cast<int64_t>(k) * chunkRows));
}

int ChunkFirst(int H, int chunkRows, int k)
{
    return ChunkEnd(H, chunkRows, k + 1);
}

// The chunks go to the pool's threads in order. A chunk is warped into the
// ring only once the rows that held its places have gone back to the plane;
// whoever completes the lowest chunk not yet complete copies back the rows
// that became safe. The lowest chunk under way never waits (the ring holds
// what the chunks in order need); the ring's two chunks more let the next
// ones go on beside it, even when the threads do not keep in step.
class CInPlaceWarpRun {
public:
    CInPlaceWarpRun(float* plane, const CWarpJob& job, void (*rows)(const CWarpJob&, int, int),
                    const CInPlaceWarpPlan& plan)
        : plane(plane), job(job), rows(rows), reach(plan.reach.Get()), chunkRows(plan.chunkRows),
          chunks((job.H + plan.chunkRows - 1) / plan.chunkRows), copiedFrom(job.H)
    {
    }

    // A thread's share: chunks until none is left.
    void Work()
    {
        for (int k = nextChunk.fetch_add(1); k < chunks; k = nextChunk.fetch_add(1)) {
            const int first = ChunkFirst(job.H, chunkRows, k);
            // Rows first + heldRows and on share the chunk's places in the ring.
            for (int seen = copiedFrom.load(std::memory_order_acquire); seen > first + job.dstRows;
                 seen = copiedFrom.load(std::memory_order_acquire))
                copiedFrom.wait(seen, std::memory_order_acquire);
            rows(job, first, ChunkEnd(job.H, chunkRows, k));
            Complete(k);
        }
    }

private:
    void Complete(int k)
    {
        const std::lock_guard<std::mutex> hold(lock);
        done[static_cast<size_t>(k)] = true;
        int complete = completeChunks;
        while (complete < chunks && done[static_cast<size_t>(complete)])
            ++complete;
        if (complete == completeChunks)
            return;
        completeChunks = complete;
        const int top = copiedFrom.load(std::memory_order_relaxed);
        const int from = SafeFrom(reach, complete < chunks ? ChunkEnd(job.H, chunkRows, complete) : 0, top);
        const size_t w = static_cast<size_t>(job.W);
        for (int y = from; y < top; ++y)
            std::memcpy(plane + static_cast<size_t>(y) * w, job.Row(y), w * sizeof(float));
        copiedFrom.store(from, std::memory_order_release);
        copiedFrom.notify_all();
    }

    float* const plane;
    const CWarpJob& job;
    void (*const rows)(const CWarpJob&, int, int);
    const int32_t* const reach;
    const int chunkRows;
    const int chunks;
    std::atomic<int> nextChunk{0};
    // Rows copiedFrom .. H - 1 are back in the plane.
    std::atomic<int> copiedFrom;
    std::mutex lock;
    std::array<bool, kMostChunks> done{};
    int completeChunks = 0;
};

} // namespace

bool PlanInPlaceWarp(const uint16_t* t1, int W, int H, CInPlaceWarpPlan& plan)
{
    plan = CInPlaceWarpPlan{};
    if (!t1 || W <= 0 || H <= 0 || !plan.reach.AllocateForOverwrite(static_cast<uint64_t>(H)))
        return false;
    int32_t* reach = plan.reach.Get();
    const size_t w = static_cast<size_t>(W);
    // A row reads rows m − 1 … m + 2 at most, m from its smallest y map
    // value (the map counts from the bottom); the same float steps as the
    // warp's, which are monotonic in the map's value.
    ParallelFor(static_cast<size_t>(H), 1 + (1 << 15) / w, [&](size_t first, size_t last) {
        for (size_t y = first; y < last; ++y) {
            const uint16_t* row = t1 + y * w;
            uint16_t least = 65535;
            for (size_t x = 0; x < w; ++x)
                least = std::min(least, row[x]);
            const float v = static_cast<float>(65535 - least) * static_cast<float>(H - 1) / 65535.0f;
            reach[y] = std::min(H - 1, static_cast<int>(v) + 2);
        }
    });
    for (int y = 1; y < H; ++y)
        reach[y] = std::max(reach[y], reach[y - 1]);
    // Chunks in order hold at most a chunk and the rows not yet safe when
    // it starts; two chunks more let others go on beside it.
    plan.chunkRows = ChunkRows(H);
    int held = 0;
    for (int k = 0; ChunkEnd(H, plan.chunkRows, k) > 0; ++k) {
        const int end = ChunkEnd(H, plan.chunkRows, k);
        const int waiting = k == 0 ? H : SafeFrom(reach, end, H);
        held = std::max(held, waiting - ChunkFirst(H, plan.chunkRows, k));
    }
    plan.heldRows = std::min(H, held + 2 * plan.chunkRows);
    return true;
}

void WarpInPlace(float* plane, const uint16_t* t0, const uint16_t* t1, int W, int H, const CInPlaceWarpPlan& plan,
                 float* held)
{
    if (!ValidWarp(plane, t0, t1, held, W, H) || !plan.reach || plan.heldRows <= 0 ||
        plan.chunkRows != ChunkRows(H))
        return;
    const CWarpJob job{plane, held, t0, t1, W, H, 1.0f, 0.0f, plan.heldRows};
    CInPlaceWarpRun run(plane, job, RowsKernel<false>(job), plan);
    // One share per thread; run inline, one share takes every chunk in order.
    ParallelFor(static_cast<size_t>(WorkThreadCount()), 1, [&](size_t, size_t) { run.Work(); });
}

void WarpWithWaveImages(const float* src, const uint16_t* t0, const uint16_t* t1, float* dst, int W, int H)
{
    if (ValidWarp(src, t0, t1, dst, W, H))
        Warp<false>(CWarpJob{src, dst, t0, t1, W, H, 1.0f, 0.0f, H});
}

void WarpBlendingInto(const float* src, const uint16_t* t0, const uint16_t* t1, float* dst, int W, int H,
                      float percent)
{
    const float e = BlendFraction(percent);
    if (ValidWarp(src, t0, t1, dst, W, H))
        Warp<true>(CWarpJob{src, dst, t0, t1, W, H, 1.0f - e, e, H});
}

} // namespace framira
