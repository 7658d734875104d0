// Tagged pictures are converted to sRGB as a colour-managed converter
// (ImageMagick with LittleCMS) converts them; untagged and badly tagged RGB
// and grey ones are read as they are, untagged CMYK goes through the default
// press profile, CIE Lab through its definition.
#include "color_profile.h"
#include "test_pipeline_support.h"

#include <lcms2.h>
#include <tiffio.h>

#include <cmath>
#include <cstdlib>

using namespace pipeline_test;

namespace {

constexpr const char* kAdobeRgbProfile = "/usr/share/color/icc/compatibleWithAdobeRGB1998.icc";
constexpr const char* kSrgbProfile = "/usr/share/color/icc/sRGB.icc";
constexpr const char* kGreyProfile = "/usr/share/color/icc/Gray-CIE_L.icc";

// Saturated stripes, each 16 columns wide.
const std::uint8_t kStripes[][3] = {{0, 255, 0}, {255, 0, 0}, {0, 0, 255}, {255, 200, 0}, {60, 160, 60}};
constexpr int kStripeWidth = 16;

void WriteStripes(const std::string& path, int planes = 3)
{
    const int count = int(std::size(kStripes));
    CImage image(kStripeWidth * count, 16, planes, kSampleByte);
    for (int y = 0; y < image.rows; ++y)
        for (int x = 0; x < image.cols; ++x)
            for (int p = 0; p < planes; ++p)
                image.plane[p][std::size_t(y) * image.cols + x] = kStripes[x / kStripeWidth][planes == 1 ? 1 : p];  // grey: the green
    ASSERT_EQ(WriteJpegFile(image, path, 100, kSubsampling444), 0);
}

// A Display P3 profile: P3 primaries, D65 white, the sRGB tone curve.
std::vector<std::uint8_t> MakeDisplayP3Profile()
{
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const cmsFloat64Number srgbCurve[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);
    return bytes;
}

// The profile as `pieces` APP2 segments, numbered 1 to pieces.
std::vector<std::uint8_t> ProfileSegments(const std::vector<std::uint8_t>& profile, int pieces)
{
    std::vector<std::uint8_t> out;
    const std::size_t step = (profile.size() + std::size_t(pieces) - 1) / std::size_t(pieces);
    for (int i = 0; i < pieces; ++i) {
        const std::size_t from = std::min(profile.size(), std::size_t(i) * step);
        const std::size_t to = std::min(profile.size(), from + step);
        const std::size_t length = 2 + 14 + (to - from);
        const std::uint8_t head[] = {0xFF, 0xE2, std::uint8_t(length >> 8), std::uint8_t(length)};
        out.insert(out.end(), head, head + 4);
        const char signature[] = "ICC_PROFILE";
        out.insert(out.end(), signature, signature + 12);
        out.push_back(std::uint8_t(i + 1));
        out.push_back(std::uint8_t(pieces));
        out.insert(out.end(), profile.begin() + long(from), profile.begin() + long(to));
    }
    return out;
}

void InsertAfterStart(const std::string& path, const std::vector<std::uint8_t>& segments)
{
    std::vector<std::uint8_t> bytes = ReadBytes(path);
    bytes.insert(bytes.begin() + 2, segments.begin(), segments.end());
    WriteBytes(path, bytes);
}

// The picture as LoadPicture leaves it for the engine.
std::unique_ptr<CImage> Load(const std::string& path)
{
    CBatchWorker job;
    return job.LoadPicture(path) ? std::move(job.inputImage) : nullptr;
}

TEST(ColorProfiles, TaggedPicturesConvertLikeAColorManagedConverter)
{
    if (std::system("convert -version >/dev/null 2>&1") != 0 || !fs::exists(kSrgbProfile) ||
        !fs::exists(kAdobeRgbProfile) || !fs::exists(kGreyProfile))
        GTEST_SKIP() << "ImageMagick and icc-profiles-free are needed";
    CScratchFolder folder;
    const std::vector<std::uint8_t> adobe = ReadBytes(kAdobeRgbProfile);
    const std::vector<std::uint8_t> broken = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'I', 'C', 'C'};
    const struct {
        const char* name;
        std::vector<std::uint8_t> profile;
        int pieces;
        bool converted;
        int planes = 3;
    } cases[] = {
        {"adobe.jpg", adobe, 1, true},
        {"p3.jpg", MakeDisplayP3Profile(), 3, true},
        {"grey.jpg", ReadBytes(kGreyProfile), 1, true, 1},
        {"broken.jpg", broken, 1, false},
        {"untagged.jpg", {}, 0, false},
    };
    const std::string plainPath = folder / "plain.jpg";
    WriteStripes(plainPath);
    const auto plain = Load(plainPath);
    ASSERT_NE(plain, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = folder / c.name;
        WriteStripes(source, c.planes);
        if (c.pieces > 0)
            InsertAfterStart(source, ProfileSegments(c.profile, c.pieces));
        const auto loaded = Load(source);
        ASSERT_NE(loaded, nullptr);
        // The independent reference: the same file through ImageMagick.
        const std::string reference = folder / (std::string(c.name) + ".ppm");
        const std::string command = "convert '" + source + "'" +
                                    (c.converted ? std::string(" -intent perceptual -profile ") + kSrgbProfile : "") +
                                    " -strip -depth 8 '" + reference + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        CImage expected(reference, 0);
        ASSERT_EQ(expected.planes, 3);
        for (std::size_t s = 0; s < std::size(kStripes); ++s) {
            const std::size_t i = 8 * std::size_t(loaded->cols) + s * kStripeWidth + kStripeWidth / 2;
            for (int p = 0; p < 3; ++p) {
                EXPECT_NEAR(loaded->plane[p][i], expected.plane[p][i], 2) << "stripe " << s << " plane " << p;
                if (!c.converted) {
                    EXPECT_EQ(loaded->plane[p][i], plain->plane[p][i]);
                }
            }
        }
        if (c.converted && c.planes == 3) {  // the wide gamut's mid green is a deeper green in sRGB
            const std::size_t green = 8 * std::size_t(loaded->cols) + 4 * kStripeWidth + kStripeWidth / 2;
            EXPECT_LT(loaded->plane[0][green], 30) << "no conversion took place";
        }
    }
}

