// The generated button faces and the progress bar's pixels, checked against
// the numbers they are defined by.
#include "bevel_shades.h"
#include "button_faces.h"
#include "palette_dib.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

const CButtonSystemColours kColours = ClassicSystemColours();  // shadow 160, face 240, highlight 255
const CRgbColour kTint{200, 200, 255};

// A constant draw of 16380 makes every noise term 0 at amplitude 4
// (16380 / 4095 - 4), so pixels are exact while the formulas still see a = 4.
bool MakeQuietFaces(CButtonFaces& faces, int width, int height)
{
    return GenerateButtonFaces(faces, width, height, kFaceTextureShadedBevel, 4, 10, 20, kTint, kColours,
                               [] { return 16380; });
}

} // namespace

TEST(PaletteDib, HeaderStrideAndBottomUpRows)
{
    CPaletteDib dib;
    ASSERT_TRUE(dib.Create(5, 3, 8));
    const auto& block = dib.Block();
    EXPECT_EQ(dib.Stride(), 8);
    EXPECT_EQ(block.size(), 40u + 1024u + 8u * 3u);
    EXPECT_EQ(block[0], 40);
    EXPECT_EQ(block[4], 5);
    EXPECT_EQ(block[8], 3);
    EXPECT_EQ(block[14], 8);
    EXPECT_EQ(block[20], 24);
    dib.Row(0)[0] = 7;  // bottom row is the first stored
    EXPECT_EQ(block[40 + 1024], 7);
    EXPECT_EQ(dib.Row(3), nullptr);

    ASSERT_TRUE(dib.Create(33, 2, 1));
    EXPECT_EQ(dib.PaletteSize(), 2);
    EXPECT_EQ(dib.Stride(), 8);
    EXPECT_FALSE(dib.Create(0, 4, 8));
    EXPECT_FALSE(dib.Create(4, 4, 24));
    EXPECT_TRUE(dib.IsEmpty());
}

