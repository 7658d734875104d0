// CImage: construction, plane ownership, pixel access, interleaved exchange,
// DIB export and the library's number conversions.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "image.h"

TEST(ImageConstruction, DefaultsHoldNoRaster)
{
    CImage image;
    EXPECT_EQ(image.planes, 0);
    EXPECT_EQ(image.rows, 0);
    EXPECT_EQ(image.cols, 0);
    EXPECT_EQ(image.quality, 75);
    EXPECT_EQ(image.subsampling, 2);
    EXPECT_EQ(image.sampleType, kSampleByte);
    EXPECT_EQ(image.resolution, 0);
    EXPECT_EQ(image.headerCols, 0);
    EXPECT_EQ(image.headerSide, 0);
    EXPECT_FLOAT_EQ(image.displayMax, 1.0f);
    EXPECT_FLOAT_EQ(image.displayMin, 0.0f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(image.plane[i], nullptr);
        EXPECT_EQ(image.roi[i], 0);
    }
}

TEST(ImageConstruction, BlankImageAllocatesEachPlane)
{
    CImage image(742, 373, 3, kSampleByte);
    ASSERT_EQ(image.planes, 3);
    EXPECT_EQ(image.cols, 742);
    EXPECT_EQ(image.rows, 373);
    EXPECT_EQ(image.PixelCount() * image.BytesPerSample(), 276766u);
    EXPECT_NE(image.plane[0], nullptr);
    EXPECT_NE(image.plane[2], nullptr);
    EXPECT_EQ(image.plane[3], nullptr);
    // The last sample of each plane is addressable (ASan checks the extent).
    image.plane[2][276765] = 7;

    CImage words(5, 4, 2, kSampleWord);
    EXPECT_EQ(words.BytesPerSample(), 2u);
    uint16_t* w = nullptr;
    ASSERT_EQ(words.GetPlane(&w, 1), kImageSuccess);
    w[19] = 0xFFFF;
    CImage floats(5, 4, 1, kSampleFloat);
    float* f = nullptr;
    ASSERT_EQ(floats.GetPlane(&f, 0), kImageSuccess);
    f[19] = 1.0f;
}

TEST(ImageConstruction, RefusedAllocationLeavesNoPlanes)
{
    CImage negative(-3, 10, 3, kSampleByte);
    EXPECT_EQ(negative.planes, 0);
    CImage tooMany(3, 3, 5, kSampleByte);
    EXPECT_EQ(tooMany.planes, 0);
    // 65535 x 65535 exceeds the largest raster: refused, not committed.
    testing::internal::CaptureStdout();
    CImage huge(65535, 65535, 3, kSampleByte);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(huge.planes, 0);
    EXPECT_EQ(huge.plane[0], nullptr);
    EXPECT_EQ(said, "Out of memory in CImage constructor\n");
}

TEST(ImageConstruction, MoveTransfersPlanes)
{
    CImage a(4, 4, 3, kSampleByte);
    uint8_t* first = a.plane[0];
    CImage b(std::move(a));
    EXPECT_EQ(b.plane[0], first);
    EXPECT_EQ(b.planes, 3);
    EXPECT_EQ(a.planes, 0);
    EXPECT_EQ(a.plane[0], nullptr);
    CImage c;
    c = std::move(b);
    EXPECT_EQ(c.plane[0], first);
}

TEST(ImageAccess, GetPlaneIndexOutsideGivesNull)
{
    CImage image(2, 2, 1, kSampleByte);
    uint8_t* p = image.plane[0];
    EXPECT_EQ(image.GetPlane(&p, 4), kImageBadArgument);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(image.GetPlane(&p, 1), kImageSuccess);
    EXPECT_EQ(p, nullptr);
}

TEST(ImageAccess, PixelOfOnePlaneFillsAllFourBytes)
{
    CImage grey(3, 2, 1, kSampleByte);
    grey.plane[0][4] = 200;
    uint8_t out[4] = {1, 1, 1, 1};
    ASSERT_EQ(grey.GetPixelRGBA(1, 1, out), kImageSuccess);
    EXPECT_EQ(out[0], 200);
    EXPECT_EQ(out[1], 200);
    EXPECT_EQ(out[2], 200);
    EXPECT_EQ(out[3], 200);
}

