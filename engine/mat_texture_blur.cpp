// BlurPlane: a first-order recursive (exponential) smoothing run forward and
// backward, so it has no phase shift, along rows and then along columns.
// Its cost per sample is the same for every strength.
#include "mat_texture.h"

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
    // independent chains for the CPU to overlap.
    constexpr int kRowGroup = 8;
    int y = 0;
    for (; y + kRowGroup <= H; y += kRowGroup)
        BlurRows<kRowGroup>(src + static_cast<size_t>(y) * w, dst + static_cast<size_t>(y) * w, w, alpha, beta);
    for (; y < H; ++y)
        BlurRows<1>(src + static_cast<size_t>(y) * w, dst + static_cast<size_t>(y) * w, w, alpha, beta);

    // Columns, in place, a whole row at a time so the inner loops run over
    // contiguous samples and vectorise.
    for (y = 1; y < H; ++y) {
        const float* prev = dst + static_cast<size_t>(y - 1) * w;
        float* row = dst + static_cast<size_t>(y) * w;
        for (size_t x = 0; x < w; ++x)
            row[x] = beta * prev[x] + alpha * row[x];
    }
    for (y = H - 2; y >= 0; --y) {
        const float* next = dst + static_cast<size_t>(y + 1) * w;
        float* row = dst + static_cast<size_t>(y) * w;
        for (size_t x = 0; x < w; ++x)
            row[x] = beta * next[x] + alpha * row[x];
    }
}

} // namespace framira
