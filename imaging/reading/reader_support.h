#pragma once
// Small helpers shared by the readers.

#include "image.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Whether a header's declared pixel data is believable for the bytes that
// are there. Short files are completed (the missing samples read as 0, and
// the picture is marked damaged), but a header that claims far more than the
// file holds is refused
// before anything is allocated, so a few hostile bytes cannot commit
// gigabytes: more than four times the available bytes plus 1 MiB is refused.
inline bool IsPlausibleSize(std::size_t declaredBytes, std::size_t availableBytes)
{
    constexpr std::size_t kAllowance = std::size_t{1} << 20;
    if (availableBytes > (SIZE_MAX - kAllowance) / 4)
        return true;
    return declaredBytes <= availableBytes * 4 + kAllowance;
}

// What a reader puts in CImage::damage when it recovered part of a file: the
// same short words for every format, so the job's report reads alike.
inline constexpr char kDataEndsEarly[] = "data ends early";
inline std::string DamagedData(const std::string& detail)
{
    return "damaged data (" + detail + ")";
}

// Whether a header's cols x rows exceed the pixel limit; if so the read is
// noted as refused for its size. Readers ask before any check of the data's
// length, so a forged size is reported as what it is, not as a short file.
bool ExceedsPixelLimit(std::uint64_t cols, std::uint64_t rows);

// Refuses a file whose header is sound but of whose pixels nothing could be
// decoded: framing an empty raster would only pass an all-black picture off
// as the file's.
int RefuseUnrecoverable();

// Ends a reader: a failure never leaves planes behind, so callers that test
// planes != 0 cannot mistake a half-read image for a picture.
inline int FinishRead(CImage& image, int result)
{
    if (result != kImageSuccess) {
        image.FreePlanes();
        image.damage.clear();
    }
    return result;
}

// The colour tables of a palette file (bitmap, GIF); entries the file does
// not set stay 0.
struct CPalette {
    std::array<std::uint8_t, 256> red{};
    std::array<std::uint8_t, 256> green{};
    std::array<std::uint8_t, 256> blue{};
};

// Sets the fields a reader fills (no damage yet), then allocates the planes.
int SetUpImage(CImage& image, int cols, int rows, int planes, int sampleType);
