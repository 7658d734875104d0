// HEIF and WebP sources made right like the older formats: converted to sRGB
// through their profile, turned upright exactly once, and their camera data
// carried into the output.
#include "test_pipeline_support.h"

#include <cstdio>
#include <cstdlib>

using namespace pipeline_test;

namespace {

constexpr const char* kAdobeRgbProfile = "/usr/share/color/icc/compatibleWithAdobeRGB1998.icc";
constexpr const char* kSrgbProfile = "/usr/share/color/icc/sRGB.icc";

bool Shell(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

class NewerFormatsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Shell("convert -version >/dev/null 2>&1") || !Shell("exiftool -ver >/dev/null 2>&1") ||
            !fs::exists(kAdobeRgbProfile) || !fs::exists(kSrgbProfile))
            GTEST_SKIP() << "ImageMagick, exiftool and icc-profiles-free are needed";
        SetUpPipelineJob(job, platform, out.path.string());
    }
    // The picture as it reached the engine.
    const CImage* Load(const std::string& path)
    {
        return job.LoadPicture(path) ? job.inputImage.get() : nullptr;
    }
    CScratchFolder in, out;
    CTestPlatformServices platform;
    CBatchWorker job;
};

TEST_F(NewerFormatsTest, TaggedWebpConvertsLikeAColorManagedConverter)
{
    const std::string source = in / "adobe.webp";
    const std::string reference = in / "reference.ppm";
    // Saturated stripes, the profile assigned, stored losslessly.
    ASSERT_TRUE(Shell("convert -size 16x16 xc:'rgb(0,255,0)' xc:'rgb(255,0,0)' xc:'rgb(0,0,255)' xc:'rgb(60,160,60)' "
                    "+append -profile " + std::string(kAdobeRgbProfile) +
                    " -define webp:lossless=true '" + source + "'"));
    ASSERT_TRUE(Shell("convert '" + source + "' -intent perceptual -profile " + kSrgbProfile + " -strip -depth 8 '" +
                    reference + "'"));
    const CImage* loaded = Load(source);
    ASSERT_NE(loaded, nullptr);
    CImage expected(reference, 0);
    ASSERT_EQ(expected.cols, loaded->cols);
    for (int s = 0; s < 4; ++s) {
        const std::size_t i = 8 * std::size_t(loaded->cols) + std::size_t(s) * 16 + 8;
        for (int p = 0; p < 3; ++p)
            EXPECT_NEAR(loaded->plane[p][i], expected.plane[p][i], 2) << "stripe " << s << " plane " << p;
    }
    EXPECT_LT(loaded->plane[0][8 * std::size_t(loaded->cols) + 8], 30) << "no conversion took place";
}

TEST_F(NewerFormatsTest, OnlyAWebpIsTurnedByItsExifOrientation)
{
    // A landscape picture with Orientation 6: WebP decoders leave the turn to
    // us; a HEIF decoder has applied the file's own transform already, and
    // the EXIF value beside it must not turn the picture a second time.
    const struct {
        const char* name;
        bool turned;
    } cases[] = {{"turned.webp", true}, {"turned.heic", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = in / c.name;
        ASSERT_TRUE(Shell("convert -size 64x32 xc:red xc:blue -append -resize 64x32! '" + source + "'"));
        ASSERT_TRUE(Shell("exiftool -q -q -overwrite_original -Orientation#=6 '" + source + "'"));
        const CImage* loaded = Load(source);
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->cols, c.turned ? 32 : 64);
        EXPECT_EQ(loaded->rows, c.turned ? 64 : 32);
    }
}

TEST_F(NewerFormatsTest, CameraDataSurvivesFromHeicAndWebp)
{
    job.presetIndex = 11;  // 1280 x 720
    const std::string values = "Acme\n2024:05:06 07:08:09\n1\n1280\nTree\n";
    for (const char* name : {"camera.heic", "phone.webp"}) {
        SCOPED_TRACE(name);
        const std::string source = in / name;
        ASSERT_TRUE(Shell("convert -size 48x32 xc:teal '" + source + "'"));
        ASSERT_TRUE(Shell("exiftool -q -q -overwrite_original -Make=Acme -Orientation#=6 -DateTimeOriginal='2024:05:06 07:08:09' "
                        "-ExifImageWidth=48 -XMP-dc:Title=Tree '" + source + "'"));
        ASSERT_EQ(FramePicture(job, source), EJobResult::PictureWritten);
        const std::string output = out / (fs::path(name).stem().string() + ".jpg");
        EXPECT_EQ(CommandOutput("exiftool -q -q -s3 -n -Make -DateTimeOriginal -Orientation -ExifImageWidth -Title '" +
                         output + "'"),
                  values);
    }
}

} // namespace
