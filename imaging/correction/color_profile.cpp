#include "color_profile.h"

#include "image.h"

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>

namespace {

// --- Converting ---------------------------------------------------------------

void SilenceLittleCms()
{
    static std::once_flag once;
    std::call_once(once, [] { cmsSetLogErrorHandler([](cmsContext, cmsUInt32Number, const char*) {}); });
}

struct ProfileCloser {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TransformCloser {
    void operator()(void* t) const { cmsDeleteTransform(t); }
};
using CProfile = std::unique_ptr<void, ProfileCloser>;
using CTransform = std::unique_ptr<void, TransformCloser>;

struct ToneCurveFree {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
using CToneCurve = std::unique_ptr<cmsToneCurve, ToneCurveFree>;

// --- Profiles from code points ------------------------------------------------

// Chromaticities (x, y) of red, green, blue and white of the H.273 colour
// primaries LittleCMS can express; the CIE XYZ primaries (10) cannot be.
struct CPrimaries {
    double rx, ry, gx, gy, bx, by, wx, wy;
};
constexpr CPrimaries kBt709Primaries{0.640, 0.330, 0.300, 0.600, 0.150, 0.060, 0.3127, 0.3290};

const CPrimaries& FindPrimaries(int code)
{
    static constexpr CPrimaries kBt470M{0.670, 0.330, 0.210, 0.710, 0.140, 0.080, 0.310, 0.316};
    static constexpr CPrimaries kBt470BG{0.640, 0.330, 0.290, 0.600, 0.150, 0.060, 0.3127, 0.3290};
    static constexpr CPrimaries kBt601{0.630, 0.340, 0.310, 0.595, 0.155, 0.070, 0.3127, 0.3290};
    static constexpr CPrimaries kFilm{0.681, 0.319, 0.243, 0.692, 0.145, 0.049, 0.310, 0.316};
    static constexpr CPrimaries kBt2020{0.708, 0.292, 0.170, 0.797, 0.131, 0.046, 0.3127, 0.3290};
    static constexpr CPrimaries kDciP3{0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.314, 0.351};
    static constexpr CPrimaries kDisplayP3{0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.3127, 0.3290};
    static constexpr CPrimaries kEbu3213{0.630, 0.340, 0.295, 0.605, 0.155, 0.077, 0.3127, 0.3290};
    switch (code) {
    case 4: return kBt470M;
    case 5: return kBt470BG;
    case 6:
    case 7: return kBt601;
    case 8: return kFilm;
    case 9: return kBt2020;
    case 11: return kDciP3;
    case 12: return kDisplayP3;
    case 22: return kEbu3213;
    default: return kBt709Primaries;  // 1, unspecified and unknown
    }
}

enum class ETransfer { Srgb, Smpte240, Gamma22, Gamma28, Linear, Pq, Hlg };

ETransfer FindTransfer(int code)
{
    // BT.709's curve (1, 6, 14, 15, and 11 and 12 over 0 to 1) is a camera's
    // encoding; pictures carrying it are shown as sRGB, as BT.709 pictures
    // are left as read, so a grey stays the same grey whatever the primaries.
    switch (code) {
    case 4: return ETransfer::Gamma22;
    case 5: return ETransfer::Gamma28;
    case 7: return ETransfer::Smpte240;
    case 8: return ETransfer::Linear;
    case 16: return ETransfer::Pq;
    case 18: return ETransfer::Hlg;
    default: return ETransfer::Srgb;  // 13, unspecified, and the logarithmic and cinema curves
    }
}

// HDR to SDR. Both HDR signals are first turned into display light in cd/m²:
// PQ by its EOTF (SMPTE ST 2084), HLG by its inverse OETF and the BT.2100
// reference display (1000 cd/m², system gamma 1.2; applied to each channel
// rather than to luminance, which is exact for greys and saturates colours a
// little more). That light is
// divided by the 203 cd/m² of HDR reference white (BT.2408), so diffuse white
// comes to about full scale. Above 80 % of it, values are compressed smoothly
// (same slope at the knee, approaching 1 without reaching it) instead of
// clipping: reference white itself lands at 0.9 (sRGB 243 of 255) and the
// highlights up to 10,000 cd/m² keep a little gradation above it.
double HdrLightToSdr(double nits)
{
    constexpr double kReferenceWhite = 203.0;
    constexpr double kKnee = 0.8;
    const double level = nits / kReferenceWhite;
    if (level <= kKnee)
        return level;
    const double over = (level - kKnee) / (1.0 - kKnee);
    return kKnee + (1.0 - kKnee) * over / (1.0 + over);
}

double PqToNits(double signal)
{
    constexpr double m1 = 2610.0 / 16384.0, m2 = 2523.0 / 4096.0 * 128.0;
    constexpr double c1 = 3424.0 / 4096.0, c2 = 2413.0 / 4096.0 * 32.0, c3 = 2392.0 / 4096.0 * 32.0;
    const double p = std::pow(signal, 1.0 / m2);
    return 10000.0 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1.0 / m1);
}

double HlgToNits(double signal)
{
    constexpr double a = 0.17883277, b = 0.28466892, c = 0.55991073;
    const double scene = signal <= 0.5 ? signal * signal / 3.0 : (std::exp((signal - c) / a) + b) / 12.0;
    return 1000.0 * std::pow(scene, 1.2);
}

CToneCurve BuildToneCurve(ETransfer transfer)
{
    // LittleCMS type 4: Y = (aX + b)^g for X >= d, Y = cX below.
    static constexpr double kSrgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    static constexpr double kSmpte240[5] = {1.0 / 0.45, 1.0 / 1.1115, 0.1115 / 1.1115, 1.0 / 4.0, 0.0912};
    switch (transfer) {
    case ETransfer::Srgb: return CToneCurve(cmsBuildParametricToneCurve(nullptr, 4, kSrgb));
    case ETransfer::Smpte240: return CToneCurve(cmsBuildParametricToneCurve(nullptr, 4, kSmpte240));
    case ETransfer::Gamma22: return CToneCurve(cmsBuildGamma(nullptr, 2.2));
    case ETransfer::Gamma28: return CToneCurve(cmsBuildGamma(nullptr, 2.8));
    case ETransfer::Linear: return CToneCurve(cmsBuildGamma(nullptr, 1.0));
    case ETransfer::Pq:
    case ETransfer::Hlg: break;
    }
    // A 16-bit table, not a float one: LittleCMS then folds the whole
    // conversion into a matrix-shaper instead of evaluating the curve for
    // every pixel (a 12 MP 10-bit picture took seconds).
    constexpr int kEntries = 4096;
    std::vector<cmsUInt16Number> table(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        const double signal = double(i) / (kEntries - 1);
        const double light = HdrLightToSdr(transfer == ETransfer::Pq ? PqToNits(signal) : HlgToNits(signal));
        table[std::size_t(i)] = cmsUInt16Number(std::lround(std::clamp(light, 0.0, 1.0) * 65535.0));
    }
    return CToneCurve(cmsBuildTabulatedToneCurve16(nullptr, kEntries, table.data()));
}

std::vector<std::uint8_t> SaveProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile, nullptr, &size) || size == 0)
        return {};
    std::vector<std::uint8_t> bytes(size);
    if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
        return {};
    bytes.resize(size);
    return bytes;
}

