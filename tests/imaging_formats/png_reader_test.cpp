#include "format_readers.h"
#include "format_test_support.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <gtest/gtest.h>
#include <png.h>

namespace {
struct CPngRecipe {
    png_uint_32 width = 2;
    png_uint_32 height = 1;
    int depth = 8;
    int colourType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<png_color> palette;
    CBytes transparency;  // tRNS entries of a palette image
    CBytes rows;          // packed rows as PNG stores them (16-bit big-endian)
    bool withText = false;
};

// libpng's write path in one setjmp function with trivially destructible
// locals only.
bool WritePngFile(const char* path, const CPngRecipe* s)
{
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, s->width, s->height, s->depth, s->colourType,
                 s->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s->palette.empty())
        png_set_PLTE(png, info, s->palette.data(), static_cast<int>(s->palette.size()));
    if (!s->transparency.empty())
        png_set_tRNS(png, info, s->transparency.data(), static_cast<int>(s->transparency.size()), nullptr);
    if (s->withText) {
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_zTXt;
        text.key = const_cast<char*>("Comment");
        text.text = const_cast<char*>("a compressed comment the reader skips");
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    const std::size_t rowBytes = s->rows.size() / s->height;
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < s->height; ++y)
            png_write_row(png, s->rows.data() + y * rowBytes);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return true;
}

std::filesystem::path WritePng(const CScratchFolder& folder, const std::string& name, const CPngRecipe& s)
{
    const auto path = folder.path / name;
    EXPECT_TRUE(WritePngFile(path.c_str(), &s));
    return path;
}

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

TEST(PngReader, DamagedFilesFailWithoutPlanes)
{
    CScratchFolder folder;
    CPngRecipe s;
    s.width = 64;
    s.height = 64;
    for (int i = 0; i < 64 * 64 * 3; ++i)
        s.rows.push_back(static_cast<std::uint8_t>(i * 7));
    const auto path = WritePng(folder, "whole.png", s);
    CBytes bytes = folder.Read(path);
    CBytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
    ReadPngPath(folder.Write("cut.png", cut), kImageCannotOpen);
    CImage image;
    EXPECT_EQ(ReadPngBytes(cut, image), kImageCannotOpen);
    EXPECT_EQ(image.planes, 0);
    EXPECT_EQ(ReadPngBytes(bytes, image), kImageSuccess);
    EXPECT_EQ(image.planes, 3);

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
