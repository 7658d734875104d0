#pragma once
// The engine entry points the pipeline calls, gathered so that a test can
// stand in for the engine (count openings, fail an opening, look at the
// arguments of a run). By default they are libFramira.so's own.

#include "framira.h"

#include <cstdint>
#include <functional>

struct CEngineCalls {
    std::function<std::int32_t(std::int32_t width, std::int32_t height, std::int32_t reserved)> init = Specklo_Init;
    std::function<std::int32_t()> allocate = Specklo_Allocate;
    std::function<std::int32_t(void* input, unsigned char* output, float strength, std::int32_t bitsPerSample,
                               std::int32_t width, std::int32_t height, float reservedScale, const void* sourcePath,
                               std::int32_t presetIndex, std::int32_t customWidth, std::int32_t customHeight)>
        run = Framira_Run;
    std::function<std::int32_t(FramiraRowReader reader, void* context, unsigned char* output, std::int32_t width,
                               std::int32_t height, std::int32_t presetIndex, std::int32_t customWidth,
                               std::int32_t customHeight)>
        runRows = Framira_RunRows;
    std::function<std::int32_t()> end = Specklo_End;
    // Starts the engine's own preparation for an output size; returns at once.
    std::function<void(std::int32_t presetIndex, std::int32_t customWidth, std::int32_t customHeight)> prepare =
        Framira_Prepare;
    // Gives back the memory the engine keeps between pictures.
    std::function<void()> releaseMemory = Framira_ReleaseMemory;
};
