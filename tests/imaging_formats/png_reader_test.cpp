#include "format_readers.h"
#include "format_writers.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <gtest/gtest.h>
#include <png.h>

namespace {
CImage ReadPngPath(const std::filesystem::path& path, int expected = kImageSuccess)
{
    CImage image;
    EXPECT_EQ(ReadPngFile(path, image), expected);
    EXPECT_EQ(image.planes != 0, expected == kImageSuccess);
    return image;
}
} // namespace

TEST(PngReader, PaletteWithTransparencyGainsAlphaPlane)
{
    CScratchFolder folder;
    CPngRecipe s;
    s.width = 3;
    s.colourType = PNG_COLOR_TYPE_PALETTE;
    s.palette = {{255, 0, 0}, {0, 0, 255}, {1, 2, 3}};
    s.transparency = {0, 128};
    s.rows = {0, 1, 2};
    const auto path = WritePng(folder, "palette.png", s);
    const CImage image = ReadPngPath(path);
    ASSERT_EQ(image.planes, 4);
    const int expected[3][4] = {{255, 0, 0, 0}, {0, 0, 255, 128}, {1, 2, 3, 255}};
    for (int x = 0; x < 3; ++x)
        for (int p = 0; p < 4; ++p)
            EXPECT_EQ(Sample8(image, p, x, 0), expected[x][p]) << x << "," << p;
    // Before any expansion the file has one channel.
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(ReadPngInfo(path, cols, rows, planes), kImageSuccess);
    EXPECT_EQ(cols, 3);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(planes, 1);

    s.transparency.clear();
    const CImage opaque = ReadPngPath(WritePng(folder, "opaque.png", s));
    EXPECT_EQ(opaque.planes, 3);
}

TEST(PngReader, SmallGreyDepthsScaleToFullRange)
{
    CScratchFolder folder;
    CPngRecipe s;
    s.width = 4;
    s.depth = 2;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.rows = {0b00011011};
    const CImage image = ReadPngPath(WritePng(folder, "grey2.png", s));
    ASSERT_EQ(image.planes, 1);
    EXPECT_EQ(image.sampleType, kSampleByte);
    const int expected[4] = {0, 85, 170, 255};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(Sample8(image, 0, x, 0), expected[x]);
}

TEST(PngReader, SixteenBitSamplesInHostOrderAlphaLast)
{
    CScratchFolder folder;
    CPngRecipe s;
    s.depth = 16;
    s.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.rows = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0, 1, 0, 2, 0, 3, 0, 4};
    const CImage image = ReadPngPath(WritePng(folder, "rgba16.png", s));
    ASSERT_EQ(image.planes, 4);
    EXPECT_EQ(image.sampleType, kSampleWord);
    EXPECT_EQ(Sample16(image, 0, 0, 0), 0x1234);
    EXPECT_EQ(Sample16(image, 3, 0, 0), 0xDEF0);
    EXPECT_EQ(Sample16(image, 3, 1, 0), 4);

    CPngRecipe ga;
    ga.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    ga.rows = {10, 20, 30, 40};
    const CImage greyAlpha = ReadPngPath(WritePng(folder, "ga.png", ga));
    ASSERT_EQ(greyAlpha.planes, 2);
    EXPECT_EQ(Sample8(greyAlpha, 0, 1, 0), 30);
    EXPECT_EQ(Sample8(greyAlpha, 1, 1, 0), 40);
}

TEST(PngReader, InterlacedFilesComeOutInDisplayOrder)
{
    CScratchFolder folder;
    CPngRecipe s;
    s.width = 9;
    s.height = 11;
    s.interlaced = true;
    for (png_uint_32 y = 0; y < s.height; ++y)
        for (png_uint_32 x = 0; x < s.width; ++x)
            for (int p = 0; p < 3; ++p)
                s.rows.push_back(static_cast<std::uint8_t>(x * 20 + y * 3 + static_cast<unsigned>(p)));
    const CImage image = ReadPngPath(WritePng(folder, "adam7.png", s));
    ASSERT_EQ(image.rows, 11);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(Sample8(image, 2, x, y), x * 20 + y * 3 + 2) << x << "," << y;
}

