// HEIF/AVIF, WebP and camera RAW: pictures made by ImageMagick (and a tiny
// DNG written with libtiff) read through the dispatch like every other format.
#include "embedded_data.h"
#include "file_type.h"
#include "format_test_support.h"
#include "read_problem.h"

#include <gtest/gtest.h>
#include <tiffio.h>

namespace {
bool HaveModernCoders()
{
    static const bool available =
        HaveImageMagick() && RunTool("convert -list format | grep -q HEIC && convert -list format | grep -q WEBP");
    return available;
}

// A 16-bit RGGB mosaic of `cols` x `rows` with a level in each channel, as a
// camera's DNG would store it (uncompressed, one strip).
bool WriteMosaicDng(const std::filesystem::path& path, int cols, int rows, int orientation = 1)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr)
        return false;
    const std::uint8_t version[4] = {1, 4, 0, 0};
    const std::uint16_t repeat[2] = {2, 2};
    const std::uint8_t pattern[4] = {0, 1, 1, 2};
    const float matrix[9] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    const float neutral[3] = {1.0f, 1.0f, 1.0f};
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, cols);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, rows);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, 32803);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rows);
    TIFFSetField(tiff, TIFFTAG_MAKE, "Framira");
    TIFFSetField(tiff, TIFFTAG_MODEL, "Test Sensor");
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, orientation);
    TIFFSetField(tiff, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tiff, TIFFTAG_UNIQUECAMERAMODEL, "Framira Test Sensor");
    TIFFSetField(tiff, TIFFTAG_CFAREPEATPATTERNDIM, repeat);
    TIFFSetField(tiff, TIFFTAG_CFAPATTERN, 4, pattern);
    TIFFSetField(tiff, TIFFTAG_COLORMATRIX1, 9, matrix);
    TIFFSetField(tiff, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    std::vector<std::uint16_t> row(static_cast<std::size_t>(cols));
    bool written = true;
    for (int y = 0; y < rows && written; ++y) {
        for (int x = 0; x < cols; ++x)
            row[static_cast<std::size_t>(x)] = 20000;
        written = TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
    }
    TIFFClose(tiff);
    return written;
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
    ASSERT_TRUE(WriteMosaicDng(turned, 32, 24, 6));
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
