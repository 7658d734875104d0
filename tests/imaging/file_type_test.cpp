// Detection by the first two bytes, image info and the file constructor's
// dispatch.
#include <gtest/gtest.h>

#include "file_type.h"
#include "image.h"
#include "imaging_test_support.h"
#include "picture_reading.h"

using namespace imgtest;

TEST(FileType, FirstTwoBytesDecide)
{
    const struct {
        Bytes head;
        int type;
    } cases[] = {
        {{'B', 'M', 0, 0}, kFileTypeBitmap},     {{'I', 'I', 42, 0}, kFileTypeTiff},
        {{'M', 'M', 0, 42}, kFileTypeTiff},      {{0xFF, 0xD8, 0xFF, 0xE0}, kFileTypeJpeg},
        {{0x89, 'P', 'N', 'G'}, kFileTypePng},   {{'G', 'I', 'F', '8'}, kFileTypeGif},
        {{'%', 'A', 'x', 'y'}, kFileTypeRaw},    {{'8', 'B', 'P', 'S'}, kFileTypePhotoshop},
        {{'P', '5', '\n', '1'}, kFileTypeGreymap}, {{'P', '6', ' ', '1'}, kFileTypePixmap},
        {{'P', '4', 0, 0}, kFileTypeUnknown},    {{0xFF, 0xD9}, kFileTypeUnknown},
        {{'I', 'M'}, kFileTypeUnknown},          {{'B'}, kFileTypeUnknown},
        {{}, kFileTypeUnknown},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        EXPECT_EQ(DetectFileType(c.head.data(), c.head.size()), c.type);
        WriteBytes(folder / "f", c.head);
        EXPECT_EQ(DetectFileType(folder / "f"), c.type);
    }
    EXPECT_EQ(DetectFileType(folder / "missing"), kFileTypeUnknown);
}

TEST(FileType, InfoReportsJpegSizeAndAdobeFlag)
{
    ScratchFolder folder;
    JpegRecipe recipe;
    recipe.width = 31;
    recipe.height = 9;
    WriteBytes(folder / "a.tif", MakeJpeg(recipe));  // the content decides, not the name
    int cols = -1, rows = -1, planes = -1, adobe = 5;
    EXPECT_EQ(GetImageInfo(folder / "a.tif", cols, rows, planes, adobe), kFileTypeJpeg);
    EXPECT_EQ(cols, 31);
    EXPECT_EQ(rows, 9);
    EXPECT_EQ(planes, 3);
    EXPECT_EQ(adobe, 0);
}

TEST(FileType, InfoOfUnreadableFilesIsZero)
{
    ScratchFolder folder;
    WriteBytes(folder / "raw", Bytes{'%', 'A', 1, 2, 3, 4});
    WriteBytes(folder / "bad.jpg", Bytes{0xFF, 0xD8, 0xFF, 0x00});
    int cols = 1, rows = 1, planes = 1, adobe = 5;
    EXPECT_EQ(GetImageInfo(folder / "raw", cols, rows, planes, adobe), kFileTypeRaw);
    EXPECT_EQ(cols + rows + planes, 0);
    EXPECT_EQ(adobe, 5);  // left as it was for other types
    cols = rows = planes = 1;
    EXPECT_EQ(GetImageInfo(folder / "bad.jpg", cols, rows, planes), kFileTypeJpeg);
    EXPECT_EQ(cols + rows + planes, 0);
    EXPECT_EQ(GetImageInfo(folder / "none", cols, rows, planes), kFileTypeUnknown);
}

TEST(FileDispatch, ConstructorReadsByContentOrGivenType)
{
    ScratchFolder folder;
    WriteBytes(folder / "photo.bmp", MakeJpeg(JpegRecipe()));
    CImage detected(folder / "photo.bmp", 0);
    EXPECT_EQ(detected.planes, 3);
    CImage forced(folder / "photo.bmp", kFileTypeJpeg);
    EXPECT_EQ(forced.planes, 3);
    WriteBytes(folder / "raw.jpg", Bytes{'%', 'A', 0, 0});
    CImage raw(folder / "raw.jpg", 0);
    EXPECT_EQ(raw.planes, 0);
    CImage missing(folder / "missing.jpg", 0);
    EXPECT_EQ(missing.planes, 0);
    EXPECT_EQ(missing.ReadFile(folder / "missing.jpg", kFileTypeJpeg), kImageCannotOpen);
}

TEST(FileDispatch, RereadingResetsTheImage)
{
    ScratchFolder folder;
    JpegRecipe recipe;
    recipe.densityUnit = 1;
    recipe.xDensity = 96;
    WriteBytes(folder / "a.jpg", MakeJpeg(recipe));
    CImage image(64, 64, 2, kSampleWord);
    image.displayMax = 9.0f;
    ASSERT_EQ(image.ReadFile(folder / "a.jpg", 0), kImageSuccess);
    EXPECT_EQ(image.planes, 3);
    EXPECT_EQ(image.sampleType, kSampleByte);
    EXPECT_EQ(image.resolution, 96);
    EXPECT_FLOAT_EQ(image.displayMax, 1.0f);
    EXPECT_NE(image.ReadFile(folder / "gone.jpg", 0), kImageSuccess);
    EXPECT_EQ(image.planes, 0);
}