// --- The default press -------------------------------------------------------

// Coated offset printing as ISO 12647-2 describes it (the FOGRA39
// characterisation data), modelled after Yule and Nielsen's form of
// Neugebauer's equations: a pixel reflects the mean of the sixteen solid
// overprints of its inks, weighted by the area each covers (Demichel) and
// taken to the power 1/n before averaging, with each ink's nominal dot
// first grown to the area it covers on paper. Fitted to the 1617 measured
// patches of that data: mean ΔE*ab 2.5, largest 5.2 (2.9 and 7.4 without
// the dot growth). The table is then scaled so paper is white and the four
// solid inks black (see SamplePress).

// CIE XYZ (D50, paper's Y about 0.88) of the overprints, indexed by
// cyan × 8 + magenta × 4 + yellow × 2 + black, 0 or 1 each.
constexpr double kOverprints[16][3] = {
    {0.8448, 0.8762, 0.7457}, {0.0202, 0.0210, 0.0173}, {0.6917, 0.7416, 0.0704}, {0.0184, 0.0204, 0.0082},
    {0.3303, 0.1679, 0.1501}, {0.0161, 0.0118, 0.0089}, {0.3020, 0.1602, 0.0230}, {0.0156, 0.0131, 0.0065},
    {0.1502, 0.2293, 0.5285}, {0.0091, 0.0118, 0.0179}, {0.0816, 0.1842, 0.0674}, {0.0089, 0.0131, 0.0085},
    {0.0567, 0.0410, 0.1567}, {0.0099, 0.0087, 0.0108}, {0.0366, 0.0380, 0.0313}, {0.0093, 0.0097, 0.0069},
};
// The area each ink covers at nominal dots of 10 %, 20 %, ... 90 % (0 and
// 100 % stay as they are), in the order cyan, magenta, yellow, black.
constexpr double kDotAreas[4][9] = {
    {0.0987, 0.2026, 0.3050, 0.4138, 0.5192, 0.6281, 0.7328, 0.8328, 0.9209},
    {0.0981, 0.2001, 0.3081, 0.4183, 0.5305, 0.6407, 0.7475, 0.8476, 0.9315},
    {0.1003, 0.2034, 0.3112, 0.4212, 0.5302, 0.6395, 0.7462, 0.8460, 0.9299},
    {0.1017, 0.2020, 0.3057, 0.4068, 0.5112, 0.6117, 0.7162, 0.8144, 0.9113},
};
constexpr double kYuleNielsen = 1.8;

