#include "format_readers.h"
#include "format_writers.h"
#include "packbits.h"

#include <gtest/gtest.h>

namespace {
CBytes Greymap(const std::string& header, const CBytes& samples)
{
    CBytes b;
    PutText(b, header);
    b.insert(b.end(), samples.begin(), samples.end());
    return b;
}
} // namespace

TEST(GreymapReader, ReadsEightBitSamples)
{
    CImage image;
    ASSERT_EQ(ReadPnmBytes(Greymap("P5 4 2 255\n", {1, 2, 3, 4, 5, 6, 7, 8}), 1, image), kImageSuccess);
    EXPECT_EQ(image.planes, 1);
    EXPECT_EQ(image.cols, 4);
    EXPECT_EQ(image.rows, 2);
    EXPECT_EQ(image.sampleType, kSampleByte);
    EXPECT_EQ(Sample8(image, 0, 0, 0), 1);
    EXPECT_EQ(Sample8(image, 0, 3, 1), 8);
}

TEST(GreymapReader, SamplesAreBigEndianAndScaledByTheMaximum)
{
    struct CCase {
        int maximum;
        std::vector<unsigned> stored;
        std::vector<int> read;
    };
    const CCase cases[] = {
        {255, {0, 7, 200, 255}, {0, 7, 200, 255}},                    // unchanged
        {15, {0, 7, 15, 16}, {0, 119, 255, 255}},                     // above the maximum: full
        {1023, {0, 512, 1023, 0x1234}, {0, 32800, 65535, 65535}},
        {65535, {0, 0x1234, 0xABCD, 65535}, {0, 0x1234, 0xABCD, 65535}},  // unchanged
    };
    for (const CCase& c : cases) {
        CBytes samples;
        for (const unsigned v : c.stored)
            c.maximum > 255 ? PutU16BE(samples, v) : PutU8(samples, v);
        CImage image;
        ASSERT_EQ(ReadPnmBytes(Greymap("P5 4 1 " + std::to_string(c.maximum) + "\n", samples), 1, image),
                  kImageSuccess);
        EXPECT_EQ(image.sampleType, c.maximum > 255 ? kSampleWord : kSampleByte);
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(c.maximum > 255 ? Sample16(image, 0, x, 0) : Sample8(image, 0, x, 0), c.read[std::size_t(x)])
                << c.maximum << " at " << x;
    }
    // Maxima the format does not allow.
    for (const char* header : {"P5 1 1 0\n", "P5 1 1 65536\n", "P5 1 1 -3\n"}) {
        CImage image;
        EXPECT_EQ(ReadPnmBytes(Greymap(header, {0, 0}), 1, image), kImageBadArgument) << header;
    }
}

TEST(GreymapReader, HeaderFollowsScanfRules)
{
    const CBytes samples(8, 9);
    struct CCase {
        const char* header;
        int result;
    };
    const CCase cases[] = {
        {"P5\n4\t2  255\r", kImageSuccess},
        {"P54 2 255\n", kImageSuccess},         // a blank also matches no whitespace
        {"P5 +4 2 255 ", kImageSuccess},
        {"P5\n# comment\n4 2 255\n", kImageSuccess},  // comments wherever whitespace may stand
        {"P5 #a\r4#b\n\t2 # c # d\n255\n", kImageSuccess},
        {"P5 4 2 # no maximum\n", kImageBadArgument},
        {"P5 4 0 255\n", kImageBadArgument},
        {"P5 -4 2 255\n", kImageBadArgument},
        {"P5 4 2\n", kImageBadArgument},
        {"P5 99999999999 1 255\n", kImageBadArgument},  // does not fit an int
        {"P6 4 2 255\n", kImageBadArgument},
        {"p5 4 2 255\n", kImageBadArgument},
    };
    for (const CCase& c : cases) {
        CImage image;
        EXPECT_EQ(ReadPnmBytes(Greymap(c.header, samples), 1, image), c.result) << c.header;
        EXPECT_EQ(image.planes != 0, c.result == kImageSuccess) << c.header;
        int cols = 0, rows = 0, planes = 0;
        EXPECT_EQ(ReadPnmInfoBytes(Greymap(c.header, samples), 1, cols, rows, planes) == kImageSuccess,
                  c.result == kImageSuccess) << c.header;
    }
    // The one character after the maximum is consumed whatever it is.
    CImage image;
    ASSERT_EQ(ReadPnmBytes(Greymap("P5 2 1 255x", {5, 6}), 1, image), kImageSuccess);
    EXPECT_EQ(Sample8(image, 0, 0, 0), 5);
    // Nothing after the maximum: the fourth field does not convert.
    EXPECT_EQ(ReadPnmBytes(Greymap("P5 2 1 255", {}), 1, image), kImageBadArgument);
}

