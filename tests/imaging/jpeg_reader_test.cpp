// JPEG info and reader: components, colour spaces, density, subsampling, and
// corrupt, truncated and hostile files.
#include <cstring>

#include <gtest/gtest.h>

#include "file_type.h"
#include "image.h"
#include "imaging_test_support.h"
#include "jpeg_reader.h"
#include "picture_reading.h"

using namespace imgtest;

namespace {
// Offset of the two-byte height field in the first SOF segment.
size_t SofHeightOffset(const Bytes& file)
{
    for (size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2))
            return i + 5;
    return 0;
}

void SetSofSize(Bytes& file, int width, int height)
{
    const size_t at = SofHeightOffset(file);
    ASSERT_NE(at, 0u);
    file[at] = static_cast<uint8_t>(height >> 8);
    file[at + 1] = static_cast<uint8_t>(height & 0xFF);
    file[at + 2] = static_cast<uint8_t>(width >> 8);
    file[at + 3] = static_cast<uint8_t>(width & 0xFF);
}

bool Near(uint8_t a, uint8_t b, int tolerance) { return std::abs(int(a) - int(b)) <= tolerance; }
} // namespace

TEST(JpegRead, ColourFileReadsThreePlanesOfPattern)
{
    ScratchFolder folder;
    JpegRecipe recipe;
    recipe.width = 40;
    recipe.height = 24;
    recipe.quality = 100;
    recipe.hSamp0 = 1;
    recipe.vSamp0 = 1;
    WriteBytes(folder / "a.jpg", MakeJpeg(recipe));
    CImage image(folder / "a.jpg", 0);
    ASSERT_EQ(image.planes, 3);
    EXPECT_EQ(image.cols, 40);
    EXPECT_EQ(image.rows, 24);
    EXPECT_EQ(image.sampleType, kSampleByte);
    EXPECT_EQ(image.quality, 75);
    EXPECT_EQ(image.subsampling, 0);
    EXPECT_EQ(image.resolution, 0);
    int off = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x)
            for (int p = 0; p < 3; ++p)
                off += !Near(image.plane[p][y * 40 + x], Pattern(x, y, p), 8);
    EXPECT_LT(off, 40);  // the pattern wraps at 256, where JPEG rings
}

TEST(JpegRead, GreyscaleReadsOnePlane)
{
    JpegRecipe recipe;
    recipe.components = 1;
    recipe.inSpace = JCS_GRAYSCALE;
    const Bytes file = MakeJpeg(recipe);
    CImage image;
    ASSERT_EQ(ReadJpegFile(file.data(), file.size(), image), kImageSuccess);
    EXPECT_EQ(image.planes, 1);
    int cols = 0, rows = 0, planes = 0, adobe = 7;
    ASSERT_EQ(ReadJpegInfo(file.data(), file.size(), cols, rows, planes, &adobe), kImageSuccess);
    EXPECT_EQ(planes, 1);
    EXPECT_EQ(adobe, 0);
}

TEST(JpegRead, AdobeCmykKeepsStoredValues)
{
    JpegRecipe recipe;
    recipe.components = 4;
    recipe.inSpace = JCS_CMYK;
    recipe.jfif = false;
    recipe.adobe = true;
    recipe.quality = 100;
    ScratchFolder folder;
    WriteBytes(folder / "cmyk.jpg", MakeJpeg(recipe));
    CImage image(folder / "cmyk.jpg", kFileTypeJpeg);
    ASSERT_EQ(image.planes, 4);
    // Stored values, not inverted and not converted: each plane follows its
    // own channel of the pattern.
    for (int p = 0; p < 4; ++p) {
        int off = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                off += !Near(image.plane[p][y * 16 + x], Pattern(x, y, p), 12);
        EXPECT_LT(off, 24) << "plane " << p;
    }
    int cols = 0, rows = 0, planes = 0, adobe = 0;
    EXPECT_EQ(GetImageInfo(folder / "cmyk.jpg", cols, rows, planes, adobe), kFileTypeJpeg);
    EXPECT_EQ(planes, 4);
    EXPECT_EQ(adobe, 1);
}

TEST(JpegRead, DensityGivesResolutionOnlyWithAUnit)
{
    JpegRecipe recipe;
    recipe.densityUnit = 1;
    recipe.xDensity = 72;
    recipe.yDensity = 72;
    Bytes file = MakeJpeg(recipe);
    CImage image;
    ASSERT_EQ(ReadJpegFile(file.data(), file.size(), image), kImageSuccess);
    EXPECT_EQ(image.resolution, 72);
    recipe.densityUnit = 2;  // dots per centimetre: taken as it is
    recipe.xDensity = 118;
    file = MakeJpeg(recipe);
    ASSERT_EQ(ReadJpegFile(file.data(), file.size(), image), kImageSuccess);
    EXPECT_EQ(image.resolution, 118);
    recipe.densityUnit = 0;
    recipe.xDensity = 3;
    file = MakeJpeg(recipe);
    ASSERT_EQ(ReadJpegFile(file.data(), file.size(), image), kImageSuccess);
    EXPECT_EQ(image.resolution, 0);
}

