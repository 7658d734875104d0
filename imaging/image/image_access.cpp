// CImage plane and pixel access, interleaved exchange and the DIB export.
#include "image.h"

#include <algorithm>

namespace {
template <typename T>
int GetTypedPlane(const CImage& image, T** out, int index)
{
    if (index < 0 || index > 3) {
        *out = nullptr;
        return kImageBadArgument;
    }
    *out = reinterpret_cast<T*>(image.plane[index]);
    return kImageSuccess;
}

template <typename T>
int Interleave(const CImage& image, int type, T* out, std::size_t count)
{
    if (image.sampleType != type || out == nullptr || !image.HasAllPlanes() ||
        count != image.PixelCount() * static_cast<std::size_t>(image.planes))
        return kImageBadArgument;
    const std::size_t n = image.PixelCount();
    const std::size_t stride = static_cast<std::size_t>(image.planes);
    if (stride == 3) {
        // One pass for the usual colour picture: a 24 MP picture is written
        // once instead of three times at a stride, and the compiler can
        // shuffle whole vectors.
        const T* r = reinterpret_cast<const T*>(image.plane[0]);
        const T* g = reinterpret_cast<const T*>(image.plane[1]);
        const T* b = reinterpret_cast<const T*>(image.plane[2]);
        for (std::size_t i = 0; i < n; ++i) {
            out[3 * i] = r[i];
            out[3 * i + 1] = g[i];
            out[3 * i + 2] = b[i];
        }
        return kImageSuccess;
    }
    for (int p = 0; p < image.planes; ++p) {
        const T* src = reinterpret_cast<const T*>(image.plane[p]);
        T* dst = out + p;
        for (std::size_t i = 0; i < n; ++i)
            dst[i * stride] = src[i];
    }
    return kImageSuccess;
}

template <typename T>
int Deinterleave(CImage& image, int type, const T* in, std::size_t count)
{
    if (image.sampleType != type || in == nullptr || !image.HasAllPlanes() ||
        count != image.PixelCount() * static_cast<std::size_t>(image.planes))
        return kImageBadArgument;
    const std::size_t n = image.PixelCount();
    const std::size_t stride = static_cast<std::size_t>(image.planes);
    for (int p = 0; p < image.planes; ++p) {
        T* dst = reinterpret_cast<T*>(image.plane[p]);
        const T* src = in + p;
        for (std::size_t i = 0; i < n; ++i)
            dst[i] = src[i * stride];
    }
    return kImageSuccess;
}
} // namespace

bool CImage::HasAllPlanes() const
{
    if (planes <= 0 || planes > 4)
        return false;
    for (int p = 0; p < planes; ++p)
        if (plane[p] == nullptr)
            return false;
    return true;
}

int CImage::GetPlane(std::uint8_t** out, int index) const { return GetTypedPlane(*this, out, index); }
int CImage::GetPlane(std::uint16_t** out, int index) const { return GetTypedPlane(*this, out, index); }
int CImage::GetPlane(float** out, int index) const { return GetTypedPlane(*this, out, index); }

int CImage::GetPixelRGBA(int col, int row, std::uint8_t out[4]) const
{
    std::fill(out, out + 4, std::uint8_t{0});
    const long long index = static_cast<long long>(row) * cols + col;
    if (index < 0 || static_cast<std::size_t>(index) >= PixelCount() || !HasAllPlanes())
        return kImageBadArgument;
    const std::size_t i = static_cast<std::size_t>(index);
    const int n = std::min(planes, 4);
    for (int p = 0; p < n; ++p)
        out[p] = SampleAsByte(p, i);
    if (planes == 1)
        out[1] = out[2] = out[3] = out[0];
    return kImageSuccess;
}

int CImage::ToInterleaved8(std::uint8_t* out, std::size_t count) const
{
    return Interleave(*this, kSampleByte, out, count);
}

int CImage::ToInterleaved16(std::uint16_t* out, std::size_t count) const
{
    return Interleave(*this, kSampleWord, out, count);
}

int CImage::FromInterleaved8(const std::uint8_t* in, std::size_t count)
{
    return Deinterleave(*this, kSampleByte, in, count);
}

int CImage::FromInterleaved16(const std::uint16_t* in, std::size_t count)
{
    return Deinterleave(*this, kSampleWord, in, count);
}

std::size_t CImage::DibStride(int cols_)
{
    if (cols_ <= 0)
        return 0;
    return (static_cast<std::size_t>(cols_) * 3 + 3) & ~std::size_t{3};
}

int CImage::ExportDIB(std::uint8_t* buffer, std::size_t byteSize) const
{
    if (buffer == nullptr || planes < 3 || !HasAllPlanes() || PixelCount() == 0)
        return kImageBadArgument;
    const std::size_t stride = DibStride(cols);
    if (byteSize != stride * static_cast<std::size_t>(rows))
        return kImageBadArgument;
    const std::size_t width = static_cast<std::size_t>(cols);
    for (int r = 0; r < rows; ++r) {
        std::uint8_t* dst = buffer + static_cast<std::size_t>(rows - 1 - r) * stride;
        const std::size_t first = static_cast<std::size_t>(r) * width;
        if (sampleType == kSampleByte) {
            const std::uint8_t* red = plane[0] + first;
            const std::uint8_t* green = plane[1] + first;
            const std::uint8_t* blue = plane[2] + first;
            for (std::size_t c = 0; c < width; ++c) {
                dst[c * 3] = blue[c];
                dst[c * 3 + 1] = green[c];
                dst[c * 3 + 2] = red[c];
            }
        } else {
            for (std::size_t c = 0; c < width; ++c) {
                dst[c * 3] = SampleAsByte(2, first + c);
                dst[c * 3 + 1] = SampleAsByte(1, first + c);
                dst[c * 3 + 2] = SampleAsByte(0, first + c);
            }
        }
    }
    return kImageSuccess;
}
