// Process: from the analysed picture to the framed output. The picture is
// stretched over the whole output (the mat's colours come from it), the mat
// texture is built, the picture is resampled again to the print size and laid
// on the mat, the band is drawn, and the planes go out through the host.
#include "framira_framework.h"

#include "frame_maker_timing.h"
#include "mat.h"
#include "plane_memory.h"
#include "print_layout.h"
#include "sinc_resampler.h"

#include <cstring>

using namespace framira;

namespace {

struct CPlaneTriple {
    CPlane<float> planes[3];

    bool Allocate(uint64_t count)
    {
        for (CPlane<float>& plane : planes) {
            // Each plane is filled by the stage that gets it.
            if (!plane.AllocateForOverwrite(count)) {
                Reset();
                return false;
            }
        }
        return true;
    }
    void Reset()
    {
        for (CPlane<float>& plane : planes) {
            plane.Reset();
        }
    }
    void Pointers(float* out[3]) const
    {
        for (int c = 0; c < 3; ++c) {
            out[c] = planes[c].Get();
        }
    }
};

template <typename T>
void ConvertPlane(const float* plane, T* out, size_t count, float scale, float upper, bool truncate)
{
    for (size_t i = 0; i < count; ++i) {
        float value = plane[i] * scale + 0.5f;
        value = value <= 0.0f ? 0.0f : value >= upper ? upper : value;
        out[i] = truncate ? static_cast<T>(static_cast<int32_t>(value)) : static_cast<T>(value);
    }
}

// Converts each mat plane to the host's sample type and hands it over.
template <typename T>
long PutPlanes(CAHostInterface& host, void* image, CARect& destination, float* const mat[3], size_t count,
               float scale, float upper, bool truncate)
{
    CPlane<T> samples;
    if (!samples.AllocateForOverwrite(count)) {
        return 1;
    }
    for (int channel = 0; channel < 3; ++channel) {
        ConvertPlane(mat[channel], samples.Get(), count, scale, upper, truncate);
        const int result = host.PutRegion(image, destination, samples.Get(), channel);
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

} // namespace

int CFrameMakerAutoAlgorithm::ResampleInput(int w, int h, float* const* stretched, int sw, int sh,
                                            float* const* print, int pw, int ph) const
{
    if (rowReader != nullptr) {
        return ResampleRowsToTwoSizes(*rowReader, 1.0f / 255.0f, w, h, stretched, sw, sh, print, pw, ph, 1.0f, 0.0f);
    }
    if (borrowedSamples != nullptr) {
        const uint8_t* channels[3] = {borrowedSamples, borrowedSamples + 1, borrowedSamples + 2};
        return ResamplePlanesToTwoSizes<uint8_t>(channels, 3, 1.0f / 255.0f, w, h, stretched, sw, sh, print, pw, ph,
                                                 1.0f, 0.0f, 3);
    }
    if (inputSampleSize == 1) {
        const uint8_t* planes[3];
        for (int c = 0; c < 3; ++c) {
            planes[c] = static_cast<const uint8_t*>(inputPlanes[c]);
        }
        return ResamplePlanesToTwoSizes<uint8_t>(planes, 1, 1.0f / 255.0f, w, h, stretched, sw, sh, print, pw, ph,
                                                 1.0f, 0.0f, 3);
    }
    if (inputSampleSize == 2) {
        const uint16_t* planes[3];
        for (int c = 0; c < 3; ++c) {
            planes[c] = static_cast<const uint16_t*>(inputPlanes[c]);
        }
        return ResamplePlanesToTwoSizes<uint16_t>(planes, 1, 1.0f / 65535.0f, w, h, stretched, sw, sh, print, pw,
                                                  ph, 1.0f, 0.0f, 3);
    }
    const float* planes[3];
    for (int c = 0; c < 3; ++c) {
        planes[c] = static_cast<const float*>(inputPlanes[c]);
    }
    return ResamplePlanesToTwoSizes<float>(planes, 1, 1.0f, w, h, stretched, sw, sh, print, pw, ph, 1.0f, 0.0f, 3);
}

long CFrameMakerAutoAlgorithm::Process(CARect& source, CARect& destination, CAProcessType)
{
    const int64_t w64 = static_cast<int64_t>(source.right) - source.left;
    const int64_t h64 = static_cast<int64_t>(source.bottom) - source.top;
    const int64_t planeCount = static_cast<int64_t>(cachedInputWidth) * cachedInputHeight;
    // The planes and textures must be the ones this picture and this output
    // were prepared with; anything else would read past them. Sides beyond
    // 32 bits are refused before their product can overflow.
    if (!outputPrepared || (inputPlanes[0] == nullptr && borrowedSamples == nullptr && rowReader == nullptr) ||
        bevelTables == nullptr || w64 <= 0 || h64 <= 0 ||
        w64 > INT32_MAX || h64 > INT32_MAX || w64 * h64 != planeCount || cachedOutputWidth <= 0 ||
        cachedOutputHeight <= 0 || destination.width() != cachedOutputWidth ||
        destination.height() != cachedOutputHeight) {
        return 1;
    }
    const int w = static_cast<int>(w64);
    const int h = static_cast<int>(h64);
    const int W = cachedOutputWidth;
    const int H = cachedOutputHeight;
    const uint64_t matCount = static_cast<uint64_t>(W) * static_cast<uint64_t>(H);
    CStageClock clock;

    // The picture is read once for both its sizes: stretched over the whole
    // output (the mat's colours come from it) and at the print size, which
    // waits for the mat.
    const CPrintSize print = CalculatePrintWidthAndHeight(W, H, w, h);
    CPlaneTriple stretched;
    float* stretchedPlanes[3];
    CPlaneTriple printed;
    float* printPlanes[3];
    if (!stretched.Allocate(matCount) ||
        !printed.Allocate(static_cast<uint64_t>(print.width) * static_cast<uint64_t>(print.height))) {
        return 1;
    }
    stretched.Pointers(stretchedPlanes);
    printed.Pointers(printPlanes);
    if (ResampleInput(w, h, stretchedPlanes, W, H, printPlanes, print.width, print.height) != 0) {
        return 1;
    }
    clock.Lap(&CFrameMakerStageTimes::stretch);

    float core[3];
    if (parameters.fixedCoreColor != 0) {
        for (int c = 0; c < 3; ++c) {
            core[c] = static_cast<float>(parameters.coreColor[c]) * (1.0f / 255.0f);
        }
    } else if (CreateCoreColors(stretchedPlanes[0], stretchedPlanes[1], stretchedPlanes[2], W, H, core[0], core[1],
                                core[2]) != 0) {
        return 1;
    }
    clock.Lap(&CFrameMakerStageTimes::coreColor);

    const CMatTextures textures{firstWaveTexture[0], firstWaveTexture[1], secondWaveTexture[0],
                                secondWaveTexture[1], vignettingTexture[0], vignettingTexture[1]};
    // The stretched picture has served the core colour; the mat is the last
    // to read it and is built over it, in its planes.
    if (CreateDitheredMatOverPicture(textures, stretchedPlanes, W, H, print.width, print.height) != 0) {
        return 1;
    }
    float* const* matPlanes = stretchedPlanes;
    clock.Lap(&CFrameMakerStageTimes::mat);

    if (CreateMatting(printPlanes, print.width, print.height, matPlanes, W, H) != 0) {
        return 1;
    }
    printed.Reset();
    if (ApplyMattingAndMountColorAndCoreColor(*bevelTables, parameters.mountColor, print.width, print.height,
                                              matPlanes, W, H, core[0], core[1], core[2]) != 0) {
        return 1;
    }
    clock.Lap(&CFrameMakerStageTimes::matting);

    // The mat planes are final here; they are converted straight from where
    // they lie rather than through a copy.
    long result = 0;
    if (bits == 8) {
        result = PutPlanes<uint8_t>(*this, parms, destination, matPlanes, matCount, 255.0f, 255.0f, true);
    } else if (bits == 16) {
        result = PutPlanes<uint16_t>(*this, parms, destination, matPlanes, matCount, 65535.0f, 65535.0f, true);
    } else {
        result = PutPlanes<float>(*this, parms, destination, matPlanes, matCount, 65535.0f, 65535.0f, false);
    }
    clock.Lap(&CFrameMakerStageTimes::output);
    return result;
}