TEST(PixmapReader, DealsRgbTriplesToPlanes)
{
    CImage image;
    ASSERT_EQ(ReadPnmBytes(Greymap("P6 2 1 255\n", {1, 2, 3, 4, 5, 6}), 3, image), kImageSuccess);
    ASSERT_EQ(image.planes, 3);
    EXPECT_EQ(Sample8(image, 0, 1, 0), 4);
    EXPECT_EQ(Sample8(image, 2, 1, 0), 6);

    CBytes wide;
    for (unsigned v : {0x0102u, 0x0304u, 0x0506u})
        PutU16BE(wide, v);
    ASSERT_EQ(ReadPnmBytes(Greymap("P6 1 1 65535\n", wide), 3, image), kImageSuccess);
    EXPECT_EQ(Sample16(image, 0, 0, 0), 0x0102);
    EXPECT_EQ(Sample16(image, 2, 0, 0), 0x0506);

    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(ReadPnmInfoBytes(Greymap("P6 7 9 255\n", {}), 3, cols, rows, planes), kImageSuccess);
    EXPECT_EQ(planes, 3);
    EXPECT_EQ(cols, 7);
}

TEST(GreymapReader, ShortFileIsCompletedWithZeros)
{
    CImage image;
    ASSERT_EQ(ReadPnmBytes(Greymap("P5 3 2 255\n", {7, 7, 7, 7}), 1, image), kImageSuccess);
    EXPECT_EQ(Sample8(image, 0, 0, 1), 7);
    EXPECT_EQ(Sample8(image, 0, 1, 1), 0);
    EXPECT_EQ(Sample8(image, 0, 2, 1), 0);
    // A header that claims far more than the file could ever hold.
    EXPECT_EQ(ReadPnmBytes(Greymap("P5 16000 16000 65535\n", {1}), 1, image), kImageBadArgument);
    EXPECT_EQ(image.planes, 0);
}

TEST(GreymapReader, FileEntriesThroughDispatch)
{
    CScratchFolder folder;
    const auto grey = folder.Write("grey.tif", Greymap("P5 2 2 255\n", {1, 2, 3, 4}));
    const CImage image(grey, 0);
    ASSERT_EQ(image.planes, 1);
    EXPECT_EQ(Sample8(image, 0, 1, 1), 4);
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(ReadGreymapInfo(grey, cols, rows, planes), kImageSuccess);
    EXPECT_EQ(cols * rows * planes, 4);
    const auto colour = folder.Write("colour.bmp", Greymap("P6 1 1 255\n", {1, 2, 3}));
    EXPECT_EQ(ReadPixmapInfo(colour, cols, rows, planes), kImageSuccess);
    EXPECT_EQ(planes, 3);
    CImage pixmap;
    EXPECT_EQ(ReadPixmapFile(colour, pixmap), kImageSuccess);
    EXPECT_EQ(Sample8(pixmap, 2, 0, 0), 3);
}

