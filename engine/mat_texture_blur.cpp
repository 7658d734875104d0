// BlurPlane: a first-order recursive (exponential) smoothing run forward and
// backward, so it has no phase shift, along rows and then along columns.
// Its cost per sample is the same for every strength.
#include "mat_texture.h"

#include "kernel_level.h"
#include "plane_memory.h"
#include "vector_kernels.h"
#include "work_pool.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace framira {
namespace {

// Rows blurred side by side, sample by sample: `Rows` rows of w samples
// starting at src and dst. The backward pass stops at column 1, so column 0
// keeps the value of the forward pass (which is the source sample). Only for
// when the vector kernel's staging memory cannot be had: it gives the same
// floats.
template <int Rows>
void BlurRows(const float* src, float* dst, size_t w, float alpha, float beta)
{
    const float* s[Rows];
    float* d[Rows];
    for (int r = 0; r < Rows; ++r) {
        s[r] = src + static_cast<size_t>(r) * w;
        d[r] = dst + static_cast<size_t>(r) * w;
        d[r][0] = s[r][0];
    }
    for (size_t j = 1; j < w; ++j)
        for (int r = 0; r < Rows; ++r)
            d[r][j] = alpha * s[r][j] + beta * d[r][j - 1];
    for (size_t j = w >= 2 ? w - 2 : 0; j >= 1; --j)
        for (int r = 0; r < Rows; ++r)
            d[r][j] = beta * d[r][j + 1] + alpha * d[r][j];
}

// Each row is one long chain of dependent steps, so rows run side by side,
// one per vector lane, in two vectors (two chains for the processor to
// overlap): 2 × kLanes<V> rows per block.
template <typename V>
constexpr int kBlurRows = 2 * kLanes<V>;

// One block of `rows` rows (lanes past them repeat the first row and are
// never stored). The forward pass reads the rows L × L at a time and
// transposes them, so one vector holds a column of the block; its results are
// staged column by column, where the backward pass runs over whole vectors;
// a transpose turns them back into rows. Each sample sees the same
// operations in the same order as in BlurRows.
template <typename V>
FRAMIRA_INLINE void BlurRowBlock(const float* src, float* dst, size_t w, int rows, float alpha, float beta,
                                 float* staged)
{
    constexpr int L = kLanes<V>;
    constexpr int R = kBlurRows<V>;
    const float* in[R];
    for (int r = 0; r < R; ++r)
        in[r] = src + static_cast<size_t>(r < rows ? r : 0) * w;
    const size_t full = w - w % L;
    for (int v = 0; v < 2; ++v) {
        V d = {};
        for (size_t x = 0; x < full; x += L) {
            V t[L];
            for (int r = 0; r < L; ++r)
                LoadVector(t[r], in[v * L + r] + x);
            Transpose(t);
            for (int c = 0; c < L; ++c) {
                const size_t j = x + static_cast<size_t>(c);
                d = j == 0 ? t[0] : alpha * t[c] + beta * d;
                StoreVector(staged + j * R + v * L, d);
            }
        }
        for (size_t j = full; j < w; ++j) {
            // Lane by lane into the vector itself: GCC 12 at -O3 with AVX-512
            // got this wrong when the lanes went through an array first.
            V s;
            for (int r = 0; r < L; ++r)
                s[r] = in[v * L + r][j];
            d = j == 0 ? s : alpha * s + beta * d;
            StoreVector(staged + j * R + v * L, d);
        }
    }
    if (w >= 3) {
        V next[2];
        LoadVector(next[0], staged + (w - 1) * R);
        LoadVector(next[1], staged + (w - 1) * R + L);
        for (size_t j = w - 2; j >= 1; --j) {
            for (int v = 0; v < 2; ++v) {
                V d;
                LoadVector(d, staged + j * R + v * L);
                next[v] = beta * next[v] + alpha * d;
                StoreVector(staged + j * R + v * L, next[v]);
            }
        }
    }
    for (int v = 0; v < 2; ++v) {
        for (size_t x = 0; x < full; x += L) {
            V t[L];
            for (int c = 0; c < L; ++c)
                LoadVector(t[c], staged + (x + static_cast<size_t>(c)) * R + v * L);
            Transpose(t);
            for (int r = 0; r < L && v * L + r < rows; ++r)
                StoreVector(dst + static_cast<size_t>(v * L + r) * w + x, t[r]);
        }
    }
    for (size_t j = full; j < w; ++j)
        for (int r = 0; r < rows; ++r)
            dst[static_cast<size_t>(r) * w + j] = staged[j * R + static_cast<size_t>(r)];
}

// Rows first .. last - 1 in blocks of kBlurRows<V>, which split the plane the
// same way whatever share of it a thread is given.
template <typename V>
FRAMIRA_INLINE void BlurRowsOf(const float* src, float* dst, size_t w, int first, int last, float alpha,
                               float beta)
{
    constexpr int R = kBlurRows<V>;
    CPlane<float> staged;
    if (!staged.AllocateForOverwrite(static_cast<uint64_t>(w) * R)) {
        for (int y = first; y < last; ++y)
            BlurRows<1>(src + static_cast<size_t>(y) * w, dst + static_cast<size_t>(y) * w, w, alpha, beta);
        return;
    }
    for (int y = first; y < last; y += R)
        BlurRowBlock<V>(src + static_cast<size_t>(y) * w, dst + static_cast<size_t>(y) * w, w,
                        std::min(R, last - y), alpha, beta, staged.Get());
}

// Columns x0 .. x1 - 1, in place, a whole run of a row at a time so the inner
// loops run over contiguous samples and vectorise at the caller's width.
FRAMIRA_INLINE void BlurColumnsOf(float* dst, size_t w, int H, size_t x0, size_t x1, float alpha, float beta)
{
    for (int y = 1; y < H; ++y) {
        const float* prev = dst + static_cast<size_t>(y - 1) * w;
        float* row = dst + static_cast<size_t>(y) * w;
        for (size_t x = x0; x < x1; ++x)
            row[x] = beta * prev[x] + alpha * row[x];
    }
    for (int y = H - 2; y >= 0; --y) {
        const float* next = dst + static_cast<size_t>(y + 1) * w;
        float* row = dst + static_cast<size_t>(y) * w;
        for (size_t x = x0; x < x1; ++x)
            row[x] = beta * next[x] + alpha * row[x];
    }
}

void BlurRowsBase(const float* src, float* dst, size_t w, int first, int last, float alpha, float beta)
{
    BlurRowsOf<CFloat4>(src, dst, w, first, last, alpha, beta);
}

void BlurColumnsBase(float* dst, size_t w, int H, size_t x0, size_t x1, float alpha, float beta)
{
    BlurColumnsOf(dst, w, H, x0, x1, alpha, beta);
}

#if defined(FRAMIRA_KERNELS_X86)
FRAMIRA_TARGET_AVX2 void BlurRowsAvx2(const float* src, float* dst, size_t w, int first, int last, float alpha,
                                      float beta)
{
    BlurRowsOf<CFloat8>(src, dst, w, first, last, alpha, beta);
}

FRAMIRA_TARGET_AVX2 void BlurColumnsAvx2(float* dst, size_t w, int H, size_t x0, size_t x1, float alpha, float beta)
{
    BlurColumnsOf(dst, w, H, x0, x1, alpha, beta);
}

FRAMIRA_TARGET_AVX512 void BlurRowsAvx512(const float* src, float* dst, size_t w, int first, int last, float alpha,
                                          float beta)
{
    BlurRowsOf<CFloat16>(src, dst, w, first, last, alpha, beta);
}

FRAMIRA_TARGET_AVX512 void BlurColumnsAvx512(float* dst, size_t w, int H, size_t x0, size_t x1, float alpha,
                                             float beta)
{
    BlurColumnsOf(dst, w, H, x0, x1, alpha, beta);
}
#endif

} // namespace

