// The core colour: the dominant saturated hue of the picture, and a neutral,
// finite colour when the picture has no dominant hue.
#include "mat_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace framira::testing {
namespace {

struct CCore {
    float r, g, b;
};

CCore CoreOf(const CPlanes& p)
{
    CCore c{-1, -1, -1};
    EXPECT_EQ(CreateCoreColors(p.c[0].data(), p.c[1].data(), p.c[2].data(), p.W, p.H, c.r, c.g, c.b), 0);
    return c;
}

TEST(CoreColor, UniformSaturatedPictureGivesItsOwnColour)
{
    const CCore red = CoreOf(CPlanes(8, 6, 1.0f, 0.0f, 0.0f));
    EXPECT_EQ(red.r, 1.0f);
    EXPECT_EQ(red.g, 0.0f);
    EXPECT_EQ(red.b, 0.0f);

    const CCore teal = CoreOf(CPlanes(5, 5, 0.1f, 0.6f, 0.5f));
    EXPECT_NEAR(teal.r, 0.1f, 1e-6);
    EXPECT_NEAR(teal.g, 0.6f, 1e-6);
    EXPECT_NEAR(teal.b, 0.5f, 1e-6);
}

TEST(CoreColor, HalfRedHalfBlueAveragesBoth)
{
    CPlanes p(10, 4, 1.0f, 0.0f, 0.0f);
    for (size_t i = 20; i < 40; ++i) {
        p.c[0][i] = 0.0f;
        p.c[2][i] = 1.0f;
    }
    const CCore c = CoreOf(p);
    EXPECT_NEAR(c.r, 0.5f, 1e-6);
    EXPECT_NEAR(c.g, 0.0f, 1e-6);
    EXPECT_NEAR(c.b, 0.5f, 1e-6);
}

TEST(CoreColor, GreyPixelsWeighNothing)
{
    // Mostly grey with a few green pixels: the core is the green.
    CPlanes p(20, 20, 0.5f, 0.5f, 0.5f);
    for (size_t i = 0; i < 10; ++i) {
        p.c[0][i] = 0.2f;
        p.c[1][i] = 0.8f;
        p.c[2][i] = 0.3f;
    }
    const CCore c = CoreOf(p);
    EXPECT_NEAR(c.r, 0.2f, 1e-6);
    EXPECT_NEAR(c.g, 0.8f, 1e-6);
    EXPECT_NEAR(c.b, 0.3f, 1e-6);
}

TEST(CoreColor, PictureWithoutDominantHueGetsNeutralGreyOfItsMeanLuminance)
{
    // Black-and-white photograph: a gradient of greys.
    CPlanes grey(16, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            for (int k = 0; k < 3; ++k)
                grey.c[k][static_cast<size_t>(y) * 16 + x] = x / 15.0f;
    const CCore g = CoreOf(grey);
    EXPECT_TRUE(std::isfinite(g.r) && std::isfinite(g.g) && std::isfinite(g.b));
    EXPECT_EQ(g.r, g.g);
    EXPECT_EQ(g.g, g.b);
    EXPECT_NEAR(g.r, 0.5f, 1e-6);

    // Saturated hues that cancel out exactly (red and cyan in equal parts).
    CPlanes opposite(2, 1);
    opposite.c[0] = {1.0f, 0.0f};
    opposite.c[1] = {0.0f, 1.0f};
    opposite.c[2] = {0.0f, 1.0f};
    const CCore o = CoreOf(opposite);
    EXPECT_TRUE(std::isfinite(o.r));
    EXPECT_EQ(o.r, o.g);
    EXPECT_EQ(o.g, o.b);
    EXPECT_NEAR(o.r, 0.5f, 1e-6);

    // Black picture and empty picture.
    const CCore black = CoreOf(CPlanes(3, 3));
    EXPECT_EQ(black.r, 0.0f);
    CCore empty{-1, -1, -1};
    EXPECT_EQ(CreateCoreColors(nullptr, nullptr, nullptr, 0, 0, empty.r, empty.g, empty.b), 0);
    EXPECT_TRUE(std::isfinite(empty.r) && empty.r >= 0.0f && empty.r <= 1.0f);
}

} // namespace
} // namespace framira::testing