double DotArea(int ink, double nominal)
{
    const double at = std::clamp(nominal, 0.0, 1.0) * 10.0;
    const int step = std::min(int(at), 9);
    const double low = step == 0 ? 0.0 : kDotAreas[ink][step - 1];
    const double high = step == 9 ? 1.0 : kDotAreas[ink][step];
    return low + (at - step) * (high - low);
}

// The Lab of one ink combination, in the profile connection space's 16-bit
// encoding.
cmsInt32Number SamplePress(const cmsUInt16Number in[], cmsUInt16Number out[], void*)
{
    static const auto rooted = [] {
        std::array<std::array<double, 3>, 16> r{};
        for (std::size_t i = 0; i < 16; ++i)
            for (std::size_t c = 0; c < 3; ++c)
                r[i][c] = std::pow(kOverprints[i][c], 1.0 / kYuleNielsen);
        return r;
    }();
    double area[4];
    for (int ink = 0; ink < 4; ++ink)
        area[ink] = DotArea(ink, in[ink] / 65535.0);
    double sum[3] = {0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < 16; ++i) {
        double weight = 1.0;
        for (int ink = 0; ink < 4; ++ink)
            weight *= (i >> (3 - ink) & 1) != 0 ? area[ink] : 1.0 - area[ink];
        for (std::size_t c = 0; c < 3; ++c)
            sum[c] += weight * rooted[i][c];
    }
    // Paper becomes the connection space's white and, as perceptual tables
    // of presses do, the four solid inks its black, so the deepest shadow a
    // press can print shows as black rather than as dark grey.
    const cmsCIEXYZ* d50 = cmsD50_XYZ();
    const double white[3] = {d50->X, d50->Y, d50->Z};
    double relative[3];
    for (std::size_t c = 0; c < 3; ++c) {
        const double black = kOverprints[15][c] / kOverprints[0][c];
        const double light = std::pow(sum[c], kYuleNielsen) / kOverprints[0][c];
        relative[c] = white[c] * std::max(light - black, 0.0) / (1.0 - black);
    }
    const cmsCIEXYZ xyz{relative[0], relative[1], relative[2]};
    cmsCIELab lab;
    cmsXYZ2Lab(nullptr, &lab, &xyz);
    cmsFloat2LabEncoded(out, &lab);
    return TRUE;
}

struct PipelineFree {
    void operator()(cmsPipeline* pipeline) const { cmsPipelineFree(pipeline); }
};

// Hands a table stage to the pipeline, which owns it from then on; a stage
// it does not take is freed.
bool InsertTable(cmsPipeline* pipeline, cmsStage* table)
{
    if (table == nullptr)
        return false;
    if (cmsPipelineInsertStage(pipeline, cmsAT_BEGIN, table))
        return true;
    cmsStageFree(table);
    return false;
}