// A made-up press, unlike the default one: a plain subtractive mix with
// weak inks, as a CMYK profile (v4, Lab connection).
std::vector<std::uint8_t> MakePressProfile()
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(
        table,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* transform) -> cmsInt32Number {
            const double white = 1.0 - 0.8 * in[3] / 65535.0;
            double rgb[3];
            for (int i = 0; i < 3; ++i)
                rgb[i] = std::pow((1.0 - 0.85 * in[i] / 65535.0) * white, 1.3);
            cmsCIELab lab;
            cmsDoTransform(transform, rgb, &lab, 1);
            cmsFloat2LabEncoded(out, &lab);
            return TRUE;
        },
        toLab, 0);
    cmsPipelineInsertStage(pipeline, cmsAT_BEGIN, table);
    cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsPipelineFree(pipeline);
    cmsCloseProfile(profile);
    cmsDeleteTransform(toLab);
    cmsCloseProfile(lab);
    cmsCloseProfile(srgb);
    return bytes;
}

// A chart of 64 x 48 pixels: every sample runs through its range along x, y
// or the diagonal, so all mixtures of the four samples occur.
std::vector<std::uint8_t> ChartSamples(int channels)
{
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const int values[4] = {x * 255 / 63, y * 255 / 47, (x + y) * 255 / 110, (x / 16) * (y / 12) * 28};
            samples.insert(samples.end(), values, values + channels);
        }
    return samples;
}

// Root mean square difference of two pictures' samples, full scale 1.
double Rmse(const CImage& a, const CImage& b)
{
    auto sample = [](const CImage& image, int p, std::size_t i) {
        return image.sampleType == kSampleWord ? reinterpret_cast<const std::uint16_t*>(image.plane[p])[i] / 65535.0
                                               : image.plane[p][i] / 255.0;
    };
    double sum = 0.0;
    for (int p = 0; p < 3; ++p)
        for (std::size_t i = 0; i < a.PixelCount(); ++i)
            sum += std::pow(sample(a, p, i) - sample(b, p, i), 2);
    return std::sqrt(sum / (3.0 * double(a.PixelCount())));
}