TEST(ImageAccess, PixelOfThreePlanesLeavesFourthZero)
{
    CImage rgb(2, 2, 3, kSampleByte);
    rgb.plane[0][3] = 10;
    rgb.plane[1][3] = 20;
    rgb.plane[2][3] = 30;
    uint8_t out[4] = {9, 9, 9, 9};
    ASSERT_EQ(rgb.GetPixelRGBA(1, 1, out), kImageSuccess);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[1], 20);
    EXPECT_EQ(out[2], 30);
    EXPECT_EQ(out[3], 0);
}

TEST(ImageAccess, PixelConvertsWordsAndFloats)
{
    CImage words(1, 1, 1, kSampleWord);
    reinterpret_cast<uint16_t*>(words.plane[0])[0] = 0x1234;
    uint8_t out[4];
    ASSERT_EQ(words.GetPixelRGBA(0, 0, out), kImageSuccess);
    EXPECT_EQ(out[0], 0x12);

    CImage floats(1, 1, 1, kSampleFloat);
    reinterpret_cast<float*>(floats.plane[0])[0] = 0.5f;
    ASSERT_EQ(floats.GetPixelRGBA(0, 0, out), kImageSuccess);
    EXPECT_EQ(out[0], 127);  // truncated, not rounded
}

TEST(ImageAccess, PixelOutsideFailsWithClearedBytes)
{
    CImage rgb(2, 2, 3, kSampleByte);
    uint8_t out[4] = {5, 5, 5, 5};
    EXPECT_EQ(rgb.GetPixelRGBA(0, 2, out), kImageBadArgument);
    EXPECT_EQ(out[0] | out[1] | out[2] | out[3], 0);
    EXPECT_EQ(rgb.GetPixelRGBA(-1, 0, out), kImageBadArgument);
    CImage empty;
    EXPECT_EQ(empty.GetPixelRGBA(0, 0, out), kImageBadArgument);
}

TEST(ImageExchange, InterleavedRoundTripEightBit)
{
    CImage image(3, 2, 3, kSampleByte);
    std::vector<uint8_t> in(18);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<uint8_t>(i * 11);
    ASSERT_EQ(image.FromInterleaved8(in.data(), in.size()), kImageSuccess);
    EXPECT_EQ(image.plane[0][1], in[3]);
    EXPECT_EQ(image.plane[2][5], in[17]);
    std::vector<uint8_t> out(18, 0);
    ASSERT_EQ(image.ToInterleaved8(out.data(), out.size()), kImageSuccess);
    EXPECT_EQ(out, in);
}

TEST(ImageExchange, InterleavedRoundTripSixteenBit)
{
    CImage image(2, 2, 3, kSampleWord);
    std::vector<uint16_t> in(12);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<uint16_t>(i * 5000);
    ASSERT_EQ(image.FromInterleaved16(in.data(), in.size()), kImageSuccess);
    std::vector<uint16_t> out(12, 0);
    ASSERT_EQ(image.ToInterleaved16(out.data(), out.size()), kImageSuccess);
    EXPECT_EQ(out, in);
}

TEST(ImageExchange, MismatchedTypeOrCountFails)
{
    CImage words(2, 2, 3, kSampleWord);
    std::vector<uint8_t> bytes(12, 0);
    EXPECT_EQ(words.ToInterleaved8(bytes.data(), bytes.size()), kImageBadArgument);
    EXPECT_EQ(words.FromInterleaved8(bytes.data(), bytes.size()), kImageBadArgument);
    CImage rgb(2, 2, 3, kSampleByte);
    EXPECT_EQ(rgb.ToInterleaved8(bytes.data(), 11), kImageBadArgument);
    EXPECT_EQ(rgb.ToInterleaved8(bytes.data(), 13), kImageBadArgument);
    std::vector<uint16_t> words16(12, 0);
    EXPECT_EQ(rgb.ToInterleaved16(words16.data(), words16.size()), kImageBadArgument);
}