std::vector<std::uint8_t> MakeDefaultCmykProfile()
{
    SilenceLittleCms();
    const CProfile profile(cmsCreateProfilePlaceholder(nullptr));
    const std::unique_ptr<cmsPipeline, PipelineFree> pipeline(cmsPipelineAlloc(nullptr, 4, 3));
    if (!profile || !pipeline)
        return {};
    cmsSetDeviceClass(profile.get(), cmsSigOutputClass);
    cmsSetColorSpace(profile.get(), cmsSigCmykData);
    cmsSetPCS(profile.get(), cmsSigLabData);
    cmsSetHeaderRenderingIntent(profile.get(), INTENT_PERCEPTUAL);
    if (!InsertTable(pipeline.get(), cmsStageAllocCLut16bit(nullptr, 17, 4, 3, nullptr)) ||
        !cmsStageSampleCLut16bit(cmsPipelineGetPtrToFirstStage(pipeline.get()), SamplePress, nullptr, 0))
        return {};
    const cmsCIEXYZ paper{kOverprints[0][0], kOverprints[0][1], kOverprints[0][2]};
    cmsMLU* description = cmsMLUalloc(nullptr, 1);
    const bool written = description && cmsMLUsetASCII(description, "en", "US", "Coated offset (ISO 12647-2)") &&
                         cmsWriteTag(profile.get(), cmsSigProfileDescriptionTag, description) &&
                         cmsWriteTag(profile.get(), cmsSigMediaWhitePointTag, &paper) &&
                         cmsWriteTag(profile.get(), cmsSigAToB0Tag, pipeline.get());
    if (description)
        cmsMLUfree(description);
    return written ? SaveProfile(profile.get()) : std::vector<std::uint8_t>{};
}

// --- Running a transform over the planes -----------------------------------------

template <typename T>
void Transform(cmsHTRANSFORM transform, const CImage& in, int channels, CImage& out)
{
    const std::size_t cols = std::size_t(in.cols);
    std::vector<T> source(cols * std::size_t(channels));
    std::vector<T> rgb(cols * 3);
    for (int y = 0; y < in.rows; ++y) {
        const std::size_t row = std::size_t(y) * cols;
        for (int c = 0; c < channels; ++c) {
            const T* plane = reinterpret_cast<const T*>(in.plane[c]) + row;
            for (std::size_t x = 0; x < cols; ++x)
                source[x * std::size_t(channels) + std::size_t(c)] = plane[x];
        }
        cmsDoTransform(transform, source.data(), rgb.data(), cmsUInt32Number(cols));
        for (int c = 0; c < 3; ++c) {
            T* plane = reinterpret_cast<T*>(out.plane[c]) + row;
            for (std::size_t x = 0; x < cols; ++x)
                plane[x] = rgb[x * 3 + std::size_t(c)];
        }
    }
}

} // namespace

int ProfileColorChannels(std::span<const std::uint8_t> profile)
{
    if (profile.empty())
        return 0;
    SilenceLittleCms();
    const CProfile parsed(cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size())));
    if (!parsed)
        return 0;
    switch (cmsGetColorSpace(parsed.get())) {
    case cmsSigGrayData: return 1;
    case cmsSigRgbData: return 3;
    case cmsSigCmykData: return 4;
    default: return 0;
    }
}

std::vector<std::uint8_t> MakeCodePointProfile(int primaries, int transfer)
{
    const CPrimaries& p = FindPrimaries(primaries);
    const ETransfer curve = FindTransfer(transfer);
    if (&p == &kBt709Primaries && curve == ETransfer::Srgb)
        return {};
    SilenceLittleCms();
    const CToneCurve tone = BuildToneCurve(curve);
    if (!tone)
        return {};
    const cmsCIExyY white{p.wx, p.wy, 1.0};
    const cmsCIExyYTRIPLE rgb{{p.rx, p.ry, 1.0}, {p.gx, p.gy, 1.0}, {p.bx, p.by, 1.0}};
    cmsToneCurve* const curves[3] = {tone.get(), tone.get(), tone.get()};
    const CProfile profile(cmsCreateRGBProfile(&white, &rgb, curves));
    return profile ? SaveProfile(profile.get()) : std::vector<std::uint8_t>{};
}

