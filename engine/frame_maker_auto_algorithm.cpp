// The frame maker's state: construction, Init (describing input and output,
// preparing the textures per output size) and Analyze (reading the picture
// into planes of its own sample type, kept per input pixel count and sample
// size; the resamplers scale the samples to 0..1 as they read them). Process is in
// frame_maker_process.cpp.
#include "framira_framework.h"

#include "frame_maker_timing.h"
#include "host_sample_bits.h"
#include "mat.h"
#include "plane_memory.h"
#include "sinc_resampler.h"
#include "texture_preparation.h"

#include <cstdlib>
#include <cstring>
#include <utility>

using namespace framira;

namespace {

// One 1600 × 1200 image of three 16-bit channels: the working area the mat
// stages need at the texture size. An engine that cannot get it is useless.
constexpr size_t kWorkingAreaBytes = 11520000;

template <typename T>
void FreeTexture(T*& texture)
{
    MemFree(texture);
    texture = nullptr;
}

} // namespace

CFrameMakerAutoAlgorithm::CFrameMakerAutoAlgorithm()
{
    void* workingArea = MemMalloc(kWorkingAreaBytes);
    if (workingArea == nullptr) {
        failed = true;
        return;
    }
    MemFree(workingArea);
    bevelTables = static_cast<CBevelTables*>(MemMalloc(sizeof(CBevelTables)));
    if (bevelTables == nullptr) {
        failed = true;
        return;
    }
    FillMattingMountAndCoreColorStructures(*bevelTables);
}

CFrameMakerAutoAlgorithm::~CFrameMakerAutoAlgorithm()
{
    SettlePendingTextures();
    ReleaseTextures();
    ReleaseInputPlanes();
    MemFree(bevelTables);
}

void CFrameMakerAutoAlgorithm::ReleaseTextures()
{
    for (int i = 0; i < 2; ++i) {
        FreeTexture(firstWaveTexture[i]);
        FreeTexture(secondWaveTexture[i]);
        FreeTexture(vignettingTexture[i]);
    }
}

void CFrameMakerAutoAlgorithm::ReleaseInputPlanes()
{
    for (void*& plane : inputPlanes) {
        MemFree(plane);
        plane = nullptr;
    }
    inputSampleSize = 0;
    borrowedSamples = nullptr;
    rowReader = nullptr;
}

long CFrameMakerAutoAlgorithm::Init(int phase)
{
    if (failed) {
        return -1;
    }
    if (phase == 0) {
        inputInfo = static_cast<const CAImageInfo&>(*this);
        inputDescribed = true;
        return 0;
    }
    if (phase != 1 || !inputDescribed) {
        SettlePendingTextures();
        ReleaseTextures();
        cachedOutputWidth = cachedOutputHeight = -1;
        outputPrepared = false;
        return 0;
    }
    outputInfo = static_cast<const CAImageInfo&>(*this);
    if (outputInfo.width > 0 && outputInfo.height > 0 && outputInfo.width == cachedOutputWidth &&
        outputInfo.height == cachedOutputHeight) {
        outputPrepared = true;
        return 0;
    }
    outputPrepared = false;
    SettlePendingTextures();
    // The size left is given back rather than freed: a job that frames every
    // picture at two sizes comes back to it with the next picture.
    CTextureSet left;
    if (firstWaveTexture[0] != nullptr && cachedOutputWidth > 0 && cachedOutputHeight > 0) {
        left.width = cachedOutputWidth;
        left.height = cachedOutputHeight;
        for (int i = 0; i < 2; ++i) {
            left.firstWave[i] = std::exchange(firstWaveTexture[i], nullptr);
            left.secondWave[i] = std::exchange(secondWaveTexture[i], nullptr);
            left.vignetting[i] = std::exchange(vignettingTexture[i], nullptr);
        }
    }
    ReleaseTextures();
    cachedOutputWidth = cachedOutputHeight = -1;
    // No output size is also the "nothing prepared" mark; never take it for one.
    if (outputInfo.width <= 0 || outputInfo.height <= 0) {
        KeepTextureSet(std::move(left));
        return 1;
    }
    CStageClock clock;
    const int width = outputInfo.width;
    const int height = outputInfo.height;
    // Still being made ahead (Framira_Prepare): Process takes the set just
    // before the mat, and the picture is resampled while it is made. The
    // set left waits until then: given back now, it would be dropped for
    // this one when that is done.
    if (TextureSetUnderway(width, height)) {
        if (!left.Empty()) {
            setLeft = std::make_unique<CTextureSet>(std::move(left));
        }
        texturesPending = true;
        clock.Count(&CFrameMakerStageTimes::texturePreparations);
        cachedOutputWidth = width;
        cachedOutputHeight = height;
        outputPrepared = true;
        return 0;
    }
    // Made ahead and done, or made here; the same bytes either way.
    CTextureSet set;
    const int result = ObtainTextureSet(width, height, set);
    // Given back only once this size's set is taken: the one set kept is
    // then the other size's, not this one's while the other's is dropped.
    KeepTextureSet(std::move(left));
    if (result != 0) {
        return result;
    }
    TakeTextures(set);
    cachedOutputWidth = width;
    cachedOutputHeight = height;
    outputPrepared = true;
    clock.Lap(&CFrameMakerStageTimes::textures);
    clock.Count(&CFrameMakerStageTimes::texturePreparations);
    return 0;
}

