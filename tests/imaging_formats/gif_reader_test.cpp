#include "format_readers.h"
#include "format_writers.h"
#include "gif_lzw.h"

#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace {
const CBytes kFourColours = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};

CImage ReadGif(const CBytes& bytes, int expected)
{
    CImage image;
    EXPECT_EQ(ReadGifBytes(bytes, image), expected);
    EXPECT_EQ(image.planes != 0, expected == kImageSuccess);
    return image;
}
} // namespace

TEST(GifLzw, RoundTripsLongAndRepetitiveData)
{
    // Repetition exercises the code that is not yet in the table; the
    // length fills the table several times over.
    CBytes indices;
    for (int i = 0; i < 60000; ++i)
        indices.push_back(static_cast<std::uint8_t>((static_cast<unsigned>(i) * static_cast<unsigned>(i) / 7 + (i % 13 == 0 ? i / 3 : 0)) & 0xFF));
    for (int i = 0; i < 3000; ++i)
        indices.push_back(5);
    for (bool clearWhenFull : {true, false}) {
        const CBytes data = CLzwEncoder(8, clearWhenFull).Encode(indices);
        CBytes out(indices.size());
        std::size_t produced = 0;
        EXPECT_EQ(DecodeGifLzw(8, data, out, produced), CGifLzwResult::complete);
        EXPECT_EQ(produced, indices.size());
        EXPECT_EQ(out, indices) << clearWhenFull;
    }
}

TEST(GifLzw, HostileCodesAreRejectedNotFollowed)
{
    CBytes out(16, 0xCC);
    std::size_t produced = 0;
    // Clear (4), then code 7: beyond the table right after a clear.
    EXPECT_EQ(DecodeGifLzw(2, CBytes{0x3C}, out, produced), CGifLzwResult::invalid);
    // Literal 1, then code 7 while the next free entry is 6.
    EXPECT_EQ(DecodeGifLzw(2, CBytes{0xCC, 0x01}, out, produced), CGifLzwResult::invalid);
    EXPECT_EQ(DecodeGifLzw(0, CBytes{0}, out, produced), CGifLzwResult::invalid);
    EXPECT_EQ(DecodeGifLzw(9, CBytes{0}, out, produced), CGifLzwResult::invalid);
    // More data than the output holds: the output stops at its end.
    const CBytes many(100, 3);
    const CBytes data = CLzwEncoder(2, true).Encode(many);
    std::span<std::uint8_t> part(out.data(), 10);
    EXPECT_EQ(DecodeGifLzw(2, data, part, produced), CGifLzwResult::complete);
    EXPECT_EQ(produced, 10u);
    EXPECT_EQ(out[10], 0xCC);
    // Data that ends early.
    EXPECT_EQ(DecodeGifLzw(2, CBytes(data.begin(), data.begin() + 2), out, produced), CGifLzwResult::endedEarly);
    EXPECT_LT(produced, out.size());
}

TEST(GifReader, ReadsSmallestKnownGif)
{
    // The classic one-pixel GIF89a with a graphic control extension naming
    // index 0 transparent: its colour is read, and an alpha plane says it
    // is transparent.
    CBytes bytes = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0x11, 0x22, 0x33, 0, 0, 0,
                    0x21, 0xF9, 4, 1, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
    CImage image = ReadGif(bytes, kImageSuccess);
    ASSERT_EQ(image.planes, 4);
    EXPECT_EQ(image.cols, 1);
    EXPECT_EQ(Sample8(image, 0, 0, 0), 0x11);
    EXPECT_EQ(Sample8(image, 1, 0, 0), 0x22);
    EXPECT_EQ(Sample8(image, 2, 0, 0), 0x33);
    EXPECT_EQ(Sample8(image, 3, 0, 0), 0);
    // Without the transparency flag (or naming another index) no alpha plane.
    bytes[22] = 0;
    EXPECT_EQ(ReadGif(bytes, kImageSuccess).planes, 3);
    bytes[22] = 1;
    bytes[25] = 1;
    image = ReadGif(bytes, kImageSuccess);
    ASSERT_EQ(image.planes, 4);
    EXPECT_EQ(Sample8(image, 3, 0, 0), 255);
}

TEST(GifReader, MapsIndicesThroughColourTables)
{
    CGifRecipe s;
    s.globalTable = kFourColours;
    s.indices = {0, 1, 2, 3, 3, 2, 1, 0};
    s.beforeImage = {0x21, 0xFE, 3, 'a', 'b', 'c', 0, 0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                     3, 1, 0, 0, 0};
    CImage image = ReadGif(MakeGif(s), kImageSuccess);
    EXPECT_EQ(image.cols, 4);
    EXPECT_EQ(image.rows, 2);
    EXPECT_EQ(Sample8(image, 0, 1, 0), 255);
    EXPECT_EQ(Sample8(image, 1, 2, 0), 255);
    EXPECT_EQ(Sample8(image, 2, 0, 1), 255);
    EXPECT_EQ(Sample8(image, 2, 3, 0), 255);

    // A local table replaces the global entries it covers.
    s.localTable = {9, 9, 9, 8, 8, 8, 7, 7, 7, 6, 6, 6};
    image = ReadGif(MakeGif(s), kImageSuccess);
    EXPECT_EQ(Sample8(image, 0, 1, 0), 8);
    EXPECT_EQ(Sample8(image, 2, 3, 0), 6);
}

