#include "format_readers.h"
#include "format_writers.h"
#include "read_problem.h"
#include "picture_reading.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <tiffio.h>

namespace {
unsigned Pattern(int x, int y, int s)
{
    return static_cast<unsigned>((x * 37 + y * 11 + s * 70) % 256);
}
unsigned Pattern16(int x, int y, int s)
{
    return static_cast<unsigned>((x * 4099 + y * 257 + s * 20000 + 1) % 65536);
}

// Every sample of the image against the pattern.
void ExpectPattern(const CImage& image, const CTiffRecipe& s, const CSampleFn& value)
{
    ASSERT_EQ(image.planes, s.samples);
    ASSERT_EQ(image.cols, static_cast<int>(s.width));
    ASSERT_EQ(image.rows, static_cast<int>(s.height));
    int wrong = 0;
    for (int p = 0; p < image.planes; ++p)
        for (int y = 0; y < image.rows; ++y)
            for (int x = 0; x < image.cols; ++x) {
                const int got = s.bits == 16 ? Sample16(image, p, x, y) : Sample8(image, p, x, y);
                if (got != static_cast<int>(value(x, y, p)) && wrong++ < 5)
                    ADD_FAILURE() << "plane " << p << " at " << x << "," << y << ": " << got << " vs " << value(x, y, p);
            }
}

CImage ReadTiffPath(const std::filesystem::path& path, int expected = kImageSuccess)
{
    CImage image;
    EXPECT_EQ(ReadTiffFile(path, image), expected);
    EXPECT_EQ(image.planes != 0, expected == kImageSuccess);
    return image;
}
} // namespace

TEST(TiffReader, ContiguousStripsOfEveryCodec)
{
    CScratchFolder folder;
    for (std::uint16_t compression : {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_PACKBITS, COMPRESSION_ADOBE_DEFLATE,
                                      COMPRESSION_DEFLATE}) {
        for (std::uint16_t bits : {8, 16}) {
            CTiffRecipe s;
            s.bits = bits;
            s.compression = compression;
            const CSampleFn fn = bits == 16 ? Pattern16 : Pattern;
            const auto path = WriteTiff(folder, "c" + std::to_string(compression) + "_" + std::to_string(bits) + ".tif", s, fn);
            const CImage image = ReadTiffPath(path);
            SCOPED_TRACE(path.filename().string());
            EXPECT_EQ(image.sampleType, bits == 16 ? kSampleWord : kSampleByte);
            ExpectPattern(image, s, fn);
        }
    }
}

TEST(TiffReader, SeparatePlanesAndGreyscale)
{
    CScratchFolder folder;
    CTiffRecipe s;
    s.planar = PLANARCONFIG_SEPARATE;
    s.width = 7;
    s.height = 5;
    s.rowsPerStrip = 3;
    ExpectPattern(ReadTiffPath(WriteTiff(folder, "sep.tif", s, Pattern)), s, Pattern);
    s.bits = 16;
    s.compression = COMPRESSION_DEFLATE;
    ExpectPattern(ReadTiffPath(WriteTiff(folder, "sep16.tif", s, Pattern16)), s, Pattern16);

    // Greyscale with 0 = white is stored as read, not inverted.
    CTiffRecipe grey;
    grey.samples = 1;
    grey.photometric = PHOTOMETRIC_MINISWHITE;
    ExpectPattern(ReadTiffPath(WriteTiff(folder, "grey.tif", grey, Pattern)), grey, Pattern);
}

TEST(TiffReader, TiledFilesReadLikeStrips)
{
    CScratchFolder folder;
    CTiffRecipe s;
    s.width = 40;
    s.height = 21;
    s.tile = 16;
    s.compression = COMPRESSION_ADOBE_DEFLATE;
    ExpectPattern(ReadTiffPath(WriteTiff(folder, "tiled.tif", s, Pattern)), s, Pattern);
    s.planar = PLANARCONFIG_SEPARATE;
    s.bits = 16;
    ExpectPattern(ReadTiffPath(WriteTiff(folder, "tiled_sep.tif", s, Pattern16)), s, Pattern16);
}

TEST(TiffReader, BilevelSetBitsReadAsZero)
{
    CScratchFolder folder;
    const CSampleFn bit = [](int x, int y, int) { return static_cast<unsigned>((x + y) % 3 == 0); };
    const CSampleFn expected = [&](int x, int y, int s) { return bit(x, y, s) ? 0u : 255u; };
    for (std::uint16_t photometric : {PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISWHITE}) {
        for (std::uint16_t compression : {COMPRESSION_NONE, COMPRESSION_CCITTFAX4, COMPRESSION_PACKBITS}) {
            CTiffRecipe s;
            s.bits = 1;
            s.samples = 1;
            s.width = 19;
            s.height = 6;
            s.rowsPerStrip = 4;
            s.photometric = photometric;
            s.compression = compression;
            const auto path = WriteTiff(folder, "bw" + std::to_string(photometric) + "_" + std::to_string(compression) + ".tif",
                                        s, bit);
            SCOPED_TRACE(path.filename().string());
            ExpectPattern(ReadTiffPath(path), s, expected);
        }
    }
}

