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
#include "texture_preparation.h"
#include "work_pool.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

using namespace framira;

namespace {

// Three planes in one block, each starting on a cache line: once the planes
// are done with, the block is large enough to lay other planes in, at least
// `spare` floats.
struct CPlaneTriple {
    CPlane<float> block;
    size_t stride = 0;
    size_t floats = 0;

    bool Allocate(uint64_t count, uint64_t spare = 0)
    {
        constexpr uint64_t kLineFloats = 64 / sizeof(float);
        if (count > (UINT64_MAX - kLineFloats) / 3) {
            return false;
        }
        stride = static_cast<size_t>((count + kLineFloats - 1) / kLineFloats * kLineFloats);
        floats = static_cast<size_t>(std::max<uint64_t>(3 * static_cast<uint64_t>(stride), spare));
        // Each plane is filled by the stage that gets it.
        return block.AllocateForOverwrite(floats);
    }
    void Reset() { block.Reset(); }
    void Pointers(float* out[3]) const
    {
        for (int c = 0; c < 3; ++c) {
            out[c] = block.Get() + c * stride;
        }
    }
    CSpareFloats Spare() const { return {block.Get(), block ? floats : 0}; }
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

// A rectangle of the output, in its coordinates, and where its samples lie:
// planes[c] holds its top-left sample, rows `pitch` samples apart.
struct COutputPiece {
    const float* planes[3];
    size_t pitch;
    int32_t left, top, right, bottom;
};

// Converts the pieces to the host's sample type and hands them over, in bands
// of whole rows of a piece that the pool's threads share: each band writes
// its own part of the host's image, so the bytes are those of one pass.
template <typename T>
long PutPieces(CAHostInterface& host, void* image, const CARect& destination, const COutputPiece* pieces,
               size_t count, float scale, float upper, bool truncate)
{
    constexpr size_t kMaxPieces = 4;
    size_t bandRows[kMaxPieces] = {};
    size_t firstBand[kMaxPieces + 1] = {};
    size_t widest = 0;
    count = std::min(count, kMaxPieces);
    for (size_t p = 0; p < count; ++p) {
        const size_t width = static_cast<size_t>(std::max(0, pieces[p].right - pieces[p].left));
        const size_t height = static_cast<size_t>(std::max(0, pieces[p].bottom - pieces[p].top));
        bandRows[p] = std::max<size_t>(1, kOutputBandSamples / std::max<size_t>(width, 1));
        firstBand[p + 1] = firstBand[p] + (width == 0 ? 0 : (height + bandRows[p] - 1) / bandRows[p]);
        widest = std::max(widest, width);
    }
    std::atomic<long> failure{0};
    ParallelFor(firstBand[count], 1, [&](size_t first, size_t last) {
        CPlane<T> samples;
        if (!samples.AllocateForOverwrite(std::max(kOutputBandSamples, widest))) {
            failure.store(1);
            return;
        }
        size_t p = 0;
        for (size_t band = first; band < last && failure.load(std::memory_order_relaxed) == 0; ++band) {
            while (band >= firstBand[p + 1]) {
                ++p;
            }
            const COutputPiece& piece = pieces[p];
            const size_t width = static_cast<size_t>(piece.right - piece.left);
            const size_t offset = (band - firstBand[p]) * bandRows[p];
            const size_t rows = std::min(bandRows[p], static_cast<size_t>(piece.bottom - piece.top) - offset);
            const int32_t top = piece.top + static_cast<int32_t>(offset);
            CARect rect(destination.left + piece.left, destination.left + piece.right, destination.top + top,
                        destination.top + top + static_cast<int32_t>(rows));
            for (int channel = 0; channel < 3; ++channel) {
                const float* from = piece.planes[channel] + offset * piece.pitch;
                for (size_t row = 0; row < rows; ++row) {
                    ConvertPlane(from + row * piece.pitch, samples.Get() + row * width, width, scale, upper,
                                 truncate);
                }
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

// PutPieces at the host's sample size (8 or 16 bits, else float).
long PutPiecesAs(int bits, CAHostInterface& host, void* image, const CARect& destination,
                 const COutputPiece* pieces, size_t count)
{
    if (bits == 8) {
        return PutPieces<uint8_t>(host, image, destination, pieces, count, 255.0f, 255.0f, true);
    }
    if (bits == 16) {
        return PutPieces<uint16_t>(host, image, destination, pieces, count, 65535.0f, 65535.0f, true);
    }
    return PutPieces<float>(host, image, destination, pieces, count, 65535.0f, 65535.0f, false);
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
    // output (the mat's colours come from it) and at the print size.
    const CPrintSize print = CalculatePrintWidthAndHeight(W, H, w, h);
    if (print.width > W || print.height > H) {
        return 1;
    }
    CPlaneTriple stretched;
    float* stretchedPlanes[3];
    CPlaneTriple printed;
    float* printPlanes[3];
    // The print's block later holds the mat's working plane and the rows its
    // warp holds back (under a quarter of a plane); the pages of the block
    // the print leaves untouched cost nothing unless those need them.
    if (!stretched.Allocate(matCount) ||
        !printed.Allocate(static_cast<uint64_t>(print.width) * static_cast<uint64_t>(print.height),
                          matCount + matCount / 3)) {
        return 1;
    }
    stretched.Pointers(stretchedPlanes);
    printed.Pointers(printPlanes);
    if (ResampleInput(w, h, stretchedPlanes, W, H, printPlanes, print.width, print.height) != 0) {
        return 1;
    }
    clock.Lap(&CFrameMakerStageTimes::stretch);

    // Nothing is drawn over the print, so it goes out now, and its planes
    // hold the mat's working planes where they fit instead of fresh memory.
    const CPrintOrigin origin = PrintOrigin(W, H, print.width, print.height);
    const COutputPiece printPiece{{printPlanes[0], printPlanes[1], printPlanes[2]},
                                  static_cast<size_t>(print.width),
                                  origin.x,
                                  origin.y,
                                  origin.x + print.width,
                                  origin.y + print.height};
    if (PutPiecesAs(bits, *this, parms, destination, &printPiece, 1) != 0) {
        return 1;
    }
    clock.Lap(&CFrameMakerStageTimes::output);

    if (TakePendingTextures() != 0) {
        return 1;
    }
    // Only a portrait or square print is shaded at its left and right edges.
    if (print.height >= print.width && vignettingTexture[0] == nullptr &&
        MakeEdgeShade(W, H, vignettingTexture[0]) != 0) {
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
    // it, in its planes; where the print went nobody reads it, so it is left
    // unfinished there.
    if (CreateDitheredMatOverPicture(textures, stretchedPlanes, W, H, print.width, print.height,
                                     CPictureReaders{&CCoreColorTask::WaitFor, &core}, printed.Spare(),
                                     CUnreadRect{printPiece.left, printPiece.top, printPiece.right,
                                                 printPiece.bottom}) != 0) {
        return 1;
    }
    printed.Reset();
    core.Wait();
    if (core.result != 0) {
        return 1;
    }
    float* const* matPlanes = stretchedPlanes;
    clock.Lap(&CFrameMakerStageTimes::mat);

    // The band lies around the print, on the mat.
    if (ApplyMattingAndMountColorAndCoreColor(*bevelTables, parameters.mountColor, print.width, print.height,
                                              matPlanes, W, H, core.color[0], core.color[1], core.color[2]) != 0) {
        return 1;
    }
    clock.Lap(&CFrameMakerStageTimes::matting);

    // The mat planes are final here; they are converted straight from where
    // they lie rather than through a copy, all but where the print went.
    const auto matPiece = [&](int32_t left, int32_t top, int32_t right, int32_t bottom) {
        const size_t offset = static_cast<size_t>(top) * static_cast<size_t>(W) + static_cast<size_t>(left);
        return COutputPiece{{matPlanes[0] + offset, matPlanes[1] + offset, matPlanes[2] + offset},
                            static_cast<size_t>(W), left, top, right, bottom};
    };
    const COutputPiece around[4] = {
        matPiece(0, 0, W, printPiece.top),                                // above the print
        matPiece(0, printPiece.top, printPiece.left, printPiece.bottom),  // left of it
        matPiece(printPiece.right, printPiece.top, W, printPiece.bottom), // right of it
        matPiece(0, printPiece.bottom, W, H),                             // below it
    };
    const long result = PutPiecesAs(bits, *this, parms, destination, around, 4);
    clock.Lap(&CFrameMakerStageTimes::output);
    return result;
}
