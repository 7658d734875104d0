// Fitting pictures into boxes, packing them as DIBs, finding a colour key's
// runs.

#include "bitmap_display.h"
#include "palette_dib.h"
#include "qt_image.h"
#include "skin_bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(FitScale, Examples)
{
    struct CCase {
        int w, h, boxW, boxH;
        float scale;
        int width, height, x, y;
    };
    const CCase cases[] = {
        {1000, 500, 742, 373, 0.742f, 742, 371, 0, 1},
        {2000, 3000, 742, 373, 373.0f / 3000.0f, 249, 373, 246, 0},
        {100, 50, 0, 373, 1.0f, 100, 50, -50, 161},  // a box without area keeps the scale 1
        {0, 50, 742, 373, 7.46f, 0, 373, 371, 0},  // a picture 0 wide divides by 1
    };
    for (const CCase& c : cases) {
        const CFit fit = FitScale(c.w, c.h, c.boxW, c.boxH);
        EXPECT_FLOAT_EQ(fit.scale, c.scale) << c.w << "x" << c.h;
        EXPECT_EQ(fit.width, c.width);
        EXPECT_EQ(fit.height, c.height);
        EXPECT_EQ(fit.offsetX, c.x);
        EXPECT_EQ(fit.offsetY, c.y);
    }
}

TEST(ImageToDib, GreyThroughThePaletteWordsByTheirHighByteRowsBottomUp)
{
    CImage grey(3, 2, 1, kSampleByte);
    grey.plane[0][0] = 128;  // top-left
    grey.plane[0][3] = 7;    // bottom-left
    const std::vector<std::uint8_t> dib = ImageToDib(grey);
    ASSERT_EQ(dib.size(), 40u + 1024u + 4u * 2u);
    EXPECT_EQ(dib[14], 8);
    EXPECT_EQ(dib[40 + 4 * 128], 128);
    EXPECT_EQ(dib[40 + 4 * 128 + 3], 128);
    EXPECT_EQ(dib[1064], 7) << "the bottom row comes first";
    EXPECT_EQ(dib[1068], 128);

    CImage words(742, 1, 3, kSampleWord);
    std::uint16_t* red = nullptr;
    words.GetPlane(&red, 0);
    red[0] = 0xAB12;
    const std::vector<std::uint8_t> wide = ImageToDib(words);
    EXPECT_EQ(wide.size(), 40u + 2228u) << "3 × 742 rounded up to a multiple of 4";
    EXPECT_EQ(wide[14], 24);
    EXPECT_EQ(wide[40 + 2], 0xAB) << "red is the third byte, and shows its high byte";

    EXPECT_TRUE(ImageToDib(CImage()).empty());
    const QImage shown = ImageToQImage(grey);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(128, 128, 128));
}

TEST(DibToQImage, RowsPalettesAndChannelsReadOneWay)
{
    // A 3 x 2 palette face: top-left entry 7, bottom-left entry 9.
    CPaletteDib face;
    ASSERT_TRUE(face.Create(3, 2, 8));
    face.SetPaletteEntry(7, 10, 20, 30);
    face.SetPaletteEntry(9, 200, 100, 50);
    face.Row(1)[0] = 7;  // stored row 1 is the top row
    face.Row(0)[0] = 9;
    // A 3 x 2 picture: odd width, so its 24-bit rows carry padding.
    CImage picture(3, 2, 3, kSampleByte);
    const std::uint8_t topRight[3] = {1, 2, 3}, bottomRight[3] = {250, 128, 0};
    for (int p = 0; p < 3; ++p) {
        picture.plane[p][2] = topRight[p];
        picture.plane[p][5] = bottomRight[p];
    }
    const std::vector<std::uint8_t> packed = ImageToDib(picture);
    CPaletteDib fourBits;
    ASSERT_TRUE(fourBits.Create(4, 4, 4));

    struct {
        const char* what;
        std::vector<std::uint8_t> dib;
        QPoint at, other;
        QRgb colour, otherColour;
    } const shown[] = {
        {"8-bit through the palette", face.Block(), {0, 0}, {0, 1}, qRgb(10, 20, 30), qRgb(200, 100, 50)},
        {"24-bit, padded rows", packed, {2, 0}, {2, 1}, qRgb(1, 2, 3), qRgb(250, 128, 0)},
    };
    for (const auto& c : shown) {
        const QImage image = DibToQImage(c.dib);
        ASSERT_FALSE(image.isNull()) << c.what;
        EXPECT_EQ(image.size(), QSize(3, 2)) << c.what;
        EXPECT_EQ(image.pixel(c.at), c.colour) << c.what << ": the top row comes first";
        EXPECT_EQ(image.pixel(c.other), c.otherColour) << c.what;
    }

    std::vector<std::uint8_t> cut = packed;
    cut.resize(cut.size() - 1);
    std::vector<std::uint8_t> topDown = packed;
    topDown[11] = 0xFF;  // a negative height
    const std::pair<const char*, std::vector<std::uint8_t>> refused[] = {
        {"empty", {}},
        {"header only", std::vector<std::uint8_t>(packed.begin(), packed.begin() + 40)},
        {"last row cut short", cut},
        {"top-down", topDown},
        {"4 bits per pixel", fourBits.Block()},
    };
    for (const auto& [what, dib] : refused)
        EXPECT_TRUE(DibToQImage(dib).isNull()) << what;
}

TEST(ColorKeyRuns, RunsCloseAtTheRowsEnd)
{
    const std::uint32_t k = 0xFFFF00FF, o = 0xFF102030;
    const std::uint32_t pixels[] = {o, k, k, o, k, k,   // a run inside, a run to the edge
                                    o, o, o, o, o, o};  // none
    const std::vector<CKeyRun> runs = FindColorKeyRuns(pixels, 6, 2, 0xFF00FF);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].left, 1);
    EXPECT_EQ(runs[0].right, 3);
    EXPECT_EQ(runs[1].left, 4);
    EXPECT_EQ(runs[1].right, 6);
    EXPECT_TRUE(FindColorKeyRuns(pixels, 6, 2, 0x123456).empty());

    QImage skin(6, 2, QImage::Format_RGB32);
    std::memcpy(skin.bits(), pixels, sizeof pixels);
    const std::optional<QRegion> region = CSkinBitmap(skin).RegionFromColorKey(kKeyFromTopLeft);
    ASSERT_TRUE(region);
    EXPECT_EQ(*region, QRegion(1, 0, 2, 1) + QRegion(4, 0, 2, 1)) << "the top-left pixel's colour is the key";
}
