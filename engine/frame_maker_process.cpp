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
#include "work_pool.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

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

// Samples per band of the output stage: a band's three channels are
// converted and handed over while they are still in the cache.
constexpr size_t kOutputBandSamples = size_t{1} << 15;

// Converts the mat planes to the host's sample type and hands them over, in
// bands of whole rows that the pool's threads share: each band writes its own
// rows of the host's image, so the bytes are those of one pass.
template <typename T>
long PutPlanes(CAHostInterface& host, void* image, const CARect& destination, float* const mat[3], float scale,
               float upper, bool truncate)
{
    const size_t width = static_cast<size_t>(destination.width());
    const size_t height = static_cast<size_t>(destination.height());
    const size_t bandRows = std::max<size_t>(1, kOutputBandSamples / width);
    std::atomic<long> failure{0};
    ParallelFor((height + bandRows - 1) / bandRows, 1, [&](size_t first, size_t last) {
        CPlane<T> samples;
        if (!samples.AllocateForOverwrite(bandRows * width)) {
            failure.store(1);
            return;
        }
        for (size_t band = first; band < last && failure.load(std::memory_order_relaxed) == 0; ++band) {
            const size_t top = band * bandRows;
            const size_t rows = std::min(bandRows, height - top);
            CARect rect(destination.left, destination.right, destination.top + static_cast<int32_t>(top),
                        destination.top + static_cast<int32_t>(top + rows));
            for (int channel = 0; channel < 3; ++channel) {
                ConvertPlane(mat[channel] + top * width, samples.Get(), rows * width, scale, upper, truncate);
                const int result = host.PutRegion(image, rect, samples.Get(), channel);
                if (result != 0) {
                    failure.store(result);
                    return;
                }
            }
        }
    });
    return failure.load();
}

// The core colour worked out on a thread of its own beside the mat, or on the
// caller's when the engine keeps to one thread or none can be started. The
// thread is joined before the object goes, whatever path leaves Process.
class CCoreColorTask {
public:
    CCoreColorTask(const CAFrameMakerAutoParms& parameters, float* const planes[3], int W, int H)
        : r(planes[0]), g(planes[1]), b(planes[2]), width(W), height(H)
    {
        if (parameters.fixedCoreColor != 0) {
            for (int c = 0; c < 3; ++c) {
                color[c] = static_cast<float>(parameters.coreColor[c]) * (1.0f / 255.0f);
            }
            return;
        }
        if (WorkThreadCount() >= 2) {
            try {
                worker = std::thread([this] { Compute(); });
                return;
            } catch (...) {
                // No thread: worked out here instead.
            }
        }
        Compute();
    }
    CCoreColorTask(const CCoreColorTask&) = delete;
    CCoreColorTask& operator=(const CCoreColorTask&) = delete;
    ~CCoreColorTask() { Wait(); }

    void Wait()
    {
        if (worker.joinable()) {
            worker.join();
        }
    }
    static void WaitFor(void* task) { static_cast<CCoreColorTask*>(task)->Wait(); }

    float color[3] = {0.0f, 0.0f, 0.0f};
    long result = 0;

private:
    void Compute() { result = CreateCoreColors(r, g, b, width, height, color[0], color[1], color[2]); }

    const float* r;
    const float* g;
    const float* b;
    int width;
    int height;
    std::thread worker;
};

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

    if (TakePendingTextures() != 0) {
        return 1;
    }
    clock.Lap(&CFrameMakerStageTimes::textures);
    // The core colour reads the stretched picture beside the mat's first
    // stages, which only read it too; the mat waits for it before it first
    // writes over the picture.
    CCoreColorTask core(parameters, stretchedPlanes, W, H);
    clock.Lap(&CFrameMakerStageTimes::coreColor);
    const CMatTextures textures{firstWaveTexture[0], firstWaveTexture[1], secondWaveTexture[0],
                                secondWaveTexture[1], vignettingTexture[0], vignettingTexture[1]};
    // The mat is the last to read the stretched picture and is built over
    // it, in its planes.
    if (CreateDitheredMatOverPicture(textures, stretchedPlanes, W, H, print.width, print.height,
                                     CPictureReaders{&CCoreColorTask::WaitFor, &core}) != 0) {
        return 1;
    }
    core.Wait();
    if (core.result != 0) {
        return 1;
    }
    float* const* matPlanes = stretchedPlanes;
    clock.Lap(&CFrameMakerStageTimes::mat);

    if (CreateMatting(printPlanes, print.width, print.height, matPlanes, W, H) != 0) {
        return 1;
    }
    printed.Reset();
    if (ApplyMattingAndMountColorAndCoreColor(*bevelTables, parameters.mountColor, print.width, print.height,
                                              matPlanes, W, H, core.color[0], core.color[1], core.color[2]) != 0) {
        return 1;
    }
    clock.Lap(&CFrameMakerStageTimes::matting);

    // The mat planes are final here; they are converted straight from where
    // they lie rather than through a copy.
    long result = 0;
    if (bits == 8) {
        result = PutPlanes<uint8_t>(*this, parms, destination, matPlanes, 255.0f, 255.0f, true);
    } else if (bits == 16) {
        result = PutPlanes<uint16_t>(*this, parms, destination, matPlanes, 65535.0f, 65535.0f, true);
    } else {
        result = PutPlanes<float>(*this, parms, destination, matPlanes, 65535.0f, 65535.0f, false);
    }
    clock.Lap(&CFrameMakerStageTimes::output);
    return result;
}
