// Common variants of the side formats, read through the dispatch and held
// against an independent decoder (ImageMagick), and the reason a refused
// file is given.
#include "format_test_support.h"
#include "read_problem.h"
#include "picture_reading.h"

#include <gtest/gtest.h>
#include <string_view>

namespace {
CBytes Bitmap(int width, int height, int bits, std::uint32_t compression, std::uint32_t colorsUsed,
              const CBytes& palette, const CBytes& pixels)
{
    CBytes b;
    const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(palette.size());
    PutText(b, "BM");
    PutU32LE(b, offset + static_cast<std::uint32_t>(pixels.size()));
    PutU32LE(b, 0);
    PutU32LE(b, offset);
    PutU32LE(b, 40);
    PutU32LE(b, static_cast<std::uint32_t>(width));
    PutU32LE(b, static_cast<std::uint32_t>(height));
    PutU16LE(b, 1);
    PutU16LE(b, static_cast<unsigned>(bits));
    PutU32LE(b, compression);
    PutU32LE(b, static_cast<std::uint32_t>(pixels.size()));
    PutU32LE(b, 2835);
    PutU32LE(b, 2835);
    PutU32LE(b, colorsUsed);
    PutU32LE(b, 0);
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// `count` entries blue, green, red, reserved, all different.
CBytes Palette(int count)
{
    CBytes p;
    for (int i = 0; i < count; ++i) {
        PutU8(p, static_cast<unsigned>(i * 13 + 7) % 256);
        PutU8(p, static_cast<unsigned>(i * 71 + 3) % 256);
        PutU8(p, static_cast<unsigned>(255 - i * 29) % 256);
        PutU8(p, 0);
    }
    return p;
}

// Runs, literals of odd length (padded), deltas, ends of line and the end
// of the bitmap; rows bottom-up.
const CBytes kRle4Pixels = {5, 0x12, 0, 0,                          // 1 2 1 2 1, end of line
                            0, 3, 0xAB, 0xC0, 4, 0x34, 0, 0,        // literal A B C, run 3 4 3 4
                            0, 2, 1, 0, 0, 5, 0x12, 0x34, 0x50, 0,  // delta right 1, literal 1 2 3 4 5
                            0, 1};
const CBytes kRle8Pixels = {3, 9, 0, 3, 1, 2, 3, 0, 0, 0,           // run, odd literal, end of line
                            0, 2, 2, 1, 2, 7, 0, 1};                // delta right 2 and up 1, run, end

struct CVariant {
    const char* name;
    std::function<CBytes()> make;  // empty: made by the command
    const char* command;           // ImageMagick writing the file from a picture of its own
    int tolerance;
};

// The ink amounts ImageMagick reads from a CMYK file, 8-bit, interleaved.
CBytes InksWithImageMagick(const std::filesystem::path& file)
{
    const std::string out = file.string() + ".cmyk";
    RunTool("convert '" + file.string() + "[0]' -depth 8 'cmyk:" + out + "'");
    std::ifstream in(out, std::ios::binary);
    return CBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The ink amounts of four planes stored inverted, 8-bit, interleaved.
CBytes InvertedInks(const CImage& image)
{
    CBytes inks;
    for (std::size_t i = 0; i < image.PixelCount(); ++i)
        for (int p = 0; p < 4; ++p)
            inks.push_back(static_cast<std::uint8_t>(
                255 - (image.sampleType == kSampleWord
                           ? (reinterpret_cast<const std::uint16_t*>(image.plane[p])[i] + 128u) / 257u
                           : image.plane[p][i])));
    return inks;
}
} // namespace

TEST(FormatVariants, CommonVariantsMatchImageMagick)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    const CVariant variants[] = {
        {"rle8.bmp", {}, "-colors 200 -compress RLE bmp3:", 0},
        {"rle8_hand.bmp", [] { return Bitmap(7, 3, 8, 1, 16, Palette(16), kRle8Pixels); }, nullptr, 0},
        {"rle4.bmp", [] { return Bitmap(7, 3, 4, 2, 0, Palette(16), kRle4Pixels); }, nullptr, 0},
        {"few_colours_8.bmp", [] { return Bitmap(5, 2, 8, 0, 3, Palette(3), {0, 1, 2, 1, 0, 0, 0, 0, 2, 2, 1, 0, 0, 0, 0, 0}); },
         nullptr, 0},
        {"few_colours_4.bmp", [] { return Bitmap(5, 1, 4, 0, 5, Palette(5), {0x01, 0x23, 0x40, 0}); }, nullptr, 0},
        {"comments.pgm",
         [] {
             CBytes b;
             PutText(b, "P5\n# Created by GIMP\n5 # width\n3\n#maximum next\n255\n");
             for (unsigned i = 0; i < 15; ++i)
                 PutU8(b, i * 17);
             return b;
         },
         nullptr, 0},
        {"cmyk.psd", {}, "-colorspace CMYK -depth 8 psd:", 0},
        {"cmyk16.psd", {}, "-colorspace CMYK -depth 16 psd:", 1},
        {"grey.psd", {}, "-colorspace Gray -depth 8 psd:", 0},
    };
    CScratchFolder folder;
    const auto source = folder.path / "source.ppm";
    ASSERT_TRUE(RunTool("convert -size 23x17 gradient:red-blue -fill green -draw 'circle 11,8 11,2' '" +
                        source.string() + "'"));
    for (const CVariant& v : variants) {
        SCOPED_TRACE(v.name);
        std::filesystem::path file = folder.path / v.name;
        if (v.make)
            folder.Write(v.name, v.make());
        else
            ASSERT_TRUE(RunTool("convert '" + source.string() + "' " + v.command + "'" + file.string() + "'"));
        const CImage image(file, 0);
        ASSERT_NE(image.planes, 0);
        if (std::string_view(v.name).starts_with("cmyk")) {
            // Inks as Photoshop stores them (inverted), for the pipeline's
            // colour management: against the inks ImageMagick reads.
            ASSERT_EQ(image.planes, 4);
            EXPECT_LE(LargestDifference(InvertedInks(image), InksWithImageMagick(file)), v.tolerance);
            continue;
        }
        const CBytes theirs = DecodeWithImageMagick(file, image.cols, image.rows);
        ASSERT_FALSE(theirs.empty());
        EXPECT_LE(LargestDifference(FlattenToRgb8(image), theirs), v.tolerance);
    }
}

TEST(FormatVariants, HostileRunLengthsFailCleanly)
{
    const CBytes hostile[] = {
        {9, 1, 0, 1},                  // a run beyond the (padded) row
        {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0},  // a literal beyond the row
        {0, 0, 0, 0, 0, 0, 2, 1, 0, 1},  // a run below the last row
        {0, 2, 9, 0, 0, 1},            // a delta beyond the row
        {0, 2, 0, 3, 0, 1},            // a delta below the image
    };
    for (const CBytes& pixels : hostile) {
        for (int bits : {4, 8}) {
            CImage image;
            const CBytes file = Bitmap(7, 2, bits, bits == 8 ? 1 : 2, 0, Palette(16), pixels);
            EXPECT_EQ(ReadBitmapBytes(file, image), kImageBadArgument) << bits;
            EXPECT_EQ(image.planes, 0);
        }
    }
    // Cut short anywhere: what was decoded stays, the rest is index 0, and
    // the picture says it is not whole; a cut before the first run is refused.
    const CBytes full = Bitmap(7, 3, 4, 2, 0, Palette(16), kRle4Pixels);
    for (std::size_t size = full.size() - kRle4Pixels.size(); size <= full.size(); ++size) {
        CImage image;
        const bool anyPixel = size >= full.size() - kRle4Pixels.size() + 2;
        EXPECT_EQ(ReadBitmapBytes(CBytes(full.begin(), full.begin() + static_cast<long>(size)), image),
                  anyPixel ? kImageSuccess : kImageBadArgument) << size;
        EXPECT_EQ(image.damage.empty(), size == full.size() || !anyPixel) << size;
    }
}

TEST(FormatVariants, RefusalsSayWhy)
{
    CScratchFolder folder;
    CBytes psd;
    PutText(psd, "8BPS");
    PutU16BE(psd, 1);
    psd.insert(psd.end(), 6, 0);
    PutU16BE(psd, 3);
    PutU32BE(psd, 1);
    PutU32BE(psd, 1);
    PutU16BE(psd, 8);
    PutU16BE(psd, 9);  // Lab
    psd.insert(psd.end(), 14, 0);
    CBytes tall;
    PutText(tall, "GIF89a");
    PutU16LE(tall, 20000);
    PutU16LE(tall, 20000);
    PutU8(tall, 0);
    PutU16LE(tall, 0);
    PutText(tall, ",");
    tall.insert(tall.end(), 4, 0);
    PutU16LE(tall, 20000);
    PutU16LE(tall, 20000);
    PutU8(tall, 0);
    PutU8(tall, 2);
    PutU8(tall, 0);
    CBytes multichannel = psd;
    multichannel[25] = 7;
    const std::pair<CBytes, std::string> cases[] = {
        {{'h', 'e', 'l', 'l', 'o'}, "unknown format"},
        {{0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0}, "damaged file"},
        {psd, "unsupported variant (Lab colour)"},
        {multichannel, "unsupported variant (multichannel)"},
        {Bitmap(2, 1, 24, 4, 0, {}, {0xFF, 0xD8}), "unsupported variant (embedded JPEG)"},
        {{'P', '2', ' ', '1', ' ', '1', ' ', '9', ' ', '3'}, "unsupported variant (plain-text greymap/pixmap)"},
        {tall, "too large (20000 x 20000, more than 268,435,456 pixels)"},
    };
    for (const auto& [bytes, reason] : cases) {
        CImage image;
        std::string said;
        EXPECT_NE(ReadPictureFile(folder.Write("picture", bytes), image, said), kImageSuccess);
        EXPECT_EQ(said, reason);
        EXPECT_EQ(image.planes, 0);
    }
    std::string said = "stale";
    CImage image;
    EXPECT_NE(ReadPictureFile(folder.path / "missing", image, said), kImageSuccess);
    EXPECT_EQ(said, "cannot be opened");
}

TEST(FormatVariants, DeepSamplesAndTransparencyMatchIndependentDecoders)
{
    if (!HaveImageMagick() || !RunTool("pamdepth -version"))
        GTEST_SKIP() << "ImageMagick or netpbm is not installed";
    CScratchFolder folder;
    const std::string source = (folder.path / "source.ppm").string();
    ASSERT_TRUE(RunTool("convert -size 23x17 gradient:'#ff2010'-'#1030f0' -fill '#00c000' -draw 'circle 11,8 11,2' "
                        "-depth 16 '" + source + "'"));
    const std::pair<const char*, const char*> variants[] = {
        {"deep.ppm", "cat"},
        {"deep.pgm", "ppmtopgm"},
        {"max1023.ppm", "pamdepth 1023"},
        {"max1023.pgm", "ppmtopgm | pamdepth 1023"},
        {"max15.pgm", "ppmtopgm | pamdepth 15"},
        {"transparent.gif", "convert - -transparent '#00c000' gif:-"},
        {"alpha.bmp", "convert - -transparent '#00c000' -channel A -fx 'a*0.6' bmp:-"},
    };
    for (const auto& [name, command] : variants) {
        SCOPED_TRACE(name);
        const auto file = folder.path / name;
        ASSERT_TRUE(RunTool("cat '" + source + "' | " + command + " > '" + file.string() + "'"));
        CImage image;
        std::string reason;
        ReadPictureFile(file, image, reason);
        ASSERT_NE(image.planes, 0) << reason;
        const CBytes ours = FlattenToRgb8(image);
        EXPECT_LE(LargestDifference(ours, DecodeWithImageMagick(file, image.cols, image.rows)), 1);
        if (std::string(name).ends_with("pm")) {
            // netpbm's own reading, through a PNG.
            const auto png = folder.path / "netpbm.png";
            ASSERT_TRUE(RunTool("pnmtopng '" + file.string() + "' > '" + png.string() + "'"));
            const CImage viaPng(png, 0);
            EXPECT_LE(LargestDifference(ours, FlattenToRgb8(viaPng)), 1);
        }
    }
}