TEST(TiffReader, CmykKeepsItsInksForThePipeline)
{
    CScratchFolder folder;
    CTiffRecipe s;
    s.samples = 4;
    s.photometric = PHOTOMETRIC_SEPARATED;
    s.width = 3;
    s.height = 1;
    const unsigned cmyk[3][4] = {{0, 255, 255, 0}, {100, 50, 0, 51}, {7, 8, 9, 255}};
    const CSampleFn fn = [&](int x, int, int p) { return cmyk[x][p]; };
    const CImage image = ReadTiffPath(WriteTiff(folder, "cmyk.tif", s, fn));
    ASSERT_EQ(image.planes, 4);
    for (int x = 0; x < 3; ++x)
        for (int p = 0; p < 4; ++p)
            EXPECT_EQ(Sample8(image, p, x, 0), int(cmyk[x][p])) << x << "," << p;

    s.bits = 16;
    const CSampleFn fn16 = [&](int x, int, int p) { return cmyk[x][p] * 257; };
    const CImage wide = ReadTiffPath(WriteTiff(folder, "cmyk16.tif", s, fn16));
    ASSERT_EQ(wide.planes, 4);
    EXPECT_EQ(Sample16(wide, 1, 0, 0), 65535);
    EXPECT_EQ(Sample16(wide, 3, 1, 0), 51 * 257);

    // Fewer inks than CMYK's have no colour the pipeline could give them.
    s.bits = 8;
    s.samples = 3;
    std::string reason;
    CImage three;
    ReadPictureFile(WriteTiff(folder, "three.tif", s, fn), three, reason);
    EXPECT_EQ(three.planes, 0);
    EXPECT_EQ(reason, "unsupported variant (separated colour of 3 inks)");
}

TEST(TiffReader, ResolutionRules)
{
    CScratchFolder folder;
    struct CCase {
        std::uint16_t unit;
        float x;
        int expected;
    };
    const CCase cases[] = {{RESUNIT_CENTIMETER, 118.11f, 0}, {RESUNIT_INCH, 300.0f, 300}, {RESUNIT_NONE, 300.0f, 0},
                           {0, 72.9f, 72}, {RESUNIT_INCH, 0.0f, 0}};
    int n = 0;
    for (const CCase& c : cases) {
        CTiffRecipe s;
        s.resolutionUnit = c.unit;
        s.xResolution = c.x;
        const CImage image = ReadTiffPath(WriteTiff(folder, "res" + std::to_string(n++) + ".tif", s, Pattern));
        EXPECT_EQ(image.resolution, c.expected) << c.unit << " " << c.x;
    }
}

TEST(TiffReader, JpegCompressedYCbCrComesOutAsRgb)
{
    CScratchFolder folder;
    CTiffRecipe s;
    s.width = 32;
    s.height = 16;
    s.rowsPerStrip = 16;
    s.compression = COMPRESSION_JPEG;
    s.photometric = PHOTOMETRIC_YCBCR;
    const CSampleFn smooth = [](int x, int y, int p) { return static_cast<unsigned>(p == 0 ? 200 : p == 1 ? 60 + x : 100 + y); };
    const CImage image = ReadTiffPath(WriteTiff(folder, "jpeg.tif", s, smooth));
    ASSERT_EQ(image.planes, 3);
    int worst = 0;
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x)
                worst = std::max(worst, std::abs(Sample8(image, p, x, y) - static_cast<int>(smooth(x, y, p))));
    EXPECT_LE(worst, 12);

    s.photometric = PHOTOMETRIC_RGB;
    s.tile = 16;
    const CImage tiled = ReadTiffPath(WriteTiff(folder, "jpeg_tiled.tif", s, smooth));
    EXPECT_NEAR(Sample8(tiled, 0, 20, 10), 200, 12);
    EXPECT_NEAR(Sample8(tiled, 1, 20, 10), 80, 12);
}

