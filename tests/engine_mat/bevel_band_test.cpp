// The bevel band drawn around the print: table indexing, colours, clipping.
#include "mat_test_support.h"

#include <gtest/gtest.h>

namespace framira::testing {
namespace {

constexpr float kUntouched = -1.0f;

class BevelBandTest : public ::testing::Test {
protected:
    void SetUp() override { FillMattingMountAndCoreColorStructures(tables); }

    // Draws on a mat filled with a marker no drawn pixel can have.
    CPlanes Draw(int pw, int ph, int W, int H, const uint8_t mount[3], float r, float g, float b)
    {
        CPlanes mat(W, H, kUntouched, kUntouched, kUntouched);
        EXPECT_EQ(ApplyMattingAndMountColorAndCoreColor(tables, mount, pw, ph, mat.Mutable(), W, H, r, g, b), 0);
        return mat;
    }
    CBevelTables tables{};
};

TEST_F(BevelBandTest, StraightTopRowsShowCoreThenMount)
{
    const uint8_t mount[3] = {240, 232, 216};
    const float core[3] = {0.8f, 0.4f, 0.2f};
    // A uniformly coloured picture at 1920 × 1080 frames a 1106 × 737 print.
    const int W = 1920, H = 1080, pw = 1106, ph = 737;
    const CPlanes mat = Draw(pw, ph, W, H, mount, core[0], core[1], core[2]);
    const int x0 = (W - pw + 1) / 2 - 14, y0 = (H - ph + 1) / 2 - 14;
    const int x = x0 + 14 + pw / 2;
    for (int k = 0; k < 3; ++k) {
        EXPECT_FLOAT_EQ(mat.At(k, x, y0), 130.0f / 255.0f * core[k]);
        EXPECT_FLOAT_EQ(mat.At(k, x, y0 + 10), mount[k] / 255.0f);
        EXPECT_EQ(mat.At(k, x, y0 - 1), kUntouched);
        EXPECT_EQ(mat.At(k, x, y0 + 14), kUntouched); // the print's first row
    }
    // The right side's dark line and shadow in the mount colour.
    const int y = y0 + 14 + ph / 2;
    const int right = x0 + pw + 14;
    EXPECT_FLOAT_EQ(mat.At(0, right, y), 71.0f / 255.0f * mount[0] / 255.0f);
    EXPECT_FLOAT_EQ(mat.At(1, right + 13, y), 31.0f / 255.0f + (1.0f - 31.0f / 255.0f) * core[1]);
}

TEST_F(BevelBandTest, EachChannelFollowsOneLayerWithExtremeColours)
{
    // Core (1, 0, 0.5), mount (0, 255, 128): R shows the core layer and G the
    // mount layer, on every band pixel.
    const uint8_t mount[3] = {0, 255, 128};
    const int W = 300, H = 200, pw = 150, ph = 100;
    const CPlanes mat = Draw(pw, ph, W, H, mount, 1.0f, 0.0f, 0.5f);
    const int x0 = (W - pw + 1) / 2 - 14, y0 = (H - ph + 1) / 2 - 14;
    int checked = 0;
    for (int v = 0; v < ph + 28; ++v)
        for (int u = 0; u < pw + 28; ++u) {
            const bool top = v < 14, bottom = v >= ph + 14, left = u < 14, right = u >= pw + 14;
            if (!top && !bottom && !left && !right)
                continue;
            float a, b;
            if (top || bottom) {
                const int col = u >= pw - 4 ? u - pw + 37 : (u <= 31 ? u : 32);
                a = top ? tables.topA[v][col] : tables.bottomA[v - ph - 14][col];
                b = top ? tables.topB[v][col] : tables.bottomB[v - ph - 14][col];
            } else {
                const int i = v - 14;
                const int row = i < 18 ? i : (i >= ph - 18 ? 36 - (ph - 1 - i) : 18);
                a = left ? tables.leftA[row][u] : tables.rightA[row][u - pw - 14];
                b = left ? tables.leftB[row][u] : tables.rightB[row][u - pw - 14];
            }
            if (a <= 0.0f && b <= 0.0f)
                continue;
            ASSERT_FLOAT_EQ(mat.At(0, x0 + u, y0 + v), a) << u << "," << v;
            ASSERT_FLOAT_EQ(mat.At(1, x0 + u, y0 + v), b) << u << "," << v;
            ++checked;
        }
    EXPECT_GT(checked, 2 * 14 * (pw + 28));
}

TEST_F(BevelBandTest, SmallPrintRingUsesRightEndFirst)
{
    // 20 × 20 print on a 100 × 100 mat: a 48 × 48 ring of 1,904 pixels at (26, 26).
    const uint8_t mount[3] = {0, 255, 128};
    const CPlanes mat = Draw(20, 20, 100, 100, mount, 1.0f, 0.0f, 0.5f);
    int drawn = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool inRing = x >= 26 && x < 74 && y >= 26 && y < 74 && !(x >= 40 && x < 60 && y >= 40 && y < 60);
            if (mat.At(0, x, y) != kUntouched) {
                EXPECT_TRUE(inRing) << x << "," << y;
                ++drawn;
            }
        }
    EXPECT_EQ(drawn, 1904);
    // Top band row 1: ring columns 0 … 15 use table columns 0 … 15, 16 … 47 use 33 … 64.
    for (int u = 0; u < 48; ++u) {
        const int col = u < 16 ? u : u + 17;
        EXPECT_FLOAT_EQ(mat.At(0, 26 + u, 27), tables.topA[1][col]) << u;
        EXPECT_FLOAT_EQ(mat.At(1, 26 + u, 27), tables.topB[1][col]) << u;
    }
    // Side bands: print rows 0 … 17 use table rows 0 … 17, rows 18 and 19 use 35 and 36.
    for (int i = 0; i < 20; ++i) {
        const int row = i < 18 ? i : i + 17;
        EXPECT_FLOAT_EQ(mat.At(1, 26 + 13, 40 + i), tables.leftB[row][13]) << i;
        EXPECT_FLOAT_EQ(mat.At(1, 60, 40 + i), tables.rightB[row][0]) << i;
    }
}

TEST_F(BevelBandTest, BandIsClippedToTheMatForAnyPrintSize)
{
    const uint8_t mount[3] = {240, 232, 216};
    const int sizes[][4] = {
        {0, 0, 30, 29}, {0, 0, 10, 10}, {1, 1, 12, 9},  {2, 3, 40, 40},   {3, 2, 5, 5},  {4, 4, 36, 36},
        {30, 30, 30, 30}, {31, 29, 30, 30}, {500, 500, 50, 40}, {5, 400, 60, 60}, {0, 0, 1, 1},
    };
    for (const auto& s : sizes) {
        SCOPED_TRACE(::testing::Message() << s[0] << "x" << s[1] << " on " << s[2] << "x" << s[3]);
        const CPlanes mat = Draw(s[0], s[1], s[2], s[3], mount, 0.3f, 0.6f, 0.9f);
        for (int k = 0; k < 3; ++k)
            for (float v : mat.c[k])
                EXPECT_TRUE(v == kUntouched || (v >= 0.0f && v <= 1.0f));
    }
    // An empty print centred on a 30 × 29 mat: band and print stay aligned.
    const CPlanes mat = Draw(0, 0, 30, 29, mount, 0.3f, 0.6f, 0.9f);
    // Print corner (15, 15), band origin (1, 1); with no print the right end
    // covers the whole top band.
    EXPECT_FLOAT_EQ(mat.At(0, 1, 1), tables.topA[0][37] * 0.3f);
    EXPECT_EQ(mat.At(0, 0, 0), kUntouched);
    EXPECT_EQ(mat.At(0, 1, 0), kUntouched);
    EXPECT_EQ(mat.At(0, 0, 1), kUntouched);
}

TEST_F(BevelBandTest, InvalidCoreColourNeverReachesTheMat)
{
    const uint8_t mount[3] = {240, 232, 216};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const CPlanes mat = Draw(40, 30, 100, 80, mount, nan, 2.0f, -1.0f);
    for (int k = 0; k < 3; ++k)
        for (float v : mat.c[k])
            EXPECT_TRUE(v == kUntouched || (v >= 0.0f && v <= 1.0f));
}

} // namespace
} // namespace framira::testing