TEST(JpegRead, SubsamplingCodeFromComponentZero)
{
    const int factors[][3] = {{1, 1, 0}, {2, 1, 1}, {2, 2, 2}, {1, 2, 2}};
    for (const auto& f : factors) {
        JpegRecipe recipe;
        recipe.hSamp0 = f[0];
        recipe.vSamp0 = f[1];
        const Bytes file = MakeJpeg(recipe);
        CImage image;
        ASSERT_EQ(ReadJpegFile(file.data(), file.size(), image), kImageSuccess);
        EXPECT_EQ(image.subsampling, f[2]) << f[0] << "x" << f[1];
    }
}

TEST(JpegRead, ProgressiveFileReads)
{
    JpegRecipe recipe;
    recipe.progressive = true;
    recipe.width = 33;
    recipe.height = 17;
    const Bytes file = MakeJpeg(recipe);
    CImage image;
    ASSERT_EQ(ReadJpegFile(file.data(), file.size(), image), kImageSuccess);
    EXPECT_EQ(image.cols, 33);
    EXPECT_EQ(image.rows, 17);
}

TEST(JpegRead, NonAsciiPathReads)
{
    ScratchFolder folder;
    const auto path = folder / "Stra\xC3\x9F" "e \xE5\x86\x99\xE7\x9C\x9F.jpg";
    WriteBytes(path, MakeJpeg(JpegRecipe()));
    CImage image(path, 0);
    EXPECT_EQ(image.planes, 3);
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(GetImageInfo(path, cols, rows, planes), kFileTypeJpeg);
    EXPECT_EQ(cols, 16);
}

TEST(JpegRead, MissingFileGivesTwo)
{
    CImage image;
    EXPECT_EQ(ReadJpegFile(std::filesystem::path("/nonexistent/x.jpg"), image), kImageCannotOpen);
    EXPECT_EQ(image.planes, 0);
    int cols = 1, rows = 1, planes = 1;
    EXPECT_EQ(ReadJpegInfo(std::filesystem::path("/nonexistent/x.jpg"), cols, rows, planes, nullptr),
              kImageCannotOpen);
    EXPECT_EQ(cols + rows + planes, 0);
}

TEST(JpegBadInput, TruncatedFileDecodesWithFiller)
{
    JpegRecipe recipe;
    recipe.width = 64;
    recipe.height = 64;
    Bytes file = MakeJpeg(recipe);
    const Bytes whole = file;
    file.resize(file.size() * 2 / 3);  // ends in the middle of the scan
    CImage image;
    EXPECT_EQ(ReadJpegFile(file.data(), file.size(), image), kImageSuccess);
    EXPECT_EQ(image.planes, 3);
    EXPECT_EQ(image.damage, "data ends early");
    // Damage in the middle of the scan: a marker where data should be.
    Bytes hit = whole;
    hit[hit.size() / 2] = 0xFF;
    hit[hit.size() / 2 + 1] = 0xD0 + 5;
    EXPECT_EQ(ReadJpegFile(hit.data(), hit.size(), image), kImageSuccess);
    EXPECT_NE(image.damage.find("damaged data"), std::string::npos) << image.damage;
    EXPECT_EQ(ReadJpegFile(whole.data(), whole.size(), image), kImageSuccess);
    EXPECT_EQ(image.damage, "");
}

TEST(JpegBadInput, FileEndingInsideAHeaderSegmentFails)
{
    const Bytes whole = MakeJpeg(JpegRecipe());
    const size_t sof = SofHeightOffset(whole);
    ASSERT_GT(sof, 0u);
    for (size_t cut : {size_t{2}, size_t{3}, size_t{5}, size_t{12}, sof - 2, sof + 2}) {
        Bytes file(whole.begin(), whole.begin() + static_cast<long>(cut));
        CImage image;
        EXPECT_NE(ReadJpegFile(file.data(), file.size(), image), kImageSuccess) << cut;
        EXPECT_EQ(image.planes, 0);
        int cols = 5, rows = 5, planes = 5, adobe = 9;
        EXPECT_NE(ReadJpegInfo(file.data(), file.size(), cols, rows, planes, &adobe), kImageSuccess);
        EXPECT_EQ(cols + rows + planes, 0);
        EXPECT_EQ(adobe, 9);
    }
}

