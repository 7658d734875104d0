#include "output_size.h"

#include "framira.h"

namespace framira {

bool SampleCountFits(int32_t width, int32_t height, int64_t bytesPerSample)
{
    if (width <= 0 || height <= 0) {
        return false;
    }
    return static_cast<int64_t>(width) * height * 3 * bytesPerSample <= INT32_MAX;
}

bool ResolveOutputSize(int32_t presetIndex, int32_t customWidth, int32_t customHeight, int32_t& width,
                       int32_t& height)
{
    if (presetIndex < 0 || presetIndex >= kFramiraPresetCount) {
        return false;
    }
    if (presetIndex == 0) {
        width = customWidth;
        height = customHeight;
    } else {
        width = kFramiraPresets[presetIndex].width;
        height = kFramiraPresets[presetIndex].height;
    }
    return SampleCountFits(width, height, 1);
}

} // namespace framira