namespace {

// Puts three sRGB planes in place of the picture's first `channels` planes,
// which hold samples of `format` in the colour space of `source`; a plane
// after them (transparency) is kept after the three.
int ConvertPlanes(CImage& image, cmsHPROFILE source, cmsUInt32Number format, int channels)
{
    const bool words = image.sampleType == kSampleWord;
    const CProfile srgb(cmsCreate_sRGBProfile());
    if (!srgb)
        return kImageBadArgument;
    const CTransform transform(
        cmsCreateTransform(source, format, srgb.get(), words ? TYPE_RGB_16 : TYPE_RGB_8, INTENT_PERCEPTUAL, 0));
    if (!transform)
        return kImageBadArgument;

    const int extra = image.planes - channels;
    CImage rgb(image.cols, image.rows, 3 + extra, image.sampleType);
    if (rgb.planes != 3 + extra)
        return kImageOutOfMemory;
    if (words)
        Transform<std::uint16_t>(transform.get(), image, channels, rgb);
    else
        Transform<std::uint8_t>(transform.get(), image, channels, rgb);
    if (extra == 1)
        std::memcpy(rgb.plane[3], image.plane[channels], image.PixelCount() * image.BytesPerSample());
    rgb.displayMax = image.displayMax;
    rgb.displayMin = image.displayMin;
    rgb.quality = image.quality;
    rgb.resolution = image.resolution;
    rgb.subsampling = image.subsampling;
    image = std::move(rgb);
    return kImageSuccess;
}

// L*a*b* relative to `white` to the profile connection space's (D50):
// through XYZ, with Bradford's adaptation, as a colour seen under that white
// is seen under D50. Values as LittleCMS's float tables hold them, 0 to 1.
cmsInt32Number SampleAdaptedLab(const cmsFloat32Number in[], cmsFloat32Number out[], void* cargo)
{
    const cmsCIEXYZ& white = *static_cast<const cmsCIEXYZ*>(cargo);
    const cmsCIELab lab{in[0] * 100.0, in[1] * 255.0 - 128.0, in[2] * 255.0 - 128.0};
    cmsCIEXYZ xyz, adapted;
    cmsLab2XYZ(&white, &xyz, &lab);
    cmsAdaptToIlluminant(&adapted, &white, cmsD50_XYZ(), &xyz);
    cmsCIELab pcs;
    cmsXYZ2Lab(cmsD50_XYZ(), &pcs, &adapted);
    out[0] = cmsFloat32Number(pcs.L / 100.0);
    out[1] = cmsFloat32Number((pcs.a + 128.0) / 255.0);
    out[2] = cmsFloat32Number((pcs.b + 128.0) / 255.0);
    return TRUE;
}

// A profile for L*a*b* samples relative to the white of chromaticity x, y:
// LittleCMS's own for D50, an abstract one that adapts for any other white.
CProfile MakeLabProfile(double whiteX, double whiteY)
{
    const cmsCIExyY* d50 = cmsD50_xyY();
    if (std::abs(whiteX - d50->x) < 0.0005 && std::abs(whiteY - d50->y) < 0.0005)
        return CProfile(cmsCreateLab4Profile(nullptr));
    const cmsCIExyY whiteXyy{whiteX, whiteY, 1.0};
    cmsCIEXYZ white;
    cmsxyY2XYZ(&white, &whiteXyy);
    CProfile profile(cmsCreateProfilePlaceholder(nullptr));
    const std::unique_ptr<cmsPipeline, PipelineFree> pipeline(cmsPipelineAlloc(nullptr, 3, 3));
    if (!profile || !pipeline)
        return nullptr;
    cmsSetDeviceClass(profile.get(), cmsSigAbstractClass);
    cmsSetColorSpace(profile.get(), cmsSigLabData);
    cmsSetPCS(profile.get(), cmsSigLabData);
    if (!InsertTable(pipeline.get(), cmsStageAllocCLutFloat(nullptr, 33, 3, 3, nullptr)) ||
        !cmsStageSampleCLutFloat(cmsPipelineGetPtrToFirstStage(pipeline.get()), SampleAdaptedLab, &white, 0) ||
        !cmsWriteTag(profile.get(), cmsSigAToB0Tag, pipeline.get()))
        return nullptr;
    return profile;
}

} // namespace

const std::vector<std::uint8_t>& DefaultCmykProfile()
{
    static const std::vector<std::uint8_t> profile = MakeDefaultCmykProfile();
    return profile;
}

