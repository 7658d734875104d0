// Writes framed previews for a person to look at, only when asked:
//   FRAMIRA_MAT_PREVIEW=/tmp/some-prefix tests_engine_mat --gtest_filter='MatPreview.*'
// The print is pasted where the frame maker would put it and the band drawn
// around it, so the picture shows mat, band and print together.
#include "mat_test_support.h"
#include "print_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace framira::testing {
namespace {

void FramePreview(const char* prefix, const char* name, int W, int H, int pw, int ph)
{
    const CPlanes picture = MakeLandscape(W, H);
    const CPreparedTextures textures(W, H);
    CPlanes mat(W, H);
    float core[3];
    ASSERT_EQ(CreateCoreColors(picture.c[0].data(), picture.c[1].data(), picture.c[2].data(), W, H, core[0],
                               core[1], core[2]),
              0);
    ASSERT_EQ(CreateDitheredMat(textures.View(), picture.Const(), mat.Mutable(), W, H, pw, ph), 0);
    const CPlanes print = MakeLandscape(pw, ph);
    const CPrintOrigin origin = PrintOrigin(W, H, pw, ph);
    for (int k = 0; k < 3; ++k)
        for (int y = 0; y < ph; ++y)
            for (int x = 0; x < pw; ++x)
                mat.c[k][static_cast<size_t>(origin.y + y) * W + origin.x + x] = print.c[k][static_cast<size_t>(y) * pw + x];
    CBevelTables tables;
    FillMattingMountAndCoreColorStructures(tables);
    const uint8_t mount[3] = {240, 232, 216};
    ApplyMattingAndMountColorAndCoreColor(tables, mount, pw, ph, mat.Mutable(), W, H, core[0], core[1], core[2]);
    EXPECT_TRUE(WritePpm(std::string(prefix) + name + ".ppm", mat));
}

TEST(MatPreview, WritesLandscapeAndPortraitFramesWhenAsked)
{
    const char* prefix = std::getenv("FRAMIRA_MAT_PREVIEW");
    if (!prefix)
        GTEST_SKIP() << "set FRAMIRA_MAT_PREVIEW to a path prefix to write previews";
    FramePreview(prefix, "landscape-1920x1080", 1920, 1080, 1106, 737);
    FramePreview(prefix, "portrait-1920x1080", 1920, 1080, 688, 1032);
}

} // namespace
} // namespace framira::testing
