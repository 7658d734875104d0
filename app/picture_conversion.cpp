#include "picture_conversion.h"

#include "file_type.h"
#include "image.h"
#include "source_picture.h"
#include "source_reading.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

template <typename T> struct CSampleLimits;
template <> struct CSampleLimits<std::uint8_t> { static constexpr std::uint32_t max = 255; };
template <> struct CSampleLimits<std::uint16_t> { static constexpr std::uint32_t max = 65535; };

// a × b / max, rounded: mixing two full-scale values.
template <typename T> inline T Mix(std::uint32_t a, std::uint32_t b)
{
    constexpr std::uint64_t max = CSampleLimits<T>::max;
    return static_cast<T>((std::uint64_t(a) * b + max / 2) / max);
}

// value over white with coverage alpha: value × a + max × (max − a), over max.
template <typename T> inline T OverWhite(std::uint32_t value, std::uint32_t alpha)
{
    constexpr std::uint64_t max = CSampleLimits<T>::max;
    return static_cast<T>((std::uint64_t(value) * alpha + max * (max - alpha) + max / 2) / max);
}

// `out` may be `in` itself when it has four planes: each sample written
// depends only on its own pixel's samples, read before it is written.
template <typename T> void FillRgb(const CImage& in, CImage& out, EPlaneModel model)
{
    constexpr std::uint32_t max = CSampleLimits<T>::max;
    const std::size_t n = in.PixelCount();
    const T* p[4] = {};
    for (int i = 0; i < in.planes; ++i)
        p[i] = reinterpret_cast<const T*>(in.plane[i]);
    T* r = reinterpret_cast<T*>(out.plane[0]);
    T* g = reinterpret_cast<T*>(out.plane[1]);
    T* b = reinterpret_cast<T*>(out.plane[2]);

    if (in.planes == 1) {
        for (std::size_t i = 0; i < n; ++i)
            r[i] = g[i] = b[i] = p[0][i];
    } else if (in.planes == 2) {
        for (std::size_t i = 0; i < n; ++i)
            r[i] = g[i] = b[i] = OverWhite<T>(p[0][i], p[1][i]);
    } else if (in.planes == 3 || model == EPlaneModel::RgbPlusExtra) {
        for (std::size_t i = 0; i < n; ++i) {
            r[i] = p[0][i];
            g[i] = p[1][i];
            b[i] = p[2][i];
        }
    } else if (model == EPlaneModel::Cmyk) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t k = max - p[3][i];
            r[i] = Mix<T>(max - p[0][i], k);
            g[i] = Mix<T>(max - p[1][i], k);
            b[i] = Mix<T>(max - p[2][i], k);
        }
    } else if (model == EPlaneModel::CmykInverted) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t k = p[3][i];
            r[i] = Mix<T>(p[0][i], k);
            g[i] = Mix<T>(p[1][i], k);
            b[i] = Mix<T>(p[2][i], k);
        }
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t a = p[3][i];
            r[i] = OverWhite<T>(p[0][i], a);
            g[i] = OverWhite<T>(p[1][i], a);
            b[i] = OverWhite<T>(p[2][i], a);
        }
    }
}

void CopyFields(const CImage& from, CImage& to)
{
    to.displayMax = from.displayMax;
    to.displayMin = from.displayMin;
    to.quality = from.quality;
    to.resolution = from.resolution;
    to.subsampling = from.subsampling;
}

} // namespace

EPlaneModel DetectPlaneModel(const CSourcePicture& source, const CImage& image)
{
    if (image.planes != 4)
        return EPlaneModel::Standard;
    switch (source.fileType) {
    case kFileTypeJpeg: return source.adobeMarker ? EPlaneModel::CmykInverted : EPlaneModel::Cmyk;
    case kFileTypeTiff: return source.tiffPhotometric == 5 ? EPlaneModel::Cmyk : EPlaneModel::Standard;
    case kFileTypePhotoshop:
        return source.photoshopMode == 4 ? EPlaneModel::CmykInverted : EPlaneModel::RgbPlusExtra;
    default: return EPlaneModel::Standard;
    }
}

EPlaneModel DetectPlaneModel(const std::string& path, const CImage& image)
{
    if (image.planes != 4)
        return EPlaneModel::Standard;
    return DetectPlaneModel(ReadSourceFactsFile(path), image);
}

int ConvertForEngine(CImage& image, EPlaneModel model)
{
    if (!image.HasAllPlanes() || image.rows < 1 || image.cols < 1)
        return kImageBadArgument;
    if (image.planes == 3 && image.sampleType != kSampleFloat)
        return kImageSuccess;

    // Float samples go to bytes through the picture's display range first.
    CImage bytes;
    const CImage* source = &image;
    if (image.sampleType == kSampleFloat) {
        bytes = CImage(image.cols, image.rows, image.planes, kSampleByte);
        if (bytes.planes != image.planes)
            return kImageOutOfMemory;
        const std::size_t n = image.PixelCount();
        for (int p = 0; p < image.planes; ++p) {
            const float* in = reinterpret_cast<const float*>(image.plane[p]);
            std::uint8_t* out = bytes.plane[p];
            for (std::size_t i = 0; i < n; ++i)
                out[i] = image.FloatToByte(in[i]);
        }
        source = &bytes;
        if (image.planes == 3) {
            CopyFields(image, bytes);
            image = std::move(bytes);
            return kImageSuccess;
        }
    }

    if (source->planes == 4) {
        // Four planes become three where they are: each pixel's colour comes
        // from its own samples alone, and a second raster would hold one more
        // copy of a picture that may take gigabytes.
        CImage& target = source == &image ? image : bytes;
        if (target.sampleType == kSampleWord)
            FillRgb<std::uint16_t>(target, target, model);
        else
            FillRgb<std::uint8_t>(target, target, model);
        std::free(target.plane[3]);
        target.plane[3] = nullptr;
        target.planes = 3;
        if (&target != &image) {
            CopyFields(image, bytes);
            image = std::move(bytes);
        }
        return kImageSuccess;
    }

    CImage rgb(source->cols, source->rows, 3, source->sampleType);
    if (rgb.planes != 3)
        return kImageOutOfMemory;
    if (source->sampleType == kSampleWord)
        FillRgb<std::uint16_t>(*source, rgb, model);
    else
        FillRgb<std::uint8_t>(*source, rgb, model);
    CopyFields(image, rgb);
    image = std::move(rgb);
    return kImageSuccess;
}