void BlurPlane(const float* src, float* dst, int W, int H, float strength)
{
    if (!src || !dst || W <= 0 || H <= 0)
        return;
    const float a = strength / std::sqrt(1.5f);
    const float alpha = 1.0f / (a + 1.0f);
    const float beta = 1.0f - alpha;
    const size_t w = static_cast<size_t>(W);

    auto rows = BlurRowsBase;
    auto columns = BlurColumnsBase;
    int rowBlock = kBlurRows<CFloat4>;
#if defined(FRAMIRA_KERNELS_X86)
    const CKernelLevel level = KernelLevel();
    if (level == CKernelLevel::Avx512) {
        rows = BlurRowsAvx512;
        columns = BlurColumnsAvx512;
        rowBlock = kBlurRows<CFloat16>;
    } else if (level == CKernelLevel::Avx2) {
        rows = BlurRowsAvx2;
        columns = BlurColumnsAvx2;
        rowBlock = kBlurRows<CFloat8>;
    }
#endif

    // Blocks of rows go to the pool.
    const size_t blocks = (static_cast<size_t>(H) + rowBlock - 1) / rowBlock;
    ParallelFor(blocks, 1 + (1 << 15) / (w * rowBlock), [&](size_t first, size_t last) {
        rows(src, dst, w, static_cast<int>(first * rowBlock),
             static_cast<int>(std::min(static_cast<size_t>(H), last * rowBlock)), alpha, beta);
    });

    // Each column's chain is untouched by the others, so runs of columns go
    // to the pool.
    constexpr size_t kColumnRun = 64;
    const size_t runs = (w + kColumnRun - 1) / kColumnRun;
    ParallelFor(runs, 1 + (1 << 15) / (static_cast<size_t>(H) * kColumnRun), [&](size_t first, size_t last) {
        columns(dst, w, H, first * kColumnRun, std::min(w, last * kColumnRun), alpha, beta);
    });
}

} // namespace framira
