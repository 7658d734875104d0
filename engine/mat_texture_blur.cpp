// BlurPlane: a first-order recursive (exponential) smoothing run forward and
// backward, so it has no phase shift, along rows and then along columns.
// Its cost per sample is the same for every strength.
#include "mat_texture.h"

#include "work_pool.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace framira {
namespace {

// Rows blurred side by side: `Rows` rows of w samples starting at src and dst.
// The backward pass stops at column 1, so column 0 keeps the value of the
// forward pass (which is the source sample).
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

} // namespace

void BlurPlane(const float* src, float* dst, int W, int H, float strength)
{
    if (!src || !dst || W <= 0 || H <= 0)
        return;
    const float a = strength / std::sqrt(1.5f);
    const float alpha = 1.0f / (a + 1.0f);
    const float beta = 1.0f - alpha;
    const size_t w = static_cast<size_t>(W);

    // Each row is one long chain of dependent steps, so rows are run in groups
    // of kRowGroup side by side: the same operations per sample, but
    // independent chains for the CPU to overlap. Groups go to the pool.
    constexpr int kRowGroup = 8;
    const size_t groups = (static_cast<size_t>(H) + kRowGroup - 1) / kRowGroup;
    ParallelFor(groups, 1 + (1 << 15) / (w * kRowGroup), [=](size_t first, size_t last) {
        const int end = static_cast<int>(std::min(static_cast<size_t>(H), last * kRowGroup));
        int y = static_cast<int>(first * kRowGroup);
        for (; y + kRowGroup <= end; y += kRowGroup)
            BlurRows<kRowGroup>(src + static_cast<size_t>(y) * w, dst + static_cast<size_t>(y) * w, w, alpha, beta);
        for (; y < end; ++y)
            BlurRows<1>(src + static_cast<size_t>(y) * w, dst + static_cast<size_t>(y) * w, w, alpha, beta);
    });

    // Columns, in place, a whole run of a row at a time so the inner loops
    // run over contiguous samples and vectorise. Each column's chain is
    // untouched by the others, so runs of columns go to the pool.
    constexpr size_t kColumnRun = 64;
    const size_t runs = (w + kColumnRun - 1) / kColumnRun;
    ParallelFor(runs, 1 + (1 << 15) / (static_cast<size_t>(H) * kColumnRun), [=](size_t first, size_t last) {
        const size_t x0 = first * kColumnRun;
        const size_t x1 = std::min(w, last * kColumnRun);
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
    });
}

} // namespace framira
