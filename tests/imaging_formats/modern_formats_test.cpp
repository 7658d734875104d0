// HEIF/AVIF, WebP and camera RAW: pictures made by ImageMagick (and a tiny
// DNG written with libtiff) read through the dispatch like every other format.
#include "dng_fixture.h"
#include "embedded_data.h"
#include "file_type.h"
#include "format_test_support.h"
#include "read_problem.h"
#include "picture_reading.h"

#include <gtest/gtest.h>

namespace {
using test_support::WriteMosaicDng;

bool HaveModernCoders()
{
    static const bool available =
        HaveImageMagick() && RunTool("convert -list format | grep -q HEIC && convert -list format | grep -q WEBP");
    return available;
}

CBytes Cut(const CBytes& bytes, std::size_t keep)
{
    return CBytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(keep, bytes.size())));
}
} // namespace

TEST(ModernFormats, ReadLikeImageMagickAndRefuseCutFiles)
{
    if (!HaveModernCoders())
        GTEST_SKIP() << "ImageMagick without HEIC/AVIF/WebP";
    const struct {
        const char* name;
        const char* options;
        int type;
        int planes;
        int tolerance;  // the lossy codings: chroma conversions differ a little
    } cases[] = {
        {"p.heic", "", kFileTypeHeif, 3, 6},
        {"p.avif", "", kFileTypeHeif, 3, 6},
        {"p.webp", "-define webp:lossless=true", kFileTypeWebp, 3, 0},
        {"q.webp", "-quality 90", kFileTypeWebp, 3, 6},
        {"a.webp", "-alpha set -channel A -evaluate set 50% +channel -define webp:lossless=true", kFileTypeWebp, 4, 1},
    };
    CScratchFolder folder;
    const std::string source = (folder.path / "source.ppm").string();
    ASSERT_TRUE(RunTool("convert -size 40x30 gradient:'#f04010'-'#1060e0' -depth 8 '" + source + "'"));
    for (const auto& c : cases) {
        const auto file = folder.path / c.name;
        ASSERT_TRUE(RunTool("convert '" + source + "' " + c.options + " '" + file.string() + "'")) << c.name;
        EXPECT_EQ(DetectFileType(file), c.type) << c.name;
        int cols = 0, rows = 0, planes = 0;
        EXPECT_EQ(GetImageInfo(file, cols, rows, planes), c.type);
        EXPECT_EQ(cols * 100 + rows * 10 + planes, 40 * 100 + 30 * 10 + c.planes) << c.name;

        CImage image;
        std::string reason;
        ReadPictureFile(file, image, reason);
        ASSERT_EQ(image.planes, c.planes) << c.name << ": " << reason;
        EXPECT_LE(LargestDifference(FlattenToRgb8(image), DecodeWithImageMagick(file, 40, 30)), c.tolerance) << c.name;

        const auto cut = folder.Write(std::string("cut_") + c.name, Cut(folder.Read(file), 60));
        ReadPictureFile(cut, image, reason);
        EXPECT_EQ(image.planes, 0) << c.name;
        EXPECT_EQ(reason, "damaged file") << c.name;
    }
}

TEST(ModernFormats, HeicCarriesExifAndNeedsNoSecondTurn)
{
    if (!HaveModernCoders() || !RunTool("exiftool -ver"))
        GTEST_SKIP() << "ImageMagick or exiftool missing";
    CScratchFolder folder;
    const std::string file = (folder.path / "phone.heic").string();
    ASSERT_TRUE(RunTool("convert -size 16x8 xc:'#336699' '" + file + "'"));
    ASSERT_TRUE(RunTool("exiftool -q -overwrite_original -Make=TestMaker '-DateTimeOriginal=2024:05:06 07:08:09' '" +
                        file + "'"));
    CEmbeddedData data;
    ASSERT_TRUE(ReadEmbeddedData(file, data));
    EXPECT_TRUE(data.orientationApplied);
    ASSERT_GE(data.exifBlock.size(), 8u);
    const std::string exif(data.exifBlock.begin(), data.exifBlock.end());
    EXPECT_TRUE(exif.rfind("II*", 0) == 0 || exif.rfind("MM", 0) == 0);
    EXPECT_NE(exif.find("TestMaker"), std::string::npos);
    EXPECT_NE(exif.find("2024:05:06 07:08:09"), std::string::npos);

    // Older formats are left to the metadata reader.
    const std::string ppm = (folder.path / "plain.ppm").string();
    ASSERT_TRUE(RunTool("convert -size 4x4 xc:red '" + ppm + "'"));
    EXPECT_FALSE(ReadEmbeddedData(ppm, data));
}

TEST(ModernFormats, DngIsRenderedAndCutDngRefused)
{
    CScratchFolder folder;
    const auto dng = folder.path / "shot.dng";
    ASSERT_TRUE(WriteMosaicDng(dng, 32, 24));
    EXPECT_EQ(DetectFileType(dng), kFileTypeCameraRaw);

    CImage image;
    std::string reason;
    ReadPictureFile(dng, image, reason);
    ASSERT_EQ(image.planes, 3) << reason;
    EXPECT_EQ(image.sampleType, kSampleWord);
    EXPECT_EQ(image.cols, 32);
    EXPECT_EQ(image.rows, 24);
    // An even mosaic under a neutral white balance renders grey.
    const int r = Sample16(image, 0, 16, 12), g = Sample16(image, 1, 16, 12), b = Sample16(image, 2, 16, 12);
    EXPECT_GT(g, 1000);
    EXPECT_NEAR(r, g, g / 20);
    EXPECT_NEAR(b, g, g / 20);

    // The camera held upright: the picture comes out turned.
    const auto turned = folder.path / "turned.dng";
    test_support::CDngExtras upright;
    upright.orientation = 6;
    ASSERT_TRUE(WriteMosaicDng(turned, 32, 24, upright));
    ReadPictureFile(turned, image, reason);
    EXPECT_EQ(image.cols * 100 + image.rows, 24 * 100 + 32) << reason;

    const CBytes whole = folder.Read(dng);
    for (const std::size_t keep : {std::size_t{200}, whole.size() / 2}) {
        const auto cut = folder.Write("cut.dng", Cut(whole, keep));
        ReadPictureFile(cut, image, reason);
        EXPECT_EQ(image.planes, 0) << keep;
        EXPECT_FALSE(reason.empty()) << keep;
    }
}
