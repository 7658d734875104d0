#include "preview_layout.h"

#include <algorithm>

float PreviewScale(int areaWidth, int areaHeight, int cols, int rows, bool firstOfJob, float screenAspect)
{
    if (cols < 1 || rows < 1)
        return 0.0f;
    const float w = static_cast<float>(areaWidth);
    const float h = static_cast<float>(areaHeight);
    float scale = std::min(w / cols, h / rows);
    if (firstOfJob) {
        // The largest rectangle of the screen's aspect inside the area.
        int m = areaWidth;
        int o = areaHeight;
        if (screenAspect < w / h)
            m = static_cast<int>(screenAspect * h);
        else if (screenAspect > 0.0f)
            o = static_cast<int>(w / screenAspect);
        // The print's share of that screen and the room its mat and bevel
        // take, in the proportions the framing itself uses.
        scale = std::min({o * 1.7065f / static_cast<float>(rows + cols), (m * 0.95f - 28.0f) / cols,
                          (o * 0.9817f - 28.0f) / rows});
    }
    return std::max(scale, 0.0f);
}