TEST(JpegBadInput, BrokenMarkersFail)
{
    Bytes file = MakeJpeg(JpegRecipe());
    const size_t sof = SofHeightOffset(file);
    // Number of components in the frame header set to 0.
    Bytes noComponents = file;
    noComponents[sof + 4] = 0;
    CImage image;
    EXPECT_NE(ReadJpegFile(noComponents.data(), noComponents.size(), image), kImageSuccess);
    EXPECT_EQ(image.planes, 0);
    // A frame header whose length disagrees with its component count.
    Bytes shortLength = file;
    shortLength[sof - 3] = 0;
    shortLength[sof - 2] = 9;
    EXPECT_NE(ReadJpegFile(shortLength.data(), shortLength.size(), image), kImageSuccess);
    // Only the start-of-image marker.
    const Bytes soiOnly = {0xFF, 0xD8};
    EXPECT_NE(ReadJpegFile(soiOnly.data(), soiOnly.size(), image), kImageSuccess);
    // Nothing at all.
    EXPECT_NE(ReadJpegFile(nullptr, 0, image), kImageSuccess);
    // Sampling factor 0 for component 0.
    Bytes zeroSampling = file;
    zeroSampling[sof + 6] = 0x00;
    EXPECT_NE(ReadJpegFile(zeroSampling.data(), zeroSampling.size(), image), kImageSuccess);
    EXPECT_EQ(image.planes, 0);
}

TEST(JpegBadInput, AbsurdDimensionsAreRefusedBeforeAllocation)
{
    // Just over the pixel limit (16384 x 16384), whatever the file's length.
    for (const auto& size : {std::pair{65535, 65535}, std::pair{65500, 65500}, std::pair{16385, 16384},
                             std::pair{0, 16}}) {
        for (bool progressive : {false, true}) {
            JpegRecipe recipe;
            recipe.progressive = progressive;
            Bytes file = MakeJpeg(recipe);
            SetSofSize(file, size.first, size.second);
            CImage image;
            EXPECT_NE(ReadJpegFile(file.data(), file.size(), image), kImageSuccess) << size.first;
            EXPECT_EQ(image.planes, 0);
            int cols = 0, rows = 0, planes = 0;
            EXPECT_NE(ReadJpegInfo(file.data(), file.size(), cols, rows, planes, nullptr), kImageSuccess);
        }
    }
}

TEST(JpegBadInput, SmallClaimedSizeStillDecodes)
{
    // A header claiming a photograph's size from a few hundred bytes, as a
    // file cut short on a memory card does: decoded with filler, as libjpeg
    // intends, and reported as ending early.
    Bytes file = MakeJpeg(JpegRecipe());
    SetSofSize(file, 3000, 2000);
    CImage image;
    EXPECT_EQ(ReadJpegFile(file.data(), file.size(), image), kImageSuccess);
    EXPECT_EQ(image.cols, 3000);
    EXPECT_FALSE(image.damage.empty());
}

TEST(JpegBadInput, GarbageAfterTheMarkerFails)
{
    Bytes file = {0xFF, 0xD8};
    for (int i = 0; i < 200; ++i)
        file.push_back(static_cast<uint8_t>(i * 37));
    CImage image;
    EXPECT_NE(ReadJpegFile(file.data(), file.size(), image), kImageSuccess);
    EXPECT_EQ(image.planes, 0);
}

namespace {
// A progressive greyscale file of `scans` empty DC scans: legal enough for
// libjpeg to walk the coefficient buffer once per scan.
Bytes ManyScans(int width, int height, int scans)
{
    Bytes file = {0xFF, 0xD8};
    auto segment = [&file](int marker, const Bytes& data) {
        file.push_back(0xFF);
        file.push_back(static_cast<uint8_t>(marker));
        file.push_back(static_cast<uint8_t>((data.size() + 2) >> 8));
        file.push_back(static_cast<uint8_t>((data.size() + 2) & 0xFF));
        file.insert(file.end(), data.begin(), data.end());
    };
    Bytes dqt(65, 1);
    dqt[0] = 0;
    segment(0xDB, dqt);
    segment(0xC2, {8, static_cast<uint8_t>(height >> 8), static_cast<uint8_t>(height), static_cast<uint8_t>(width >> 8),
                   static_cast<uint8_t>(width), 1, 1, 0x11, 0});
    Bytes dht(17, 0);
    dht[1] = 1;  // one code of length 1
    dht.push_back(0);
    segment(0xC4, dht);
    for (int i = 0; i < scans; ++i) {
        segment(0xDA, {1, 1, 0x00, 0, 0, 0x00});
        file.push_back(0);
        file.push_back(0);
    }
    file.push_back(0xFF);
    file.push_back(0xD9);
    return file;
}
} // namespace

TEST(JpegBadInput, EndlessProgressiveScansAreStopped)
{
    CImage image;
    const Bytes few = ManyScans(64, 64, 20);
    EXPECT_EQ(ReadJpegFile(few.data(), few.size(), image), kImageSuccess);
    const Bytes many = ManyScans(64, 64, 150);
    EXPECT_NE(ReadJpegFile(many.data(), many.size(), image), kImageSuccess);
    EXPECT_EQ(image.planes, 0);
    // The info call decodes no scans, so it still reports the size.
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(ReadJpegInfo(many.data(), many.size(), cols, rows, planes, nullptr), kImageSuccess);
    EXPECT_EQ(cols, 64);
}
