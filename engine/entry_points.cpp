// The C entry points: one engine instance for the life of the process, the
// two buffer records it reads and writes through, and the run sequence.
// No exception leaves this file.
#include "framira.h"
#include "framira_framework.h"

#include "host_sample_bits.h"
#include "kernel_level.h"
#include "output_size.h"
#include "plane_memory.h"
#include "sinc_resampler.h"
#include "texture_preparation.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

static_assert(framira::kSourceChunkRows == kFramiraRowPiece, "readers are asked for whole pieces");

// The engine keeps pointers to these records between calls (its `image` and
// `parms` fields), so they live here, not in a call's frame.
struct CEntryState {
    CFrameMakerAutoEngine* engine = nullptr;
    CAImageBuffer input{};
    CAImageBuffer output{};
    CARect source;
    CARect destination;
};

CEntryState state;

// Sample i of the 16-bit picture becomes byte i of the same buffer; byte i is
// never ahead of word i, so the walk upwards is safe in place.
void NarrowSamplesInPlace(unsigned char* samples, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        uint16_t word;
        std::memcpy(&word, samples + 2 * i, sizeof word);
        samples[i] = static_cast<unsigned char>(word >> 8);
    }
}

// The shared record as Init reads it: a three-channel 8-bit image of the given
// size (the input's for phase 0, the output's for phase 1), reading from the
// input record and writing to the output record.
void DescribeImage(CFrameMakerAutoEngine& engine, int32_t width, int32_t height)
{
    engine.width = width;
    engine.height = height;
    engine.channels = 3;
    engine.bits = 8;
    engine.extra1 = 0;
    engine.extra2 = 0;
    engine.image = &state.input;
    engine.parms = &state.output;
}

// Where a run takes its picture from: the caller's whole buffer, or rows a
// reader hands over.
struct CPictureInput {
    unsigned char* samples = nullptr;
    int32_t bitsPerSample = 8;
    const framira::CRowReader* reader = nullptr;
};

int32_t RunFrameMaker(const CPictureInput& input, unsigned char* output, int32_t width, int32_t height,
                      int32_t presetIndex, int32_t customWidth, int32_t customHeight)
{
    if (state.engine == nullptr) {
        return -1;
    }
    int32_t outputWidth = 0;
    int32_t outputHeight = 0;
    if ((input.samples == nullptr && input.reader == nullptr) || output == nullptr ||
        !framira::SampleCountFits(width, height, input.bitsPerSample == 16 ? 2 : 1) ||
        !framira::ResolveOutputSize(presetIndex, customWidth, customHeight, outputWidth, outputHeight)) {
        return 1;
    }
    CFrameMakerAutoEngine& engine = *state.engine;
    // A 16-bit picture is narrowed first, so the engine and the host only
    // ever see 8-bit samples.
    if (input.samples != nullptr && input.bitsPerSample == 16) {
        NarrowSamplesInPlace(input.samples, static_cast<size_t>(width) * height * 3);
    }
    framira::SetHostSampleBits(8);
    state.input = CAImageBuffer{input.samples, height, width};
    state.output = CAImageBuffer{output, outputHeight, outputWidth};

    DescribeImage(engine, width, height);
    long result = engine.Init(0);
    if (result != 0) {
        std::printf("\n FrameMakerAuto Init = %d \n", static_cast<int>(result));
        return static_cast<int32_t>(result);
    }
    DescribeImage(engine, outputWidth, outputHeight);
    result = engine.Init(1);
    if (result != 0) {
        std::printf("\n FrameMakerAuto Init = %d \n", static_cast<int>(result));
        return static_cast<int32_t>(result);
    }

    state.source = CARect(0, width, 0, height);
    // The caller's samples stay put for the whole run, so the engine reads
    // them where they are rather than copying the picture.
    result = input.reader != nullptr ? engine.AnalyzeRows(*input.reader, width, height)
                                     : engine.AnalyzeInPlace(input.samples, width, height);
    if (result != 0) {
        std::printf("\n Analyze = %d \n", static_cast<int>(result));
        return static_cast<int32_t>(result);
    }
    std::puts("\n Analysis complete ");

    state.destination = CARect(0, outputWidth, 0, outputHeight);
    result = engine.Process(state.source, state.destination, CAProcessFull);
    if (result != 0) {
        std::printf("\n Process = %d \n", static_cast<int>(result));
        return static_cast<int32_t>(result);
    }
    std::puts("\n Processing complete ");
    return 0;
}

} // namespace

extern "C" {

FRAMIRA_API int32_t Specklo_Init(int32_t width, int32_t height, int32_t)
{
    try {
        if (state.engine == nullptr) {
            state.engine = new (std::nothrow) CFrameMakerAutoEngine();
            if (state.engine == nullptr) {
                return -1;
            }
        }
        state.engine->width = width;
        state.engine->height = height;
        const long result = state.engine->Init(0);
        if (result < 0) {
            std::printf("\n AdjustImage Init = %d \n", static_cast<int>(result));
        }
        return static_cast<int32_t>(result);
    } catch (...) {
        return -1;
    }
}

FRAMIRA_API int32_t Specklo_Allocate(void) { return 0; }
FRAMIRA_API int32_t Specklo_Detect(void) { return 0; }
FRAMIRA_API int32_t Specklo_CreateMap(void) { return 0; }
// The engine's own thread is idle once this returns.
FRAMIRA_API int32_t Specklo_End(void)
{
    framira::FinishTexturePreparation();
    return 0;
}
FRAMIRA_API const char* Specklo_Version(void) { return "1.0.1"; }
FRAMIRA_API const char* Framira_KernelLevel(void) { return framira::KernelLevelName(framira::KernelLevel()); }

FRAMIRA_API void Framira_Prepare(int32_t presetIndex, int32_t customWidth, int32_t customHeight)
{
    int32_t width = 0;
    int32_t height = 0;
    if (framira::ResolveOutputSize(presetIndex, customWidth, customHeight, width, height)) {
        framira::StartTexturePreparation(width, height);
    }
}

FRAMIRA_API void Framira_ReleaseMemory(void)
{
    framira::MemReleaseCache();
}

FRAMIRA_API int32_t Framira_Run(void* input, unsigned char* output, float, int32_t bitsPerSample, int32_t width,
                                int32_t height, float, const void*, int32_t presetIndex, int32_t customWidth,
                                int32_t customHeight)
{
    try {
        const CPictureInput picture{static_cast<unsigned char*>(input), bitsPerSample, nullptr};
        return RunFrameMaker(picture, output, width, height, presetIndex, customWidth, customHeight);
    } catch (...) {
        return 1;
    }
}

FRAMIRA_API int32_t Framira_RunRows(FramiraRowReader reader, void* context, unsigned char* output, int32_t width,
                                    int32_t height, int32_t presetIndex, int32_t customWidth, int32_t customHeight)
{
    try {
        if (reader == nullptr) {
            return 1;
        }
        // Kept beside the engine for the run: the engine holds on to it.
        static framira::CRowReader rows{};
        rows = framira::CRowReader{reader, context};
        const CPictureInput picture{nullptr, 8, &rows};
        const int32_t result = RunFrameMaker(picture, output, width, height, presetIndex, customWidth, customHeight);
        rows = framira::CRowReader{};
        return result;
    } catch (...) {
        return 1;
    }
}

} // extern "C"