TEST(PngReader, CutFilesKeepTheirRowsAndJunkFails)
{
    CScratchFolder folder;
    CPngRecipe s;
    s.width = 64;
    s.height = 64;
    // Samples that do not compress, so that half the file is half the rows.
    const auto sample = [](unsigned i) {
        std::uint32_t x = i * 0x9E3779B1u;
        x = (x ^ (x >> 15)) * 0x85EBCA77u;
        return static_cast<std::uint8_t>((x ^ (x >> 13)) >> 24);
    };
    for (unsigned i = 0; i < 64 * 64 * 3; ++i)
        s.rows.push_back(sample(i));
    const auto path = WritePng(folder, "whole.png", s);
    CBytes bytes = folder.Read(path);
    CBytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
    const CImage fromFile = ReadPngPath(folder.Write("cut.png", cut));
    EXPECT_EQ(fromFile.damage, "data ends early");
    EXPECT_EQ(Sample8(fromFile, 1, 5, 3), sample(3 * 64 * 3 + 5 * 3 + 1));
    EXPECT_EQ(Sample8(fromFile, 1, 5, 63), 0);
    CImage image;
    EXPECT_EQ(ReadPngBytes(cut, image), kImageSuccess);
    EXPECT_EQ(image.damage, "data ends early");
    EXPECT_EQ(ReadPngBytes(bytes, image), kImageSuccess);
    EXPECT_EQ(image.planes, 3);
    EXPECT_EQ(image.damage, "");

    // A header claiming a huge picture over a few bytes of data.
    CPngRecipe tiny;
    tiny.width = 1;
    tiny.height = 1;
    tiny.rows = {1, 2, 3};
    CBytes big = folder.Read(WritePng(folder, "tiny.png", tiny));
    // IHDR width and height at bytes 16..23; the CRC no longer matches, so
    // libpng refuses it one way or another, before allocating rows.
    big[16] = 0x00; big[17] = 0x00; big[18] = 0x7F; big[19] = 0xFF;
    big[20] = 0x00; big[21] = 0x00; big[22] = 0x7F; big[23] = 0xFF;
    EXPECT_NE(ReadPngBytes(big, image), kImageSuccess);
    EXPECT_EQ(image.planes, 0);

    ReadPngPath(folder.path / "missing.png", kImageCannotOpen);
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(ReadPngInfo(folder.Write("junk.png", CBytes{0x89, 'P', 'N', 'G'}), cols, rows, planes), kImageCannotOpen);
    EXPECT_EQ(ReadPngInfoBytes(bytes, cols, rows, planes), kImageSuccess);
    EXPECT_EQ(cols, 64);
    EXPECT_EQ(planes, 3);
}

TEST(PngReader, DetectedByContentWhateverTheName)
{
    CScratchFolder folder;
    CPngRecipe s;
    s.rows = {1, 2, 3, 4, 5, 6};
    const auto path = folder.path / "looks_like.jpg";
    std::filesystem::rename(WritePng(folder, "x.png", s), path);
    const CImage image(path, 0);
    ASSERT_EQ(image.planes, 3);
    EXPECT_EQ(Sample8(image, 2, 1, 0), 6);
}

TEST(PngReader, SkipsTextChunksEvenWithForgedLengths)
{
    CScratchFolder folder;
    CPngRecipe s;
    s.rows = {1, 2, 3, 4, 5, 6};
    s.withText = true;
    const auto path = WritePng(folder, "text.png", s);
    const CImage image = ReadPngPath(path);
    EXPECT_EQ(Sample8(image, 1, 1, 0), 5);

    // A text chunk whose length claims 600 MB: a plain failure, with no
    // buffer of that size behind it.
    CBytes bytes = folder.Read(path);
    const std::string tag = "zTXt";
    const auto at = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
    ASSERT_NE(at, bytes.end());
    const auto length = at - 4;
    length[0] = 0x24;
    length[1] = 0;
    length[2] = 0;
    length[3] = 0;
    CImage forged;
    EXPECT_EQ(ReadPngBytes(bytes, forged), kImageCannotOpen);
    EXPECT_EQ(forged.planes, 0);
}
