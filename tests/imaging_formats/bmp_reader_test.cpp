#include "format_readers.h"
#include "format_writers.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {
CImage Read(const CBytes& bytes, int expected = kImageSuccess)
{
    CImage image;
    EXPECT_EQ(ReadBitmapBytes(bytes, image), expected);
    if (expected != kImageSuccess) {
        EXPECT_EQ(image.planes, 0);
    }
    return image;
}

void ExpectRgb(const CImage& image, int col, int row, int r, int g, int b)
{
    EXPECT_EQ(Sample8(image, 0, col, row), r) << col << "," << row;
    EXPECT_EQ(Sample8(image, 1, col, row), g) << col << "," << row;
    EXPECT_EQ(Sample8(image, 2, col, row), b) << col << "," << row;
}
} // namespace

TEST(BitmapReader, Reads24BitRowsBottomUpWithPadding)
{
    CBitmapRecipe s;
    s.width = 3;
    s.height = 2;
    // Rows of 9 data bytes and 3 padding bytes; the first file row is the
    // bottom image row.
    s.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xAA, 0xAA, 0xAA,
                11, 12, 13, 14, 15, 16, 17, 18, 19, 0xBB, 0xBB, 0xBB};
    const CImage image = Read(MakeBitmap(s));
    ASSERT_EQ(image.planes, 3);
    EXPECT_EQ(image.cols, 3);
    EXPECT_EQ(image.rows, 2);
    EXPECT_EQ(image.sampleType, kSampleByte);
    ExpectRgb(image, 0, 1, 3, 2, 1);
    ExpectRgb(image, 2, 1, 9, 8, 7);
    ExpectRgb(image, 0, 0, 13, 12, 11);
    ExpectRgb(image, 2, 0, 19, 18, 17);
}

TEST(BitmapReader, TopDownBitmapKeepsFirstFileRowOnTop)
{
    CBitmapRecipe s;
    s.width = 1;
    s.height = -2;
    s.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    const CImage image = Read(MakeBitmap(s));
    ASSERT_EQ(image.rows, 2);
    ExpectRgb(image, 0, 0, 3, 2, 1);
    ExpectRgb(image, 0, 1, 6, 5, 4);
}

TEST(BitmapReader, Reads48BitRowsOf20Bytes)
{
    CBitmapRecipe s;
    s.width = 3;
    s.height = 1;
    s.bits = 48;
    for (unsigned i = 0; i < 9; ++i)
        PutU16LE(s.pixels, 0x1000 * (i + 1) + i);
    PutU16LE(s.pixels, 0xFFFF);  // 2 padding bytes
    const CImage image = Read(MakeBitmap(s));
    ASSERT_EQ(image.sampleType, kSampleWord);
    // Stored blue, green, red.
    EXPECT_EQ(Sample16(image, 2, 0, 0), 0x1000);
    EXPECT_EQ(Sample16(image, 1, 0, 0), 0x2001);
    EXPECT_EQ(Sample16(image, 0, 0, 0), 0x3002);
    EXPECT_EQ(Sample16(image, 0, 2, 0), 0x9008);
}

TEST(BitmapReader, Reads96BitFloatRows)
{
    CBitmapRecipe s;
    s.bits = 96;
    for (float v : {0.25f, 0.5f, 0.75f}) {
        std::uint8_t raw[4];
        std::memcpy(raw, &v, 4);
        s.pixels.insert(s.pixels.end(), raw, raw + 4);
    }
    const CImage image = Read(MakeBitmap(s));
    ASSERT_EQ(image.sampleType, kSampleFloat);
    EXPECT_EQ(SampleFloat(image, 2, 0, 0), 0.25f);
    EXPECT_EQ(SampleFloat(image, 0, 0, 0), 0.75f);
}

TEST(BitmapReader, PaletteDepthsUnpackMostSignificantFirst)
{
    CBitmapRecipe s;
    s.bits = 1;
    s.width = 10;
    s.palette = {0, 0, 0, 0, 10, 20, 30, 0};
    s.pixels = {0b10100000, 0b01000000, 0, 0};
    CImage image = Read(MakeBitmap(s));
    ASSERT_EQ(image.planes, 3);
    ExpectRgb(image, 0, 0, 30, 20, 10);
    ExpectRgb(image, 1, 0, 0, 0, 0);
    ExpectRgb(image, 2, 0, 30, 20, 10);
    ExpectRgb(image, 9, 0, 30, 20, 10);

    s.bits = 4;
    s.width = 3;
    s.palette.assign(16 * 4, 0);
    s.palette[4 * 15 + 2] = 200;  // entry 15 red
    s.palette[4 * 1 + 0] = 100;   // entry 1 blue
    s.pixels = {0xF1, 0x10, 0, 0};
    image = Read(MakeBitmap(s));
    ExpectRgb(image, 0, 0, 200, 0, 0);
    ExpectRgb(image, 1, 0, 0, 0, 100);
    ExpectRgb(image, 2, 0, 0, 0, 100);
}

