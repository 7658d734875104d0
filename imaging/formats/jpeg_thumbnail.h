#pragma once
// A small JPEG of a picture, for the EXIF thumbnail of a framed output.

#include <cstdint>
#include <vector>

#include "interleaved_picture.h"

class CImage;

// The width of every thumbnail; its height keeps the picture's proportions.
inline constexpr int kThumbnailWidth = 160;
inline constexpr int kThumbnailQuality = 75;

// `picture` (3 planes of 8-bit samples) reduced to kThumbnailWidth columns by
// averaging and coded as a baseline JPEG with no marker segments beyond
// JFIF. Empty when the picture has no such raster or coding fails.
std::vector<std::uint8_t> MakeJpegThumbnail(const CImage& picture);
// The same from interleaved R, G, B samples (3 planes), the same bytes.
std::vector<std::uint8_t> MakeJpegThumbnail(const CInterleavedPicture& picture);