TEST(ImageDib, ExportsBottomUpBlueGreenRed)
{
    CImage image(5, 2, 3, kSampleByte);
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < 10; ++i)
            image.plane[p][i] = static_cast<uint8_t>(p * 100 + i);
    EXPECT_EQ(CImage::DibStride(5), 16u);
    std::vector<uint8_t> dib(32, 0xEE);
    EXPECT_EQ(image.ExportDIB(dib.data(), 31), kImageBadArgument);
    EXPECT_EQ(image.ExportDIB(dib.data(), 33), kImageBadArgument);
    EXPECT_EQ(dib[0], 0xEE);
    ASSERT_EQ(image.ExportDIB(dib.data(), 32), kImageSuccess);
    // Top row (row 0) lands in the last buffer row.
    EXPECT_EQ(dib[16], 200);
    EXPECT_EQ(dib[17], 100);
    EXPECT_EQ(dib[18], 0);
    // Row 1, column 4 lands first: offset 12.
    EXPECT_EQ(dib[12], 209);
    EXPECT_EQ(dib[13], 109);
    EXPECT_EQ(dib[14], 9);
    EXPECT_EQ(dib[15], 0xEE);  // padding not written
    EXPECT_EQ(dib[31], 0xEE);
}

TEST(ImageDib, NeedsThreePlanes)
{
    CImage two(5, 2, 2, kSampleByte);
    std::vector<uint8_t> dib(32);
    EXPECT_EQ(two.ExportDIB(dib.data(), dib.size()), kImageBadArgument);
}

TEST(ImageDib, ConvertsWordsAndFloats)
{
    CImage words(1, 1, 3, kSampleWord);
    for (int p = 0; p < 3; ++p)
        reinterpret_cast<uint16_t*>(words.plane[p])[0] = static_cast<uint16_t>(0x1000 * (p + 1) + 0xFF);
    std::vector<uint8_t> dib(4);
    ASSERT_EQ(words.ExportDIB(dib.data(), 4), kImageSuccess);
    EXPECT_EQ(dib[0], 0x30);
    EXPECT_EQ(dib[2], 0x10);

    CImage floats(1, 1, 3, kSampleFloat);
    floats.displayMin = 100.0f;
    floats.displayMax = 200.0f;
    float values[3] = {150.0f, 50.0f, 300.0f};
    for (int p = 0; p < 3; ++p)
        reinterpret_cast<float*>(floats.plane[p])[0] = values[p];
    ASSERT_EQ(floats.ExportDIB(dib.data(), 4), kImageSuccess);
    EXPECT_EQ(dib[2], 127);  // (150 - 100) x 2.55 = 127.5 truncated
    EXPECT_EQ(dib[1], 0);
    EXPECT_EQ(dib[0], 255);
}

TEST(ImageNumbers, ClampsTruncate)
{
    EXPECT_EQ(CImage::ClampToByte(-0.5f), 0);
    EXPECT_EQ(CImage::ClampToByte(254.99f), 254);
    EXPECT_EQ(CImage::ClampToByte(255.0f), 255);
    EXPECT_EQ(CImage::ClampToByte(1e9f), 255);
    EXPECT_EQ(CImage::ClampToByte(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(CImage::ClampToWord(65534.9f), 65534);
    EXPECT_EQ(CImage::ClampToWord(70000.0f), 65535);
    EXPECT_EQ(CImage::ClampToWord(-1.0f), 0);
}

TEST(ImageNumbers, RoundIsHalfAwayFromZero)
{
    EXPECT_EQ(CImage::Round(50.5f), 51);
    EXPECT_EQ(CImage::Round(25.49f), 25);
    EXPECT_EQ(CImage::Round(-2.5f), -3);
    EXPECT_EQ(CImage::Round(-2.4f), -2);
    EXPECT_EQ(CImage::Round(1e20f), 2147483647);
    EXPECT_EQ(CImage::Round(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(ImageNumbers, FloatScalingUsesDisplayRange)
{
    CImage image;
    EXPECT_EQ(image.FloatToByte(0.5f), 127);
    EXPECT_EQ(image.FloatToByte(1.0f), 255);
    EXPECT_EQ(image.FloatToByte(-0.1f), 0);
    image.displayMin = image.displayMax = 3.0f;  // empty range: no crash, no garbage
    EXPECT_EQ(image.FloatToByte(3.0f), 0);
}