TEST(BitmapReader, PaletteFollowsLongerHeaders)
{
    for (std::uint32_t headerSize : {40u, 108u, 124u}) {
        CBitmapRecipe s;
        s.bits = 8;
        s.width = 2;
        s.headerSize = headerSize;
        s.palette.assign(256 * 4, 0);
        s.palette[4 * 7 + 0] = 1;
        s.palette[4 * 7 + 1] = 2;
        s.palette[4 * 7 + 2] = 3;
        s.pixels = {7, 0, 0, 0};
        const CImage image = Read(MakeBitmap(s));
        ASSERT_EQ(image.planes, 3) << headerSize;
        ExpectRgb(image, 0, 0, 3, 2, 1);
        ExpectRgb(image, 1, 0, 0, 0, 0);
    }
}

TEST(BitmapReader, Reads16Bit555And32BitPixels)
{
    CBitmapRecipe s;
    s.bits = 16;
    s.width = 2;
    PutU16LE(s.pixels, (31u << 10) | (16u << 5) | 1u);
    PutU16LE(s.pixels, 0x7FFF);
    CImage image = Read(MakeBitmap(s));
    ExpectRgb(image, 0, 0, 255, 132, 8);
    ExpectRgb(image, 1, 0, 255, 255, 255);

    s.bits = 32;
    s.pixels = {1, 2, 3, 99, 4, 5, 6, 99};
    image = Read(MakeBitmap(s));
    ExpectRgb(image, 0, 0, 3, 2, 1);
    ExpectRgb(image, 1, 0, 6, 5, 4);
}

TEST(BitmapReader, ResolutionFromPixelsPerMetre)
{
    CBitmapRecipe s;
    s.xPelsPerMeter = 2835;
    s.pixels = {0, 0, 0, 0};
    EXPECT_EQ(Read(MakeBitmap(s)).resolution, 72);
    s.xPelsPerMeter = 0xFFFFFFFFu;  // taken as unsigned
    EXPECT_EQ(Read(MakeBitmap(s)).resolution, 109092169);
}

TEST(BitmapReader, RefusesWhatItDoesNotDecode)
{
    CBitmapRecipe s;
    s.pixels = {0, 0, 0, 0};
    s.compression = 1;  // RLE
    Read(MakeBitmap(s), kImageCannotOpen);
    s.compression = 0;
    for (int bits : {0, 3, 7, 64}) {
        s.bits = bits;
        Read(MakeBitmap(s), kImageCannotOpen);
    }
    s.bits = 24;
    s.headerSize = 12;  // OS/2 core header
    s.pixels.assign(64, 0);
    Read(MakeBitmap(s), kImageCannotOpen);

    CBytes wrong = MakeBitmap(CBitmapRecipe{});
    wrong[1] = 'A';
    Read(wrong, kImageBadArgument);
}

TEST(BitmapReader, RefusesImpossibleSizesBeforeAllocating)
{
    for (auto [w, h] : {std::pair{0, 1}, {-4, 1}, {1, 0}, {1, INT32_MIN}, {0x7FFFFFFF, 0x7FFFFFFF}, {60000, 60000}}) {
        CBitmapRecipe s;
        s.width = w;
        s.height = h;
        s.pixels = {0, 0, 0, 0};
        Read(MakeBitmap(s), kImageBadArgument);
    }
    // A header cut short.
    CBytes bytes = MakeBitmap(CBitmapRecipe{});
    bytes.resize(30);
    Read(bytes, kImageBadArgument);
}

TEST(BitmapReader, ShortFileLeavesMissingSamplesAtZero)
{
    CBitmapRecipe s;
    s.width = 2;
    s.height = 3;
    s.pixels.assign(3 * 8, 0x7F);
    CBytes bytes = MakeBitmap(s);
    bytes.resize(bytes.size() - 8 - 5);  // the top row entirely, one pixel of the middle row
    const CImage image = Read(bytes);
    ExpectRgb(image, 0, 2, 0x7F, 0x7F, 0x7F);
    ExpectRgb(image, 1, 2, 0x7F, 0x7F, 0x7F);
    ExpectRgb(image, 0, 1, 0x7F, 0x7F, 0x7F);
    ExpectRgb(image, 1, 1, 0, 0, 0);
    ExpectRgb(image, 0, 0, 0, 0, 0);
    ExpectRgb(image, 1, 0, 0, 0, 0);
}