TEST(TiffReader, RefusesWhatItCannotReadAndKeepsSoundStrips)
{
    CScratchFolder folder;
    CTiffRecipe s;
    s.bits = 4;
    ReadTiffPath(WriteTiff(folder, "four.tif", s, [](int, int, int) { return 1u; }), kImageCannotOpen);
    s.bits = 8;
    s.samples = 5;
    s.photometric = PHOTOMETRIC_MINISBLACK;
    ReadTiffPath(WriteTiff(folder, "five.tif", s, Pattern), kImageCannotOpen);

    // Strips that no longer decode, first or last.
    s = CTiffRecipe{};
    s.width = 64;
    s.height = 64;
    s.rowsPerStrip = 8;
    s.compression = COMPRESSION_DEFLATE;
    const auto path = WriteTiff(folder, "whole.tif", s, Pattern);
    CBytes bytes = folder.Read(path);
    ExpectPattern(ReadTiffPath(path), s, Pattern);
    // Deflate data starts right after the 8-byte header; spoil the first
    // strip. The others still stand.
    for (std::size_t i = 10; i < 40; ++i)
        bytes[i] ^= 0x5A;
    const CImage spoilt = ReadTiffPath(folder.Write("spoilt.tif", bytes));
    EXPECT_EQ(spoilt.damage, "damaged data (a strip does not decode)");
    for (int y = 8; y < 64; y += 5)
        EXPECT_EQ(Sample8(spoilt, 1, 3, y), static_cast<int>(Pattern(3, y, 1))) << y;
    CImage fromMemory;
    EXPECT_EQ(ReadTiffBytes(bytes, fromMemory), kImageSuccess);
    EXPECT_EQ(fromMemory.damage, spoilt.damage);

    CBytes junk = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0};
    ReadTiffPath(folder.Write("junk.tif", junk), kImageCannotOpen);
    const CImage viaDispatch(folder.Write("junk2.tif", junk), 0);
    EXPECT_EQ(viaDispatch.planes, 0);
}

TEST(TiffReader, InfoAndMemoryCoreAgreeWithFile)
{
    CScratchFolder folder;
    CTiffRecipe s;
    s.samples = 4;
    s.photometric = PHOTOMETRIC_SEPARATED;
    s.width = 9;
    s.height = 4;
    const auto path = WriteTiff(folder, "info.tif", s, Pattern);
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(ReadTiffInfo(path, cols, rows, planes), kImageSuccess);
    EXPECT_EQ(cols, 9);
    EXPECT_EQ(rows, 4);
    EXPECT_EQ(planes, 4);
    EXPECT_EQ(ReadTiffInfoBytes(folder.Read(path), cols, rows, planes), kImageSuccess);
    EXPECT_EQ(cols, 9);
    EXPECT_EQ(ReadTiffInfo(folder.path / "none.tif", cols, rows, planes), kImageCannotOpen);
    EXPECT_EQ(cols, 0);

    const CImage fromFile = ReadTiffPath(path);
    CImage fromMemory;
    ASSERT_EQ(ReadTiffBytes(folder.Read(path), fromMemory), kImageSuccess);
    for (int p = 0; p < 4; ++p)
        EXPECT_TRUE(std::equal(fromFile.plane[p], fromFile.plane[p] + 36, fromMemory.plane[p]));
}

TEST(TiffReader, PaletteImagesExpandThroughTheirMapLikeImageMagick)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    CScratchFolder folder;
    for (std::uint16_t bits : {1, 2, 4, 8}) {
        for (const bool wideMap : {false, true}) {
            SCOPED_TRACE(std::to_string(bits) + (wideMap ? " bits, 16-bit map" : " bits, 8-bit map"));
            CTiffRecipe s;
            s.width = 13;
            s.height = 5;
            s.bits = bits;
            s.samples = 1;
            s.photometric = PHOTOMETRIC_PALETTE;
            s.compression = COMPRESSION_LZW;
            const unsigned entries = 1u << bits;
            for (unsigned k = 0; k < 3; ++k) {
                for (unsigned i = 0; i < entries; ++i) {
                    const unsigned v = (i * 97 + k * 85 + 11) % 256;
                    // Old writers store 8-bit values; the rest scale them to 16 bits (not always by 257).
                    s.colourMap.push_back(static_cast<std::uint16_t>(wideMap ? v * 256 + (i & 0x7F) : v));
                }
            }
            const auto path = WriteTiff(folder, "palette.tif", s, [&](int x, int y, int) {
                return static_cast<unsigned>(x * 3 + y * 5) % entries;
            });
            const CImage image = ReadTiffPath(path);
            ASSERT_EQ(image.planes, 3);
            EXPECT_EQ(LargestDifference(FlattenToRgb8(image), DecodeWithImageMagick(path, 13, 5)), 0);
        }
    }
    // Indices of more than 8 bits have no colour map a reader could hold.
    CTiffRecipe s;
    s.bits = 16;
    s.samples = 1;
    s.photometric = PHOTOMETRIC_PALETTE;
    s.colourMap.assign(3 * 65536, 0);
    ReadTiffPath(WriteTiff(folder, "deep.tif", s, Pattern16), kImageCannotOpen);
}