TEST(PackBits, DecodesRunsAndLiterals)
{
    const CBytes in = {2, 1, 2, 3, 253, 9};
    CBytes out(7);
    ASSERT_TRUE(DecodePackBits(in, out));
    EXPECT_EQ(out, (CBytes{1, 2, 3, 9, 9, 9, 9}));

    // -128 does nothing.
    CBytes two(2);
    EXPECT_TRUE(DecodePackBits(CBytes{0x80, 255, 4}, two));
    EXPECT_EQ(two, (CBytes{4, 4}));
}

TEST(PackBits, NeverWritesPastTheRowAndNeedsItExactly)
{
    CBytes guard(8, 0xCC);
    std::span<std::uint8_t> row(guard.data(), 4);
    EXPECT_FALSE(DecodePackBits(CBytes{0x81, 1}, row));  // a run of 128
    EXPECT_FALSE(DecodePackBits(CBytes{4, 1, 2, 3, 4, 5}, row));
    EXPECT_FALSE(DecodePackBits(CBytes{1, 1, 2}, row));  // only 2 of 4
    EXPECT_FALSE(DecodePackBits(CBytes{3, 1, 2}, row));  // literal cut short
    EXPECT_FALSE(DecodePackBits(CBytes{3, 1, 2, 3, 4, 0, 5}, row));
    EXPECT_FALSE(DecodePackBits(CBytes{255}, row));  // run without its byte
    for (std::size_t i = 4; i < guard.size(); ++i)
        EXPECT_EQ(guard[i], 0xCC);
}

namespace {
CImage ReadPsd(const CPhotoshopRecipe& s, int expected)
{
    CImage image;
    EXPECT_EQ(ReadPhotoshopBytes(MakePhotoshop(s), image), expected);
    EXPECT_EQ(image.planes != 0, expected == kImageSuccess);
    return image;
}
} // namespace

TEST(PhotoshopReader, ReadsRawChannelAfterChannel)
{
    CPhotoshopRecipe s;
    s.data = {1, 2, 3, 4, 5, 6};
    const CImage image = ReadPsd(s, kImageSuccess);
    ASSERT_EQ(image.planes, 3);
    EXPECT_EQ(Sample8(image, 0, 0, 0), 1);
    EXPECT_EQ(Sample8(image, 0, 1, 0), 2);
    EXPECT_EQ(Sample8(image, 2, 1, 0), 6);

    s.depth = 16;
    s.channels = 1;
    s.mode = 1;
    s.data = {0x12, 0x34, 0xAB, 0xCD};
    const CImage wide = ReadPsd(s, kImageSuccess);
    EXPECT_EQ(wide.sampleType, kSampleWord);
    EXPECT_EQ(Sample16(wide, 0, 0, 0), 0x1234);
    EXPECT_EQ(Sample16(wide, 0, 1, 0), 0xABCD);
}

TEST(PhotoshopReader, KeepsFirstFourOfFiveChannels)
{
    CPhotoshopRecipe s;
    s.channels = 5;
    s.cols = 1;
    s.data = {10, 20, 30, 40, 50};
    const CImage image = ReadPsd(s, kImageSuccess);
    EXPECT_EQ(image.planes, 4);
    EXPECT_EQ(Sample8(image, 3, 0, 0), 40);
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(ReadPhotoshopInfoBytes(MakePhotoshop(s), cols, rows, planes), kImageSuccess);
    EXPECT_EQ(planes, 5);
}

TEST(PhotoshopReader, ColourModesKeepTheirColourPlanes)
{
    struct CCase {
        unsigned mode;
        unsigned channels;
        CBytes data;  // one pixel, channel after channel
        std::vector<int> read;  // plane after plane
    };
    const CCase cases[] = {
        {8, 1, {77}, {77}},                         // duotone: its grey channel
        {1, 3, {10, 200, 30}, {10, 200}},           // grey, transparency; the spot channel is not colour
        // CMYK's inverted inks as stored, for the pipeline's profile; the
        // channel after them is not colour.
        {4, 4, {255, 0, 255, 255}, {255, 0, 255, 255}},
        {4, 5, {128, 255, 255, 128, 9}, {128, 255, 255, 128}},
    };
    for (const CCase& c : cases) {
        CPhotoshopRecipe s;
        s.mode = c.mode;
        s.channels = c.channels;
        s.cols = 1;
        s.data = c.data;
        const CImage image = ReadPsd(s, kImageSuccess);
        ASSERT_EQ(image.planes, static_cast<int>(c.read.size())) << c.mode;
        for (int p = 0; p < image.planes; ++p)
            EXPECT_EQ(Sample8(image, p, 0, 0), c.read[std::size_t(p)]) << c.mode << " plane " << p;
    }
}