TEST(ButtonFaces, PaletteRampsFromShadowOverFaceToHighlightThenTints)
{
    CButtonFaces faces;
    ASSERT_TRUE(MakeQuietFaces(faces, 40, 20));
    struct Row {
        int index;
        CRgbColour normal;
        CRgbColour hover;
    };
    // Ramp 160 / 200 / 240 (128 is overwritten by the upper half: (255 + 127 x 240) / 128 = 240)
    // / 255, then (tint x 20 + c x 80) / 100, then hover (255 x 10 + c x 90) / 100.
    const Row rows[] = {
        {0, {168, 168, 179}, {176, 176, 186}},
        {64, {200, 200, 211}, {205, 205, 215}},
        {128, {232, 232, 243}, {234, 234, 244}},
        {255, {244, 244, 255}, {245, 245, 255}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(faces.normal.PaletteEntry(row.index), row.normal) << row.index;
        EXPECT_EQ(faces.hover.PaletteEntry(row.index), row.hover) << row.index;
    }
}

TEST(ButtonFaces, MiddleRowBevelsAndBottomRowShading)
{
    struct Case {
        int width;
        int bevel;       // E
        int firstRight;  // first column of the right bevel
    };
    for (const Case c : {Case{96, 16, 81}, Case{60, 10, 51}}) {
        CButtonFaces faces;
        ASSERT_TRUE(MakeQuietFaces(faces, c.width, 24));
        EXPECT_EQ(FaceBevelWidth(c.width), c.bevel);
        const std::uint8_t* middle = faces.normal.Row(12);
        const int plain = FaceShadingValue(12, 24, 4);
        for (int x = 0; x < c.width; ++x) {
            int expected = plain;
            if (x < c.bevel)
                expected = 251 - x * 128 / c.bevel;
            else if (x >= c.firstRight)
                expected = (c.width - x) * 128 / c.bevel + 4;
            EXPECT_EQ(middle[x], expected) << c.width << " x " << x;
        }
        // The bevels narrow to nothing at the bottom row: all of it is the shading.
        for (int x = 0; x < c.width; ++x)
            EXPECT_EQ(faces.normal.Row(0)[x], 11) << c.width << " x " << x;
    }
    EXPECT_EQ(FaceShadingValue(0, 24, 4), 11);
    EXPECT_EQ(FaceShadingValue(299, 300, 4), 245);
    EXPECT_EQ(FaceShadingValue(150, 300, 4), 128);
}

TEST(ButtonFaces, NoiseStaysWithinTheAmplitudeAndRepeats)
{
    CButtonFaces first;
    CButtonFaces second;
    CButtonFaces quiet;
    ASSERT_TRUE(GenerateButtonFaces(first, 50, 30, 7, 4, 10, 20, kTint, kColours));
    ASSERT_TRUE(GenerateButtonFaces(second, 50, 30, 7, 4, 10, 20, kTint, kColours));
    ASSERT_TRUE(MakeQuietFaces(quiet, 50, 30));
    EXPECT_EQ(first.normal.Block(), second.normal.Block());
    int lowest = 0;
    int highest = 0;
    for (int k = 0; k < 30; ++k)
        for (int x = 0; x < 50; ++x) {
            const int d = first.normal.Row(k)[x] - quiet.normal.Row(k)[x];
            lowest = std::min(lowest, d);
            highest = std::max(highest, d);
        }
    // Two draws of -4 to +4 per pixel.
    EXPECT_GE(lowest, -8);
    EXPECT_LT(lowest, -4);
    EXPECT_LE(highest, 8);
    EXPECT_GT(highest, 2);
}

TEST(ButtonFaces, DegenerateRequestsNeitherCrashNorDivideByZero)
{
    CButtonFaces faces;
    EXPECT_FALSE(GenerateButtonFaces(faces, 40, 20, 3, 4, 10, 20, kTint, kColours));
    EXPECT_TRUE(faces.normal.IsEmpty());
    EXPECT_FALSE(GenerateButtonFaces(faces, 0, 20, 7, 4, 10, 20, kTint, kColours));
    EXPECT_TRUE(GenerateButtonFaces(faces, 5, 1, 7, 4, 10, 20, kTint, kColours));  // E = 0, H x H / 4 = 0
    EXPECT_TRUE(GenerateButtonFaces(faces, 40, 20, 7, 0, 10, 20, kTint, kColours));  // no noise
    EXPECT_EQ(faces.normal.Row(0)[20], FaceShadingValue(0, 20, 0));
}

TEST(BevelShades, LighterAndDarkerKeepChannelsAtTheirLimits)
{
    const CBevelShades shades = ComputeBevelShades({220, 40, 100}, {105, 105, 105}, {160, 160, 160});
    EXPECT_EQ(shades.lighter1, (CRgbColour{220, 91, 151}));
    EXPECT_EQ(shades.lighter3, (CRgbColour{220, 193, 253}));
    EXPECT_EQ(shades.darker, (CRgbColour{169, 40, 49}));
    EXPECT_EQ(shades.middle, (CRgbColour{132, 132, 132}));  // 160 + floor(-55 / 2)
}

TEST(BevelShades, BarPixelsFollowThePosition)
{
    const CBevelShades shades = ComputeBevelShades({75, 142, 168}, {105, 105, 105}, {160, 160, 160});
    // At the lower bound, and below it or with an empty range: only the background.
    for (const int position : {0, -1}) {
        const CBevelBarPixels bar = RenderBevelBar(100, 16, position, 0, 100, shades);
        for (const CRgbColour& pixel : bar.pixels)
            ASSERT_EQ(pixel, kBevelBarBackground);
    }
    EXPECT_EQ(BevelBarEnd(5, 3, 3, 100), 0);
    EXPECT_EQ(BevelBarEnd(1, 0, 3, 100), 33);
    EXPECT_EQ(BevelBarEnd(200, 0, 100, 100), 100);

    const CBevelBarPixels bar = RenderBevelBar(100, 16, 40, 0, 100, shades);
    EXPECT_EQ(bar.At(0, 8), shades.base);       // left edge
    EXPECT_EQ(bar.At(1, 15), shades.darker);    // bottom-left pixel
    EXPECT_EQ(bar.At(20, 12), shades.lighter1);  // line at d - 4
    EXPECT_EQ(bar.At(20, 13), shades.base);     // line at d - 3
    EXPECT_EQ(bar.At(20, 8), shades.lighter3);  // fill
    EXPECT_EQ(bar.At(37, 8), shades.lighter2);  // right side of the inner frame at c - 3
    EXPECT_EQ(bar.At(40, 8), shades.middle);
    EXPECT_EQ(bar.At(41, 8), shades.shadow);
    EXPECT_EQ(bar.At(42, 8), kBevelBarBackground);
    EXPECT_EQ(bar.At(40, 0), shades.middle);    // D's top line stops short of c
    EXPECT_EQ(bar.At(39, 15), shades.darker);
}