void CFrameMakerAutoAlgorithm::TakeTextures(CTextureSet& set)
{
    for (int i = 0; i < 2; ++i) {
        firstWaveTexture[i] = std::exchange(set.firstWave[i], nullptr);
        secondWaveTexture[i] = std::exchange(set.secondWave[i], nullptr);
        vignettingTexture[i] = std::exchange(set.vignetting[i], nullptr);
    }
}

long CFrameMakerAutoAlgorithm::TakePendingTextures()
{
    if (!texturesPending) {
        return 0;
    }
    CTextureSet set;
    const int result = ObtainTextureSet(cachedOutputWidth, cachedOutputHeight, set);
    SettlePendingTextures();
    if (result != 0) {
        // Nothing prepared: the next run at this size tries again.
        cachedOutputWidth = cachedOutputHeight = -1;
        outputPrepared = false;
        return result;
    }
    TakeTextures(set);
    return 0;
}

void CFrameMakerAutoAlgorithm::SettlePendingTextures()
{
    texturesPending = false;
    if (setLeft != nullptr) {
        KeepTextureSet(std::move(*setLeft));
        setLeft.reset();
    }
}

long CFrameMakerAutoAlgorithm::Analyze(CARect& source)
{
    CStageClock clock;
    const int64_t sourceWidth = static_cast<int64_t>(source.right) - source.left;
    const int64_t sourceHeight = static_cast<int64_t>(source.bottom) - source.top;
    const size_t sampleSize = bits == 8 ? 1 : bits == 16 ? 2 : 4;
    const auto fail = [this](long code) {
        ReleaseInputPlanes();
        cachedInputWidth = cachedInputHeight = -1;
        Release();
        return code;
    };
    if (sourceWidth <= 0 || sourceHeight <= 0 || sourceWidth > INT32_MAX || sourceHeight > INT32_MAX) {
        return fail(1);
    }
    // The host copies bytes or 16-bit words; a plane narrower than what it
    // writes would overflow.
    const size_t hostSampleSize = HostSampleBits() == 8 ? 1 : 2;
    if (hostSampleSize > sampleSize) {
        return fail(1);
    }
    const uint64_t n = static_cast<uint64_t>(sourceWidth) * static_cast<uint64_t>(sourceHeight);
    const int64_t cachedCount = static_cast<int64_t>(cachedInputWidth) * cachedInputHeight;
    // A first 1 × 1 picture matches the "no size yet" product of -1 × -1, so
    // missing planes are allocated whatever the cached size says.
    if (static_cast<int64_t>(n) != cachedCount || inputPlanes[0] == nullptr ||
        static_cast<size_t>(inputSampleSize) != sampleSize) {
        ReleaseInputPlanes();
        clock.Count(&CFrameMakerStageTimes::inputPlaneAllocations);
        cachedInputWidth = static_cast<int32_t>(sourceWidth);
        cachedInputHeight = static_cast<int32_t>(sourceHeight);
        inputSampleSize = static_cast<int32_t>(sampleSize);
        for (void*& plane : inputPlanes) {
            size_t bytes = 0;
            // Every plane is filled below before it is read.
            if (!CheckedBytes(n, sampleSize, bytes) || (plane = MemMallocForOverwrite(bytes)) == nullptr) {
                return fail(1);
            }
        }
    }
    // The host writes straight into the planes when it copies samples of
    // their size; otherwise (float pictures) its samples land at the start
    // of a zero-filled block that is copied over as it is.
    const bool direct = hostSampleSize == sampleSize;
    CPlane<uint8_t> staging;
    if (!direct && !staging.Allocate(n * sampleSize)) {
        return fail(1);
    }
    for (int channel = 0; channel < 3; ++channel) {
        const int region = GetRegion(image, source, direct ? inputPlanes[channel] : staging.Get(), channel);
        if (region != 0) {
            return fail(region);
        }
        if (!direct) {
            std::memcpy(inputPlanes[channel], staging.Get(), n * sampleSize);
        }
    }
    clock.Lap(&CFrameMakerStageTimes::analyze);
    return 0;
}

long CFrameMakerAutoAlgorithm::AnalyzeInPlace(const uint8_t* samples, int32_t sourceWidth, int32_t sourceHeight)
{
    CStageClock clock;
    const long result = BorrowInput(samples != nullptr, sourceWidth, sourceHeight);
    if (result == 0) {
        borrowedSamples = samples;
    }
    clock.Lap(&CFrameMakerStageTimes::analyze);
    return result;
}

long CFrameMakerAutoAlgorithm::AnalyzeRows(const CRowReader& reader, int32_t sourceWidth, int32_t sourceHeight)
{
    const long result = BorrowInput(reader.read != nullptr, sourceWidth, sourceHeight);
    if (result == 0) {
        rowReader = &reader;
    }
    return result;
}

long CFrameMakerAutoAlgorithm::BorrowInput(bool present, int32_t sourceWidth, int32_t sourceHeight)
{
    ReleaseInputPlanes();
    if (!present || sourceWidth <= 0 || sourceHeight <= 0) {
        cachedInputWidth = cachedInputHeight = -1;
        Release();
        return 1;
    }
    cachedInputWidth = sourceWidth;
    cachedInputHeight = sourceHeight;
    inputSampleSize = 1;
    return 0;
}

long CFrameMakerAutoAlgorithm::Version() { return 1; }
long CFrameMakerAutoAlgorithm::Release() { return 0; }
