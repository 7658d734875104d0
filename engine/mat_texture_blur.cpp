// BlurPlane: a first-order recursive (exponential) smoothing run forward and
// backward, so it has no phase shift, along rows and then along columns.
// Its cost per sample is the same for every strength.
#include "mat_texture.h"

#include <cmath>
#include <cstring>

namespace framira {

void BlurPlane(const float* src, float* dst, int W, int H, float strength)
{
    if (!src || !dst || W <= 0 || H <= 0)
        return;
    const float a = strength / std::sqrt(1.5f);
    const float alpha = 1.0f / (a + 1.0f);
    const float beta = 1.0f - alpha;
    const size_t w = static_cast<size_t>(W);

    // Rows: the backward pass stops at column 1, so column 0 keeps the value of
    // the forward pass (which is the source sample). Each row is one long chain
    // of dependent steps, so rows are run in groups of kRowGroup side by side:
    // the same operations per sample, but independent chains for the CPU to
    // overlap.
    constexpr int kRowGroup = 8;
    int y = 0;
    for (; y + kRowGroup <= H; y += kRowGroup) {
        const float* s[kRowGroup];
        float* d[kRowGroup];
        for (int r = 0; r < kRowGroup; ++r) {
            s[r] = src + static_cast<size_t>(y + r) * w;
            d[r] = dst + static_cast<size_t>(y + r) * w;
            d[r][0] = s[r][0];
        }
        for (size_t j = 1; j < w; ++j)
            for (int r = 0; r < kRowGroup; ++r)
                d[r][j] = alpha * s[r][j] + beta * d[r][j - 1];
        for (size_t j = w >= 2 ? w - 2 : 0; j >= 1; --j)
            for (int r = 0; r < kRowGroup; ++r)
                d[r][j] = beta * d[r][j + 1] + alpha * d[r][j];
    }
    for (; y < H; ++y) {
        const float* s = src + static_cast<size_t>(y) * w;
        float* d = dst + static_cast<size_t>(y) * w;
        d[0] = s[0];
        for (size_t j = 1; j < w; ++j)
            d[j] = alpha * s[j] + beta * d[j - 1];
        for (size_t j = w >= 2 ? w - 2 : 0; j >= 1; --j)
            d[j] = beta * d[j + 1] + alpha * d[j];
    }

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
