// CreateDitheredMat: the mat's surface, made from the picture's own colours.
// Two blurred copies of the picture are pushed through the two coordinate-map
// pairs (band shifts and fine ripples), averaged, softened by two brightening
// blurs, colour-boosted, and darkened towards the edges and corners by the
// shading textures. The same picture and size always give the same mat.
#include "mat.h"
#include "mat_texture.h"
#include "plane_memory.h"
#include "work_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace framira {
namespace {

// The mat is made one channel at a time through one working plane and the
// rows an in-place warp holds back; the picture's three planes and the mat's
// are all it needs besides, and the mat may take the picture's planes (see
// BuildMat).
constexpr int kWorkingPlanes = 2;

std::atomic<int> allocationLimit{-1};

// False when the test seam has no allocation left to grant.
bool TakeAllocation()
{
    int limit = allocationLimit.load(std::memory_order_relaxed);
    while (limit >= 0) {
        if (limit == 0)
            return false;
        if (allocationLimit.compare_exchange_weak(limit, limit - 1, std::memory_order_relaxed))
            break;
    }
    return true;
}

} // namespace

void SetMatPlaneAllocationLimitForTesting(int count)
{
    allocationLimit.store(count < 0 ? -1 : count, std::memory_order_relaxed);
}

namespace {

// The edge shade only for a portrait or square print, the only ones it darkens.
bool ValidMatArguments(const CMatTextures& textures, const float* const picture[3], float* const mat[3], int pw,
                       int ph)
{
    if (!textures.firstWave0 || !textures.firstWave1 || !textures.secondWave0 || !textures.secondWave1 ||
        (!textures.shade0 && ph >= pw) || !textures.shade1 || !picture || !mat)
        return false;
    for (int k = 0; k < 3; ++k)
        if (!picture[k] || !mat[k])
            return false;
    return true;
}

// Calls f(begin, end) on the pool over runs of samples that together cover
// the W × H plane except the rectangle `unread` (clipped to the plane), each
// run within one row or reaching across rows that the rectangle leaves whole.
template <typename F>
void ForSamplesAround(const CUnreadRect& unread, int W, int H, const F& f)
{
    const size_t w = static_cast<size_t>(W);
    const int left = std::clamp(unread.left, 0, W), right = std::clamp(unread.right, 0, W);
    const int top = std::clamp(unread.top, 0, H), bottom = std::clamp(unread.bottom, 0, H);
    const bool hole = left < right && top < bottom;
    ParallelFor(static_cast<size_t>(H), 1 + (1 << 15) / w, [&](size_t first, size_t last) {
        size_t runStart = first * w;
        for (size_t y = first; y < last; ++y) {
            if (!hole || y < static_cast<size_t>(top) || y >= static_cast<size_t>(bottom))
                continue;
            // Row y's hole ends the run so far; the next starts after it.
            f(runStart, y * w + static_cast<size_t>(left));
            runStart = y * w + static_cast<size_t>(right);
        }
        f(runStart, last * w);
    });
}

// The mat from the picture through the working plane a and the rows held
// by the in-place warp, one channel after the other. A channel's picture
// plane is read for the last time by its second blur, which is the first to
// write its mat plane, so mat[k] may be picture[k] (but no other channel's
// picture plane). Every sample goes through the same operations in the same
// order as when each stage ran over all three channels before the next
// began: only the order of the passes and the planes they use changed.
// Taking the channels one by one keeps the warps' scattered reads within one
// plane, each blurred plane warped while it is still in the cache; warping
// the first blur in place, and keeping later stages in the mat's own plane,
// leaves one working plane where there were two.
void BuildMat(const CMatTextures& textures, const float* const picture[3], float* const mat[3], float* a,
              const CInPlaceWarpPlan& plan, float* held, int W, int H, int pw, int ph,
              const CPictureReaders& readers, const CUnreadRect& unread)
{
    const size_t n = static_cast<size_t>(W) * static_cast<size_t>(H);
    for (int k = 0; k < 3; ++k) {
        // Fine detail shifted in bands: T1 in a.
        BlurPlane(picture[k], a, W, H, 1.5f);
        WarpInPlace(a, textures.firstWave0, textures.firstWave1, W, H, plan, held);
        // Softer colours scattered in ripples, T2, averaged with T1 as they
        // are made: M1 in a. Their source is the picture's last reader.
        if (k == 0 && readers.wait != nullptr)
            readers.wait(readers.context);
        BlurPlane(picture[k], mat[k], W, H, 5.0f);
        WarpBlendingInto(mat[k], textures.secondWave0, textures.secondWave1, a, W, H, 50.0f);
        // M2 in the mat plane: brighten with a blur of M1, never darken.
        BlurPlane(a, mat[k], W, H, 4.0f);
        BlendKeepingBrighter(a, mat[k], n, 33.0f);
        // M3 there too: the same with a wider blur of M2.
        BlurPlane(mat[k], a, W, H, 8.0f);
        ForSamplesAround(unread, W, H, [&](size_t begin, size_t end) {
            BlendKeepingBrighterIntoFirst(mat[k] + begin, a + begin, end - begin, 20.0f);
        });
    }

    // The colour is mixed in place and then shaded: C in the interior,
    // falling towards C² at the edges and corners; portrait and square
    // prints also darken towards the left and right.
    const uint8_t* shade0 = ph >= pw ? textures.shade0 : nullptr;
    ForSamplesAround(unread, W, H,
                     [&](size_t begin, size_t end) { MixAndShade(mat, textures.shade1, shade0, begin, end); });
}

// Working memory of counts[i] floats each, every float written before it
// is read: laid in the spare memory while it lasts, then obtained; false
// when the test seam or the allocator refuses one (those obtained are
// released with the array). Pieces in the spare memory start on a cache line.
bool ObtainWorkingPlanes(float* (&working)[kWorkingPlanes], CPlane<float> (&owned)[kWorkingPlanes],
                         const size_t (&counts)[kWorkingPlanes], CSpareFloats spare)
{
    constexpr size_t kLineFloats = 64 / sizeof(float);
    float* next = spare.data;
    size_t left = spare.data != nullptr ? spare.count : 0;
    for (int i = 0; i < kWorkingPlanes; ++i) {
        if (!TakeAllocation())
            return false;
        const size_t n = counts[i];
        const size_t stride = (n + kLineFloats - 1) / kLineFloats * kLineFloats;
        const size_t misalignment = (64 - reinterpret_cast<uintptr_t>(next) % 64) % 64 / sizeof(float);
        if (next != nullptr && left >= misalignment && left - misalignment >= n) {
            working[i] = next + misalignment;
            const size_t used = std::min(left, misalignment + stride);
            next += used;
            left -= used;
            continue;
        }
        if (!owned[i].AllocateForOverwrite(n))
            return false;
        working[i] = owned[i].Get();
    }
    return true;
}

// Both entry points: the mat from `picture` into `mat`, which may be the
// picture's own planes.
long MakeMat(const CMatTextures& textures, const float* const picture[3], float* const mat[3], int W, int H, int pw,
             int ph, const CPictureReaders& readers, CSpareFloats spare, const CUnreadRect& unread)
{
    if (W <= 0 || H <= 0)
        return 0;
    if (!ValidMatArguments(textures, picture, mat, pw, ph))
        return 1;
    CInPlaceWarpPlan plan;
    if (!PlanInPlaceWarp(textures.firstWave1, W, H, plan))
        return 1;
    const size_t w = static_cast<size_t>(W);
    const size_t counts[kWorkingPlanes] = {w * static_cast<size_t>(H), w * static_cast<size_t>(plan.heldRows)};
    float* working[kWorkingPlanes] = {};
    CPlane<float> owned[kWorkingPlanes];
    if (!ObtainWorkingPlanes(working, owned, counts, spare))
        return 1;
    BuildMat(textures, picture, mat, working[0], plan, working[1], W, H, pw, ph, readers, unread);
    return 0;
}

} // namespace

long CreateDitheredMat(const CMatTextures& textures, const float* const picture[3], float* const mat[3], int W,
                       int H, int pw, int ph)
{
    return MakeMat(textures, picture, mat, W, H, pw, ph, CPictureReaders{}, CSpareFloats{}, CUnreadRect{});
}

long CreateDitheredMatOverPicture(const CMatTextures& textures, float* const planes[3], int W, int H, int pw, int ph,
                                  const CPictureReaders& readers, CSpareFloats spare, CUnreadRect unread)
{
    if (!planes)
        return 1;
    const float* const picture[3] = {planes[0], planes[1], planes[2]};
    return MakeMat(textures, picture, planes, W, H, pw, ph, readers, spare, unread);
}

} // namespace framira
