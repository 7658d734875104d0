// CImage::Resize: sizes, nearest, bilinear and bicubic values, sample types.
#include <limits>

#include <gtest/gtest.h>

#include "image.h"

namespace {
CImage Bytes2(int cols, int rows, std::initializer_list<int> values)
{
    CImage image(cols, rows, 1, kSampleByte);
    int i = 0;
    for (int v : values)
        image.plane[0][i++] = static_cast<uint8_t>(v);
    return image;
}
} // namespace

TEST(ResizeSize, RoundsHalfUpAndRefusesNothing)
{
    CImage image(101, 51, 3, kSampleByte);
    auto half = image.Resize(0.5f, 0.5f, kResizeBilinear);
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->cols, 51);
    EXPECT_EQ(half->rows, 26);
    EXPECT_EQ(half->planes, 3);

    CImage square(100, 100, 1, kSampleByte);
    EXPECT_EQ(square.Resize(0.001f, 0.001f, kResizeNearest), nullptr);
    EXPECT_EQ(square.Resize(-1.0f, 1.0f, kResizeNearest), nullptr);
    EXPECT_EQ(square.Resize(1.0f, 0.0f, kResizeNearest), nullptr);
    EXPECT_EQ(square.Resize(std::numeric_limits<float>::quiet_NaN(), 1.0f, kResizeNearest), nullptr);
    EXPECT_EQ(square.Resize(1e30f, 1.0f, kResizeNearest), nullptr);
    EXPECT_EQ(CImage().Resize(1.0f, 1.0f, kResizeNearest), nullptr);
}

TEST(ResizeSize, KeepsTypeAndDisplayRangeOnly)
{
    CImage image(10, 10, 2, kSampleWord);
    image.displayMin = -1.0f;
    image.displayMax = 3.0f;
    image.resolution = 300;
    image.quality = 12;
    auto out = image.Resize(2.0f, 2.0f, kResizeBilinear);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->sampleType, kSampleWord);
    EXPECT_EQ(out->planes, 2);
    EXPECT_FLOAT_EQ(out->displayMin, -1.0f);
    EXPECT_FLOAT_EQ(out->displayMax, 3.0f);
    EXPECT_EQ(out->resolution, 0);
    EXPECT_EQ(out->quality, 75);
}

TEST(ResizeNearest, PicksTruncatedSourceCoordinate)
{
    CImage image = Bytes2(3, 1, {10, 20, 30});
    auto out = image.Resize(2.0f, 1.0f, kResizeNearest);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->cols, 6);
    const int expected[] = {10, 10, 20, 20, 30, 30};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(out->plane[0][x], expected[x]);
}

TEST(ResizeBilinear, LastRowAndColumnAreNotInterpolated)
{
    CImage image = Bytes2(2, 1, {0, 100});
    auto out = image.Resize(2.0f, 2.0f, kResizeBilinear);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->cols, 4);
    const int expected[] = {0, 0, 100, 100};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(out->plane[0][x], expected[x]) << x;
}

TEST(ResizeBilinear, InteriorInterpolatesAndTruncates)
{
    CImage image = Bytes2(2, 2, {0, 100, 0, 100});
    auto out = image.Resize(2.0f, 2.0f, kResizeBilinear);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->plane[0][1], 50);  // 50.5 truncated
    EXPECT_EQ(out->plane[0][0], 0);
}

TEST(ResizeBilinear, WordsAndFloats)
{
    CImage words(2, 2, 1, kSampleWord);
    auto* w = reinterpret_cast<uint16_t*>(words.plane[0]);
    w[0] = 0;
    w[1] = 60000;
    w[2] = 0;
    w[3] = 60000;
    auto outWords = words.Resize(2.0f, 2.0f, kResizeBilinear);
    ASSERT_NE(outWords, nullptr);
    EXPECT_EQ(reinterpret_cast<uint16_t*>(outWords->plane[0])[1], 30000);

    CImage floats(2, 2, 1, kSampleFloat);
    auto* f = reinterpret_cast<float*>(floats.plane[0]);
    f[0] = 0.0f;
    f[1] = 1.0f;
    f[2] = 0.0f;
    f[3] = 1.0f;
    auto outFloats = floats.Resize(2.0f, 2.0f, kResizeBilinear);
    ASSERT_NE(outFloats, nullptr);
    EXPECT_FLOAT_EQ(reinterpret_cast<float*>(outFloats->plane[0])[1], 0.5f);
}