TEST(PhotoshopReader, DecodesPackBitsRows)
{
    CPhotoshopRecipe s;
    s.channels = 2;
    s.rows = 2;
    s.cols = 7;
    s.mode = 1;
    s.compression = 1;
    const CBytes row = {2, 1, 2, 3, 253, 9};
    for (int i = 0; i < 4; ++i)
        PutU16BE(s.data, static_cast<unsigned>(row.size()));
    for (int i = 0; i < 4; ++i)
        s.data.insert(s.data.end(), row.begin(), row.end());
    const CImage image = ReadPsd(s, kImageSuccess);
    ASSERT_EQ(image.planes, 2);
    EXPECT_EQ(Sample8(image, 1, 2, 1), 3);
    EXPECT_EQ(Sample8(image, 1, 6, 1), 9);
}

TEST(PhotoshopReader, RefusesBadDocumentsWithoutPlanes)
{
    CPhotoshopRecipe good;
    good.data = {1, 2, 3, 4, 5, 6};
    CPhotoshopRecipe s = good;
    s.mode = 4;  // CMYK
    ReadPsd(s, kImageBadArgument);
    s = good;
    s.depth = 32;
    ReadPsd(s, kImageBadArgument);
    s = good;
    s.channels = 0;
    ReadPsd(s, kImageBadArgument);
    s = good;
    s.version = 2;
    ReadPsd(s, kImageBadArgument);
    s = good;
    s.compression = 2;
    ReadPsd(s, kImageBadArgument);
    s = good;
    s.data.pop_back();  // raw data cut short: the first channels stay
    EXPECT_EQ(ReadPsd(s, kImageSuccess).damage, "data ends early");
    s.data.resize(1);  // not one row
    ReadPsd(s, kImageBadArgument);
    s = good;
    s.rows = 0x7FFFFFFF;
    s.cols = 0x7FFFFFFF;
    ReadPsd(s, kImageOutOfMemory);  // beyond the pixel limit
    s.rows = 16000;
    s.cols = 16000;
    ReadPsd(s, kImageBadArgument);  // far more raw data than the file holds

    // A PackBits row that decodes short, and a table that claims more
    // packed bytes than the file holds.
    s = good;
    s.channels = 1;
    s.mode = 1;
    s.compression = 1;
    s.data = {0, 2, 0, 1};
    ReadPsd(s, kImageBadArgument);
    s.data = {0, 40, 1, 1, 2};
    ReadPsd(s, kImageBadArgument);
    s.rows = 100000;
    s.cols = 1000;
    s.data = {0, 2, 0x81, 0};
    ReadPsd(s, kImageCannotOpen);

    CBytes wrong = MakePhotoshop(good);
    wrong[3] = 'X';
    CImage image;
    EXPECT_EQ(ReadPhotoshopBytes(wrong, image), kImageBadArgument);
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(ReadPhotoshopInfoBytes(wrong, cols, rows, planes), kImageBadArgument);
}

TEST(PhotoshopReader, FileEntries)
{
    CScratchFolder folder;
    CPhotoshopRecipe s;
    s.data = {1, 2, 3, 4, 5, 6};
    const auto path = folder.Write("doc.psd", MakePhotoshop(s));
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(ReadPhotoshopInfo(path, cols, rows, planes), kImageSuccess);
    EXPECT_EQ(cols, 2);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(planes, 3);
    const CImage image(path, 0);
    EXPECT_EQ(image.planes, 3);
}
