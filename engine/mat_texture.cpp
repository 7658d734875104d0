// CreateDitheredMat: the mat's surface, made from the picture's own colours.
// Two blurred copies of the picture are pushed through the two coordinate-map
// pairs (band shifts and fine ripples), averaged, softened by two brightening
// blurs, colour-boosted, and darkened towards the edges and corners by the
// shading textures. The same picture and size always give the same mat.
#include "mat.h"
#include "mat_texture.h"
#include "plane_memory.h"

#include <atomic>
#include <cstdint>

namespace framira {
namespace {

// One working plane per channel: the three-channel warps need their sources
// and their results at once, and the mat planes, written last, serve as the
// other three.
constexpr int kWorkingPlanes = 3;

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

bool ValidMatArguments(const CMatTextures& textures, const float* const picture[3], float* const mat[3])
{
    if (!textures.firstWave0 || !textures.firstWave1 || !textures.secondWave0 || !textures.secondWave1 ||
        !textures.shade0 || !textures.shade1 || !picture || !mat)
        return false;
    for (int k = 0; k < 3; ++k)
        if (!picture[k] || !mat[k])
            return false;
    return true;
}

// The mat from three working planes s[k], with the mat planes as working
// planes until the mix fills them. Every sample goes through the same
// operations in the same order as when the channels were made one after the
// other; only the order of the planes' passes changed.
void BuildMat(const CMatTextures& textures, const float* const picture[3], float* const s[3], float* const mat[3],
              int W, int H, int pw, int ph)
{
    const size_t n = static_cast<size_t>(W) * static_cast<size_t>(H);
    // Fine detail shifted in bands: T1 in s.
    for (int k = 0; k < 3; ++k)
        BlurPlane(picture[k], mat[k], W, H, 1.5f);
    WarpPlanesWithWaveImages(mat, textures.firstWave0, textures.firstWave1, s, W, H);
    // Softer colours scattered in ripples, T2, averaged with T1 as they are
    // made: M1 in s.
    for (int k = 0; k < 3; ++k)
        BlurPlane(picture[k], mat[k], W, H, 5.0f);
    WarpPlanesBlendingInto(mat, textures.secondWave0, textures.secondWave1, s, W, H, 50.0f);
    for (int k = 0; k < 3; ++k) {
        // M2 in mat[k]: brighten with a blur of M1, never darken.
        BlurPlane(s[k], mat[k], W, H, 4.0f);
        BlendKeepingBrighter(s[k], mat[k], n, 33.0f);
        // M3 in s[k]: the same with a wider blur of M2.
        BlurPlane(mat[k], s[k], W, H, 8.0f);
        BlendKeepingBrighter(mat[k], s[k], n, 20.0f);
    }

    // The mixed colour goes straight into the mat planes, which are then
    // shaded in place: C in the interior, falling towards C² at the edges and
    // corners; portrait and square prints also darken towards the left and
    // right.
    MixChannels(s, mat, n);
    for (int k = 0; k < 3; ++k)
        ShadeMat(mat[k], textures.shade1, ph >= pw ? textures.shade0 : nullptr, n);
}

// Working planes, each written in full before it is read; false when the
// test seam or the allocator refuses one (those obtained are released with
// the array).
template <size_t Count>
bool AllocateWorkingPlanes(CPlane<float> (&planes)[Count], size_t n)
{
    for (auto& plane : planes)
        if (!TakeAllocation() || !plane.AllocateForOverwrite(n))
            return false;
    return true;
}

} // namespace

long CreateDitheredMat(const CMatTextures& textures, const float* const picture[3], float* const mat[3], int W,
                       int H, int pw, int ph)
{
    if (W <= 0 || H <= 0)
        return 0;
    if (!ValidMatArguments(textures, picture, mat))
        return 1;
    CPlane<float> planes[kWorkingPlanes];
    if (!AllocateWorkingPlanes(planes, static_cast<size_t>(W) * static_cast<size_t>(H)))
        return 1;
    float* const s[3] = {planes[0].Get(), planes[1].Get(), planes[2].Get()};
    BuildMat(textures, picture, s, mat, W, H, pw, ph);
    return 0;
}

long CreateDitheredMatOverPicture(const CMatTextures& textures, float* const picture[3], float* const mat[3], int W,
                                  int H, int pw, int ph)
{
    return CreateDitheredMat(textures, picture, mat, W, H, pw, ph);
}

} // namespace framira