// A copy of an 8-bit CIELab TIFF under another photometric interpretation:
// as ICCLab, a* and b* become unsigned with an offset.
void WriteLabCopy(const std::string& from, const std::string& to, std::uint16_t photometric)
{
    TIFF* in = TIFFOpen(from.c_str(), "r");
    ASSERT_NE(in, nullptr);
    std::uint32_t cols = 0, rows = 0;
    float* white = nullptr;
    TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &cols);
    TIFFGetField(in, TIFFTAG_IMAGELENGTH, &rows);
    TIFF* out = TIFFOpen(to.c_str(), "w");
    ASSERT_NE(out, nullptr);
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, cols);
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, rows);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(3));
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, std::uint16_t(8));
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, std::uint16_t(PLANARCONFIG_CONTIG));
    if (TIFFGetField(in, TIFFTAG_WHITEPOINT, &white))
        TIFFSetField(out, TIFFTAG_WHITEPOINT, white);
    std::vector<std::uint8_t> row(std::size_t(TIFFScanlineSize(in)));
    for (std::uint32_t y = 0; y < rows; ++y) {
        TIFFReadScanline(in, row.data(), y, 0);
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = i % 3 == 0 || photometric != PHOTOMETRIC_ICCLAB ? row[i] : std::uint8_t(row[i] ^ 0x80);
        TIFFWriteScanline(out, row.data(), y, 0);
    }
    TIFFClose(out);
    TIFFClose(in);
}

TEST(ColorProfiles, CmykAndLabPicturesConvertLikeAColorManagedConverter)
{
    if (std::system("convert -version >/dev/null 2>&1") != 0 || !fs::exists(kSrgbProfile))
        GTEST_SKIP() << "ImageMagick and icc-profiles-free are needed";
    CScratchFolder folder;
    const std::string press = folder / "press.icc";
    WriteBytes(press, MakePressProfile());
    const std::string standard = folder / "standard.icc";
    WriteBytes(standard, DefaultCmykProfile());
    const std::string ink = folder / "ink.cmyk";
    WriteBytes(ink, ChartSamples(4));
    const std::string rgb = folder / "chart.rgb";
    WriteBytes(rgb, ChartSamples(3));
    const std::string cmykIn = "convert -size 64x48 -depth 8 cmyk:'" + ink + "' ";
    const std::string rgbIn = "convert -size 64x48 -depth 8 rgb:'" + rgb + "' ";
    const std::string toSrgb = std::string(" -intent perceptual -profile ") + kSrgbProfile;
    // How each fixture is made from a chart, and the options with which
    // ImageMagick converts it into the reference. The two converters part
    // most for L*a*b*, where either one's rounding near a channel's zero is
    // steep in sRGB's curve.
    const struct {
        const char* name;
        std::string make;
        std::string reference;
        double tolerance = 0.01;
    } cases[] = {
        {"tagged.tif", cmykIn + "-profile " + press, toSrgb},
        {"tagged16.tif", cmykIn + "-profile " + press + " -depth 16", toSrgb},
        {"tagged.psd", cmykIn + "-profile " + press, toSrgb},
        {"tagged.jpg", cmykIn + "-profile " + press + " -quality 100", toSrgb},
        {"untagged.tif", cmykIn, " -profile " + standard + toSrgb},
        {"untagged.psd", cmykIn, " -profile " + standard + toSrgb},
        {"lab.tif", rgbIn + "-colorspace Lab", "", 0.02},
        {"lab16.tif", rgbIn + "-colorspace Lab -depth 16", "", 0.02},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = folder / c.name;
        ASSERT_EQ(std::system((c.make + " '" + source + "'").c_str()), 0);
        const std::string reference = source + ".ppm";
        ASSERT_EQ(std::system(("convert '" + source + "'" + c.reference + " -depth 8 '" + reference + "'").c_str()), 0);
        CImage expected(reference, 0);
        ASSERT_EQ(expected.planes, 3);
        const auto loaded = Load(source);
        ASSERT_NE(loaded, nullptr);
        ASSERT_EQ(loaded->cols, expected.cols);
        EXPECT_LT(Rmse(*loaded, expected), c.tolerance);
        if (std::string(c.name) == "lab.tif") {
            WriteLabCopy(source, folder / "icclab.tif", PHOTOMETRIC_ICCLAB);
            const auto icc = Load(folder / "icclab.tif");
            ASSERT_NE(icc, nullptr);
            EXPECT_LT(Rmse(*icc, expected), c.tolerance) << "ICCLab";
            // ITU's encoding depends on ranges this reader does not take.
            WriteLabCopy(source, folder / "itulab.tif", PHOTOMETRIC_ITULAB);
            EXPECT_EQ(DecodePicture(folder / "itulab.tif").failure.reason, "unsupported variant (Lab colour)");
        }
    }
}

} // namespace
