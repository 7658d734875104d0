// Tagged pictures are converted to sRGB as a colour-managed converter
// (ImageMagick with LittleCMS) converts them; untagged and badly tagged ones
// are read as they are.
#include "test_pipeline_support.h"

#include <lcms2.h>

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

} // namespace