TEST(GifReader, InterlacedRowsGoToDisplayOrder)
{
    CGifRecipe s;
    s.width = 1;
    s.height = 8;
    s.interlaced = true;
    s.minCodeSize = 3;
    s.globalTable.assign(8 * 3, 0);
    for (int i = 0; i < 8; ++i)
        s.globalTable[static_cast<std::size_t>(3 * i)] = static_cast<std::uint8_t>(10 * i);
    s.indices = {0, 1, 2, 3, 4, 5, 6, 7};
    const CImage image = ReadGif(MakeGif(s), kImageSuccess);
    // Passes start at rows 0, 4, 2, 1 with steps 8, 8, 4, 2.
    const int rowOfDataRow[8] = {0, 4, 2, 6, 1, 3, 5, 7};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(Sample8(image, 0, 0, rowOfDataRow[k]), 10 * k) << k;
}

TEST(GifReader, DataEndingEarlyLeavesIndexZero)
{
    CGifRecipe s;
    s.globalTable = {5, 6, 7, 200, 200, 200, 0, 0, 0, 0, 0, 0};
    s.width = 4;
    s.height = 1;
    s.indices = {1, 1};
    const CImage image = ReadGif(MakeGif(s), kImageSuccess);
    EXPECT_EQ(image.damage, "data ends early");
    EXPECT_EQ(Sample8(image, 0, 1, 0), 200);
    EXPECT_EQ(Sample8(image, 0, 2, 0), 5);
    EXPECT_EQ(Sample8(image, 2, 3, 0), 7);
}

TEST(GifReader, RefusesBadFiles)
{
    CGifRecipe good;
    good.globalTable = kFourColours;
    good.indices = {0, 1, 2, 3, 0, 1, 2, 3};

    CGifRecipe s = good;
    s.version = "GIF87a";
    s.aspect = 49;  // only GIF89a may carry an aspect ratio
    ReadGif(MakeGif(s), kImageBadArgument);
    s.version = "GIF89a";
    ReadGif(MakeGif(s), kImageSuccess);
    s.version = "GIF90a";
    ReadGif(MakeGif(s), kImageBadArgument);

    s = good;
    s.data = {0xCC, 0x01};  // one index, then a code beyond the table
    EXPECT_EQ(ReadGif(MakeGif(s), kImageSuccess).damage, "damaged data (invalid LZW code)");
    s.data = {0xFC, 0x01};  // a code beyond the table first
    ReadGif(MakeGif(s), kImageBadArgument);

    s = good;
    s.width = 0;
    ReadGif(MakeGif(s), kImageBadArgument);
    s = good;
    s.width = 65535;
    s.height = 65535;  // billions of pixels from a few bytes
    ReadGif(MakeGif(s), kImageBadArgument);

    // An unknown block, or the trailer, before any image.
    CBytes bytes = MakeGif(good);
    bytes[6 + 7 + 12] = 0x3B;
    ReadGif(bytes, kImageBadArgument);
    bytes[6 + 7 + 12] = 0x99;
    ReadGif(bytes, kImageBadArgument);
    // Cut inside the header.
    ReadGif(CBytes(bytes.begin(), bytes.begin() + 10), kImageBadArgument);

    // Whatever follows the first image does not matter.
    bytes = MakeGif(good);
    bytes.back() = 0x99;
    ReadGif(bytes, kImageSuccess);
}

TEST(GifReader, InfoDecodesTheFirstImage)
{
    CGifRecipe s;
    s.globalTable = kFourColours;
    s.width = 3;
    s.height = 2;
    s.indices = {0, 1, 2, 3, 0, 1};
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(ReadGifInfoBytes(MakeGif(s), cols, rows, planes), kImageSuccess);
    EXPECT_EQ(cols, 3);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(planes, 3);
    s.data = {0xFC, 0x01};
    EXPECT_EQ(ReadGifInfoBytes(MakeGif(s), cols, rows, planes), kImageCannotOpen);
    EXPECT_EQ(cols, 0);

    CScratchFolder folder;
    s.data.clear();
    const auto path = folder.Write("anim.gif", MakeGif(s));
    EXPECT_EQ(ReadGifInfo(path, cols, rows, planes), kImageSuccess);
    EXPECT_EQ(cols, 3);
    const CImage image(path, 0);
    EXPECT_EQ(image.planes, 3);
    EXPECT_EQ(ReadGifInfo(folder.path / "none.gif", cols, rows, planes), kImageCannotOpen);
}

TEST(GifReader, ThreadsDecodeIndependently)
{
    CGifRecipe a;
    a.globalTable = kFourColours;
    a.width = 64;
    a.height = 64;
    for (int i = 0; i < 64 * 64; ++i)
        a.indices.push_back(static_cast<std::uint8_t>((i / 7) % 4));
    CGifRecipe b = a;
    for (auto& v : b.indices)
        v = static_cast<std::uint8_t>(3 - v);
    const CBytes fileA = MakeGif(a), fileB = MakeGif(b);
    const CImage expectA = ReadGif(fileA, kImageSuccess), expectB = ReadGif(fileB, kImageSuccess);
    const std::size_t n = 64 * 64;
    auto worker = [&](const CBytes& file, const CImage& expect, bool& same) {
        same = true;
        for (int round = 0; round < 50; ++round) {
            CImage image;
            same = same && ReadGifBytes(file, image) == kImageSuccess &&
                   std::equal(image.plane[0], image.plane[0] + n, expect.plane[0]) &&
                   std::equal(image.plane[2], image.plane[2] + n, expect.plane[2]);
        }
    };
    bool sameA = false, sameB = false;
    std::thread ta(worker, std::cref(fileA), std::cref(expectA), std::ref(sameA));
    std::thread tb(worker, std::cref(fileB), std::cref(expectB), std::ref(sameB));
    ta.join();
    tb.join();
    EXPECT_TRUE(sameA);
    EXPECT_TRUE(sameB);
}
