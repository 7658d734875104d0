// How large the window previews a job's first picture.

#include "preview_layout.h"

#include <gtest/gtest.h>

TEST(PreviewScale, TheFirstPictureSitsOnAScreenOfThePresetsAspect)
{
    // 16:9 screen, 4000 × 3000 picture, 745 × 375 area: o = 375, m = 666;
    // min(375 × 1.7065 / 7000, (666 × 0.95 − 28) / 4000, (375 × 0.9817 − 28) / 3000).
    EXPECT_NEAR(PreviewScale(745, 375, 4000, 3000, true, 16.0f / 9.0f), 0.0914, 0.0001);
    EXPECT_FLOAT_EQ(PreviewScale(745, 375, 4000, 3000, false, 16.0f / 9.0f), 0.125f);
    EXPECT_EQ(PreviewScale(20, 20, 4000, 3000, true, 1.0f), 0.0f) << "no room for the mat: no preview";
}