TEST(ResizeBicubic, ConstantStaysConstant)
{
    for (int type : {kSampleByte, kSampleWord, kSampleFloat}) {
        CImage image(7, 5, 3, type);
        for (int p = 0; p < 3; ++p)
            for (int i = 0; i < 35; ++i) {
                if (type == kSampleByte)
                    image.plane[p][i] = 77;
                else if (type == kSampleWord)
                    reinterpret_cast<uint16_t*>(image.plane[p])[i] = 4321;
                else
                    reinterpret_cast<float*>(image.plane[p])[i] = 0.25f;
            }
        auto out = image.Resize(1.7f, 0.6f, kResizeBicubic);
        ASSERT_NE(out, nullptr);
        const size_t n = out->PixelCount();
        for (int p = 0; p < 3; ++p)
            for (size_t i = 0; i < n; ++i) {
                if (type == kSampleByte)
                    ASSERT_EQ(out->plane[p][i], 77);
                else if (type == kSampleWord)
                    ASSERT_EQ(reinterpret_cast<uint16_t*>(out->plane[p])[i], 4321);
                else
                    ASSERT_FLOAT_EQ(reinterpret_cast<float*>(out->plane[p])[i], 0.25f);
            }
    }
}

TEST(ResizeBicubic, HitsSamplesAndInterpolatesCatmullRom)
{
    // A ramp 0, 10, 20, ... is reproduced exactly by Catmull-Rom between
    // interior samples, and at integer positions the sample itself comes out.
    CImage ramp(8, 1, 1, kSampleFloat);
    auto* r = reinterpret_cast<float*>(ramp.plane[0]);
    for (int i = 0; i < 8; ++i)
        r[i] = static_cast<float>(i * 10);
    auto out = ramp.Resize(2.0f, 1.0f, kResizeBicubic);
    ASSERT_NE(out, nullptr);
    const float* o = reinterpret_cast<float*>(out->plane[0]);
    EXPECT_FLOAT_EQ(o[4], 20.0f);
    EXPECT_FLOAT_EQ(o[5], 25.0f);
    EXPECT_FLOAT_EQ(o[9], 45.0f);
    // 8-bit results clamp without a rounding term: an overshooting edge.
    CImage edge = Bytes2(4, 1, {0, 0, 255, 255});
    auto e = edge.Resize(2.0f, 1.0f, kResizeBicubic);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->plane[0][3], 127);  // half-way: 127.5 truncated
    EXPECT_EQ(e->plane[0][6], 255);
}

TEST(ResizeModes, UnknownModeGivesSizedImage)
{
    CImage image(4, 4, 1, kSampleByte);
    auto out = image.Resize(2.0f, 2.0f, 9);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->cols, 8);
    EXPECT_EQ(out->planes, 1);
}

TEST(ResizeModes, ShrinkAndGrowStayInsideTheSource)
{
    // Odd factors on odd sizes: every computed coordinate must stay inside
    // the source (ASan watches the reads).
    CImage image(13, 7, 3, kSampleByte);
    for (float s : {0.37f, 0.5f, 0.999f, 1.0f, 1.001f, 2.5f, 7.3f})
        for (int mode : {kResizeNearest, kResizeBilinear, kResizeBicubic}) {
            auto out = image.Resize(s, s * 1.3f, mode);
            ASSERT_NE(out, nullptr) << s;
        }
}