int ConvertToSrgb(CImage& image, std::span<const std::uint8_t> profile, bool invertedCmyk)
{
    if (profile.empty() || !image.HasAllPlanes() || image.PixelCount() == 0)
        return kImageBadArgument;
    const bool words = image.sampleType == kSampleWord;
    if (!words && image.sampleType != kSampleByte)
        return kImageBadArgument;
    SilenceLittleCms();
    const CProfile source(cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size())));
    if (!source)
        return kImageBadArgument;

    int channels = 0;
    cmsUInt32Number format = 0;
    switch (cmsGetColorSpace(source.get())) {
    case cmsSigGrayData:
        channels = 1;
        format = words ? TYPE_GRAY_16 : TYPE_GRAY_8;
        break;
    case cmsSigRgbData:
        channels = 3;
        format = words ? TYPE_RGB_16 : TYPE_RGB_8;
        break;
    case cmsSigCmykData:
        channels = 4;
        format = words ? (invertedCmyk ? TYPE_CMYK_16_REV : TYPE_CMYK_16) : (invertedCmyk ? TYPE_CMYK_8_REV : TYPE_CMYK_8);
        break;
    default:
        return kImageBadArgument;
    }
    // The picture's planes must be the profile's channels, plus at most one
    // transparency plane for grey and RGB.
    const int extra = image.planes - channels;
    if (extra < 0 || extra > (channels == 4 ? 0 : 1))
        return kImageBadArgument;
    return ConvertPlanes(image, source.get(), format, channels);
}

int ConvertRgbSamplesToSrgb(std::uint8_t* samples, int cols, int rows, std::span<const std::uint8_t> profile)
{
    if (profile.empty() || samples == nullptr || cols < 1 || rows < 1)
        return kImageBadArgument;
    SilenceLittleCms();
    const CProfile source(cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size())));
    if (!source || cmsGetColorSpace(source.get()) != cmsSigRgbData)
        return kImageBadArgument;
    const CProfile srgb(cmsCreate_sRGBProfile());
    if (!srgb)
        return kImageBadArgument;
    // The transform the plane conversion builds, so each pixel comes out the same.
    const CTransform transform(
        cmsCreateTransform(source.get(), TYPE_RGB_8, srgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL, 0));
    if (!transform)
        return kImageBadArgument;
    const std::size_t rowBytes = std::size_t(cols) * 3;
    std::vector<std::uint8_t> converted(rowBytes);
    for (int y = 0; y < rows; ++y) {
        std::uint8_t* row = samples + std::size_t(y) * rowBytes;
        cmsDoTransform(transform.get(), row, converted.data(), cmsUInt32Number(cols));
        std::memcpy(row, converted.data(), rowBytes);
    }
    return kImageSuccess;
}

int ConvertLabToSrgb(CImage& image, bool signedAb, double whiteX, double whiteY)
{
    if (!image.HasAllPlanes() || image.PixelCount() == 0 || image.planes < 3 || !(whiteY > 0.0) ||
        !(whiteX > 0.0) || whiteX + whiteY >= 1.0)
        return kImageBadArgument;
    const bool words = image.sampleType == kSampleWord;
    if (!words && image.sampleType != kSampleByte)
        return kImageBadArgument;
    SilenceLittleCms();
    const CProfile lab = MakeLabProfile(whiteX, whiteY);
    if (!lab)
        return kImageBadArgument;
    // Brought to ICC's encoding in place: two's complement a* and b* become
    // offset ones by their top bit, and a 16-bit L* of TIFF's 0 to 65535
    // becomes ICC's 0 to 65280.
    const std::size_t n = image.PixelCount();
    if (words && signedAb) {
        std::uint16_t* planes[3];
        for (int p = 0; p < 3; ++p)
            planes[p] = reinterpret_cast<std::uint16_t*>(image.plane[p]);
        for (std::size_t i = 0; i < n; ++i) {
            planes[0][i] = std::uint16_t((std::uint32_t(planes[0][i]) * 65280 + 32767) / 65535);
            planes[1][i] ^= 0x8000;
            planes[2][i] ^= 0x8000;
        }
    } else if (signedAb) {
        for (std::size_t i = 0; i < n; ++i) {
            image.plane[1][i] ^= 0x80;
            image.plane[2][i] ^= 0x80;
        }
    }
    return ConvertPlanes(image, lab.get(), words ? TYPE_LabV2_16 : TYPE_Lab_8, 3);
}
