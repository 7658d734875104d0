// Checks of the sizes a run is given. Internal to the engine.
#pragma once

#include <cstdint>

namespace framira {

// width × height × 3 × bytesPerSample is positive and fits a 32-bit count.
bool SampleCountFits(int32_t width, int32_t height, int64_t bytesPerSample);

// The output size of a run: the preset row's size, or the custom size for
// index 0. False for an index outside the table or an unusable size.
bool ResolveOutputSize(int32_t presetIndex, int32_t customWidth, int32_t customHeight, int32_t& width,
                       int32_t& height);

} // namespace framira
