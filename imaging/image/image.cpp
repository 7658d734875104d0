// CImage construction, plane ownership and the library's number conversions.
#include "image.h"

#include "read_problem.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

CImage::CImage() = default;

CImage::CImage(int cols_, int rows_, int planes_, int sampleType_)
    : rows(rows_), cols(cols_), planes(planes_), sampleType(sampleType_)
{
    AllocatePlanes();
}

CImage::CImage(const std::filesystem::path& path, int fileType)
{
    ReadFile(path, fileType);
}

CImage::~CImage()
{
    FreePlanes();
}

CImage::CImage(CImage&& other) noexcept
{
    *this = std::move(other);
}

CImage& CImage::operator=(CImage&& other) noexcept
{
    if (this != &other) {
        FreePlanes();
        displayMax = other.displayMax;
        displayMin = other.displayMin;
        headerCols = other.headerCols;
        rows = other.rows;
        cols = other.cols;
        planes = other.planes;
        quality = other.quality;
        resolution = other.resolution;
        subsampling = other.subsampling;
        sampleType = other.sampleType;
        headerSide = other.headerSide;
        damage = std::move(other.damage);
        for (int i = 0; i < 4; ++i) {
            roi[i] = other.roi[i];
            plane[i] = std::exchange(other.plane[i], nullptr);
        }
        other.planes = 0;
    }
    return *this;
}

void CImage::FreePlanes()
{
    for (auto& p : plane) {
        std::free(p);
        p = nullptr;
    }
    planes = 0;
}

int CImage::AllocatePlanes()
{
    const int wanted = planes;
    FreePlanes();
    if (wanted == 0)
        return kImageSuccess;
    if (wanted < 0 || wanted > 4 || rows <= 0 || cols <= 0 || sampleType < kSampleByte || sampleType > kSampleFloat)
        return kImageBadArgument;
    const std::size_t pixels = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
    const std::size_t bytes = pixels * (sampleType == kSampleByte ? 1 : sampleType == kSampleWord ? 2 : 4);
    if (pixels > kMaxPixels)
        NoteTooLarge(static_cast<std::size_t>(cols), static_cast<std::size_t>(rows));
    bool ok = pixels <= kMaxPixels;
    for (int p = 0; ok && p < wanted; ++p) {
        // Zeroed, so that a reader that stops early never exposes stale heap
        // contents; large blocks come straight from fresh pages anyway.
        plane[p] = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
        ok = plane[p] != nullptr;
    }
    if (!ok) {
        NoteReadProblem(EReadProblem::OutOfMemory);
        std::fputs("Out of memory in CImage constructor\n", stdout);
        std::fflush(stdout);
        FreePlanes();
        return kImageOutOfMemory;
    }
    planes = wanted;
    return kImageSuccess;
}

std::size_t CImage::BytesPerSample() const
{
    switch (sampleType) {
    case kSampleWord: return 2;
    case kSampleFloat: return 4;
    default: return 1;
    }
}

std::size_t CImage::PixelCount() const
{
    if (rows <= 0 || cols <= 0)
        return 0;
    return static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
}

std::uint8_t CImage::ClampToByte(float v)
{
    if (v >= 255.0f)
        return 255;
    if (v > 0.0f)
        return static_cast<std::uint8_t>(v);
    return 0;  // also NaN
}

std::uint16_t CImage::ClampToWord(float v)
{
    if (v >= 65535.0f)
        return 65535;
    if (v > 0.0f)
        return static_cast<std::uint16_t>(v);
    return 0;
}

int CImage::Round(float v)
{
    // Saturate instead of overflowing the conversion.
    if (v >= 2147483647.0f)
        return 2147483647;
    if (v <= -2147483648.0f)
        return -2147483647 - 1;
    if (v >= 0.0f)
        return static_cast<int>(v + 0.5f);
    if (v < 0.0f)
        return static_cast<int>(v - 0.5f);
    return 0;  // NaN
}

std::uint8_t CImage::FloatToByte(float v) const
{
    const float scale = 255.0f / (displayMax - displayMin);
    return ClampToByte((v - displayMin) * scale);
}

std::uint8_t CImage::SampleAsByte(int p, std::size_t i) const
{
    const std::uint8_t* data = plane[p];
    switch (sampleType) {
    case kSampleWord: return static_cast<std::uint8_t>(reinterpret_cast<const std::uint16_t*>(data)[i] >> 8);
    case kSampleFloat: return FloatToByte(reinterpret_cast<const float*>(data)[i]);
    default: return data[i];
    }
}
