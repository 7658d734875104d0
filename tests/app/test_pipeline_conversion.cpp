// Every readable picture becomes 3 planes of 8 or 16 bits for the engine.
#include "test_pipeline_support.h"

#include "picture_conversion.h"

using namespace pipeline_test;

namespace {

CImage Filled(int planes, int sampleType, std::initializer_list<double> values)
{
    CImage image(2, 1, planes, sampleType);
    int p = 0;
    for (double v : values) {
        for (int i = 0; i < 2; ++i) {
            if (sampleType == kSampleWord)
                reinterpret_cast<std::uint16_t*>(image.plane[p])[i] = std::uint16_t(v);
            else if (sampleType == kSampleFloat)
                reinterpret_cast<float*>(image.plane[p])[i] = float(v);
            else
                image.plane[p][i] = std::uint8_t(v);
        }
        ++p;
    }
    return image;
}

std::vector<int> FirstPixel(const CImage& image)
{
    std::vector<int> rgb;
    for (int p = 0; p < image.planes; ++p)
        rgb.push_back(image.sampleType == kSampleWord ? reinterpret_cast<const std::uint16_t*>(image.plane[p])[0]
                                                      : image.plane[p][0]);
    return rgb;
}

TEST(PictureConversion, GreyAndTransparencyBecomeRgbOverWhite)
{
    CImage grey = Filled(1, kSampleByte, {90});
    grey.subsampling = kSubsampling422;
    grey.resolution = 300;
    ASSERT_EQ(ConvertForEngine(grey, EPlaneModel::Standard), kImageSuccess);
    EXPECT_EQ(grey.planes, 3);
    EXPECT_EQ(FirstPixel(grey), (std::vector<int>{90, 90, 90}));
    EXPECT_EQ(grey.subsampling, kSubsampling422) << "the plain writer keeps the source's subsampling";
    EXPECT_EQ(grey.resolution, 300);

    CImage greyAlpha = Filled(2, kSampleByte, {0, 0});  // fully transparent black
    ASSERT_EQ(ConvertForEngine(greyAlpha, EPlaneModel::Standard), kImageSuccess);
    EXPECT_EQ(FirstPixel(greyAlpha), (std::vector<int>{255, 255, 255}));

    CImage rgba = Filled(4, kSampleByte, {200, 100, 0, 255});  // opaque
    ASSERT_EQ(ConvertForEngine(rgba, EPlaneModel::Standard), kImageSuccess);
    EXPECT_EQ(FirstPixel(rgba), (std::vector<int>{200, 100, 0}));

    CImage half = Filled(4, kSampleWord, {0, 0, 0, 32768});
    ASSERT_EQ(ConvertForEngine(half, EPlaneModel::Standard), kImageSuccess);
    EXPECT_EQ(half.sampleType, kSampleWord);
    EXPECT_EQ(FirstPixel(half), (std::vector<int>{32767, 32767, 32767}));
}

TEST(PictureConversion, CmykBecomesRgbInBothStorageConventions)
{
    // Pure red ink-wise: no cyan, full magenta and yellow, no black.
    CImage plain = Filled(4, kSampleByte, {0, 255, 255, 0});
    ASSERT_EQ(ConvertForEngine(plain, EPlaneModel::Cmyk), kImageSuccess);
    EXPECT_EQ(FirstPixel(plain), (std::vector<int>{255, 0, 0}));

    CImage inverted = Filled(4, kSampleByte, {255, 0, 0, 255});  // Adobe: 255 = no ink
    ASSERT_EQ(ConvertForEngine(inverted, EPlaneModel::CmykInverted), kImageSuccess);
    EXPECT_EQ(FirstPixel(inverted), (std::vector<int>{255, 0, 0}));

    CImage halfBlack = Filled(4, kSampleByte, {0, 0, 0, 128});
    ASSERT_EQ(ConvertForEngine(halfBlack, EPlaneModel::Cmyk), kImageSuccess);
    EXPECT_EQ(FirstPixel(halfBlack), (std::vector<int>{127, 127, 127}));

    // A Photoshop document's fourth channel is not colour; it is dropped.
    CImage extra = Filled(4, kSampleByte, {10, 20, 30, 200});
    ASSERT_EQ(ConvertForEngine(extra, EPlaneModel::RgbPlusExtra), kImageSuccess);
    EXPECT_EQ(FirstPixel(extra), (std::vector<int>{10, 20, 30}));
}

TEST(PictureConversion, FloatSamplesGoToBytesThroughTheDisplayRange)
{
    CImage rgb = Filled(3, kSampleFloat, {0.5, 1.0, -1.0});
    ASSERT_EQ(ConvertForEngine(rgb, EPlaneModel::Standard), kImageSuccess);
    EXPECT_EQ(rgb.sampleType, kSampleByte);
    EXPECT_EQ(FirstPixel(rgb), (std::vector<int>{127, 255, 0}));

    CImage grey = Filled(1, kSampleFloat, {2.0});
    grey.displayMax = 4.0f;
    ASSERT_EQ(ConvertForEngine(grey, EPlaneModel::Standard), kImageSuccess);
    EXPECT_EQ(FirstPixel(grey), (std::vector<int>{127, 127, 127}));
}

TEST(PictureConversion, ThreePlaneIntegerPicturesAreLeftAsTheyAre)
{
    CImage rgb = Filled(3, kSampleWord, {1, 2, 3});
    const std::uint8_t* before = rgb.plane[0];
    ASSERT_EQ(ConvertForEngine(rgb, EPlaneModel::Standard), kImageSuccess);
    EXPECT_EQ(rgb.plane[0], before);
    CImage empty;
    EXPECT_EQ(ConvertForEngine(empty, EPlaneModel::Standard), kImageBadArgument);
}

TEST(PictureConversion, PlaneModelFollowsTheFormat)
{
    CScratchFolder folder;
    const std::uint8_t ink[4] = {0, 0, 0, 0};
    WriteCmykJpeg(folder / "adobe.jpg", 8, 8, ink, true);
    WriteCmykJpeg(folder / "bare.jpg", 8, 8, ink, false);
    CImage adobe(fs::path(folder / "adobe.jpg"), 0);
    ASSERT_EQ(adobe.planes, 4);
    EXPECT_EQ(DetectPlaneModel(folder / "adobe.jpg", adobe), EPlaneModel::CmykInverted);
    CImage bare(fs::path(folder / "bare.jpg"), 0);
    ASSERT_EQ(bare.planes, 4);
    EXPECT_EQ(DetectPlaneModel(folder / "bare.jpg", bare), EPlaneModel::Cmyk);
    CImage rgb = MakeGradient(2, 2, 3);
    EXPECT_EQ(DetectPlaneModel(folder / "adobe.jpg", rgb), EPlaneModel::Standard);
}

} // namespace