TEST(BitmapReader, InfoAndFileEntries)
{
    CScratchFolder folder;
    CBitmapRecipe s;
    s.width = 5;
    s.height = -7;
    s.pixels.assign(16 * 7, 1);
    const auto path = folder.Write("picture.jpg", MakeBitmap(s));
    int cols = -1, rows = -1, planes = -1;
    EXPECT_EQ(ReadBitmapInfo(path, cols, rows, planes), kImageSuccess);
    EXPECT_EQ(cols, 5);
    EXPECT_EQ(rows, 7);
    EXPECT_EQ(planes, 3);

    const CImage image(path, 0);
    EXPECT_EQ(image.planes, 3);
    EXPECT_EQ(Sample8(image, 1, 4, 6), 1);

    EXPECT_EQ(ReadBitmapInfo(folder.path / "missing.bmp", cols, rows, planes), kImageCannotOpen);
    EXPECT_EQ(cols, 0);
    CImage missing;
    EXPECT_EQ(ReadBitmapFile(folder.path / "missing.bmp", missing), kImageCannotOpen);
    EXPECT_EQ(missing.planes, 0);
}

TEST(BitmapReader, DecodesBitFieldMasks)
{
    // 5-6-5 masks after a 40-byte header, where a palette would be.
    CBitmapRecipe s;
    s.bits = 16;
    s.width = 2;
    s.compression = 3;
    PutU32LE(s.palette, 0xF800);
    PutU32LE(s.palette, 0x07E0);
    PutU32LE(s.palette, 0x001F);
    PutU16LE(s.pixels, (31u << 11) | (32u << 5) | 0u);
    PutU16LE(s.pixels, (1u << 11) | (63u << 5) | 16u);
    CImage image = Read(MakeBitmap(s));
    ExpectRgb(image, 0, 0, 255, 130, 0);
    ExpectRgb(image, 1, 0, 8, 255, 132);

    // 32-bit masks inside a 124-byte header, in an unusual order.
    CBitmapRecipe v5;
    v5.bits = 32;
    v5.width = 1;
    v5.compression = 3;
    v5.headerSize = 124;
    v5.pixels = {0x11, 0x22, 0x33, 0x44};
    CBytes bytes = MakeBitmap(v5);
    CBytes masks;
    PutU32LE(masks, 0x000000FF);  // red in the first byte
    PutU32LE(masks, 0xFF000000);  // green in the last
    PutU32LE(masks, 0x0000FF00);
    PutU32LE(masks, 0);  // no alpha mask: the third byte is unused
    std::copy(masks.begin(), masks.end(), bytes.begin() + 54);
    image = Read(bytes);
    EXPECT_EQ(image.planes, 3);
    ExpectRgb(image, 0, 0, 0x11, 0x44, 0x22);
    // An alpha mask makes an alpha plane, in headers of 56 bytes and more.
    for (const std::uint32_t headerSize : {56u, 124u}) {
        CBitmapRecipe alpha = v5;
        alpha.headerSize = headerSize;
        CBytes withAlpha = MakeBitmap(alpha);
        std::copy(masks.begin(), masks.end(), withAlpha.begin() + 54);
        const CBytes alphaMask = {0, 0, 0xFF, 0};
        std::copy(alphaMask.begin(), alphaMask.end(), withAlpha.begin() + 66);
        image = Read(withAlpha);
        ASSERT_EQ(image.planes, 4);
        ExpectRgb(image, 0, 0, 0x11, 0x44, 0x22);
        EXPECT_EQ(Sample8(image, 3, 0, 0), 0x33);
    }

    // The info call reads the masks too, so it needs the bytes after the
    // 40-byte header as well.
    CScratchFolder folder;
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(ReadBitmapInfo(folder.Write("fields.bmp", MakeBitmap(s)), cols, rows, planes), kImageSuccess);
    EXPECT_EQ(cols, 2);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(planes, 3);

    // Masks that are not one run of bits, and bit fields at 24 bits.
    bytes[54] = 0x0F;
    bytes[55] = 0xF0;
    Read(bytes, kImageCannotOpen);
    s.bits = 24;
    Read(MakeBitmap(s), kImageCannotOpen);
}
