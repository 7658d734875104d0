// The pipeline with the real engine: a few whole pictures of each kind.
#include "test_pipeline_support.h"

#include "file_type.h"
#include "output_path.h"
#include "test_platform_services.h"
#include "picture_reading.h"

#include <tiffio.h>

using namespace pipeline_test;

namespace {

void WriteTiff(const std::string& path, int cols, int rows, int samples, int photometric, const std::uint8_t* pixel)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(cols));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(rows));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(samples));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, std::uint16_t(8));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, std::uint16_t(photometric));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, std::uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, std::uint32_t(rows));
    std::vector<std::uint8_t> row(std::size_t(cols) * samples);
    for (int x = 0; x < cols; ++x)
        std::copy(pixel, pixel + samples, row.begin() + long(x) * samples);
    for (int y = 0; y < rows; ++y)
        TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0);
    TIFFClose(tiff);
}

class PipelineEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUpPipelineJob(job, platform, out.path.string());
    }

    std::optional<EJobResult> Frame(const std::string& source) { return FramePicture(job, source); }

    // The output's centre pixel, which lies inside the print.
    static std::vector<int> Centre(const std::string& path)
    {
        CImage image(fs::path(path), 0);
        EXPECT_EQ(image.planes, 3) << path;
        if (image.planes != 3)
            return {};
        const std::size_t i = std::size_t(image.rows / 2) * image.cols + image.cols / 2;
        return {image.plane[0][i], image.plane[1][i], image.plane[2][i]};
    }

    CScratchFolder in, out;
    CTestPlatformServices platform;
    CBatchWorker job;
};

TEST_F(PipelineEngineTest, JpegWithExifBecomesAPresetSizedJpegWithTheSameApp1Segment)
{
    WriteJpegWithExif(in / "photo.jpg", 64, 48, MakeExifPayload(32));
    ASSERT_EQ(Frame(in / "photo.jpg"), EJobResult::PictureWritten);
    int cols = 0, rows = 0, planes = 0;
    EXPECT_EQ(GetImageInfo(out / "photo.jpg", cols, rows, planes), kFileTypeJpeg);
    EXPECT_EQ(cols, 480);
    EXPECT_EQ(rows, 320);
    EXPECT_EQ(planes, 3);
    ASSERT_TRUE(ReadApp1(out / "photo.jpg").has_value());
    EXPECT_EQ(*ReadApp1(out / "photo.jpg"), *ReadApp1(in / "photo.jpg"));
}

TEST_F(PipelineEngineTest, GreyscaleCmykAndTiffSourcesFrameInTheirColours)
{
    WriteJpeg(in / "grey.jpg", 48, 48, 1);
    const std::uint8_t redInk[4] = {0, 255, 255, 0};
    WriteCmykJpeg(in / "cmyk.jpg", 48, 32, redInk, false);
    const std::uint8_t adobeRedInk[4] = {255, 0, 0, 255};
    WriteCmykJpeg(in / "adobe.jpg", 48, 32, adobeRedInk, true);
    const std::uint8_t blue[3] = {0, 0, 255};
    WriteTiff(in / "blue.tif", 40, 30, 3, PHOTOMETRIC_RGB, blue);
    const std::uint8_t greenInk[4] = {255, 0, 255, 0};
    WriteTiff(in / "green.tif", 40, 30, 4, PHOTOMETRIC_SEPARATED, greenInk);

    for (const char* name : {"grey.jpg", "cmyk.jpg", "adobe.jpg", "blue.tif", "green.tif"})
        ASSERT_EQ(Frame(in / name), EJobResult::PictureWritten) << name;

    const auto grey = Centre(out / "grey.jpg");
    ASSERT_EQ(grey.size(), 3u);
    EXPECT_NEAR(grey[0], grey[1], 6);
    EXPECT_NEAR(grey[1], grey[2], 6);
    for (const char* name : {"cmyk.jpg", "adobe.jpg"}) {
        const auto red = Centre(out / name);
        ASSERT_EQ(red.size(), 3u);
        EXPECT_GT(red[0], 200) << name;
        EXPECT_LT(red[1], 60) << name;
        EXPECT_LT(red[2], 60) << name;
    }
    const auto b = Centre(out / "blue.jpg");
    ASSERT_EQ(b.size(), 3u);
    EXPECT_GT(b[2], 200);
    EXPECT_LT(b[0], 60);
    // Solid cyan and yellow print a deeper green than sRGB's brightest.
    const auto g = Centre(out / "green.jpg");
    ASSERT_EQ(g.size(), 3u);
    EXPECT_GT(g[1], 120);
    EXPECT_LT(g[0], 60);
    EXPECT_LT(g[2], g[1] / 2);
    // Non-JPEG sources never carry a block.
    EXPECT_FALSE(ReadApp1(out / "blue.jpg").has_value());
}

} // namespace
