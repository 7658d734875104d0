#pragma once
// JPEG header info and decoding into a CImage through libjpeg (API 62).
// Everything is local to the call; libjpeg's fatal errors end only the call
// in progress, as a failure.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "rgb_target.h"

struct CJpegCoding;

class CImage;

// Output width, height and components at the library's default decoding
// parameters (no pixels decoded). When adobeFlag is not null it receives 1
// if the file carries an Adobe APP14 marker, else 0. Returns 0, 2 (cannot
// open) or 1 (not a JPEG libjpeg can start, or a size it refuses); on failure
// the outputs are 0 and *adobeFlag is untouched.
int ReadJpegInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes, int* adobeFlag);
int ReadJpegInfo(const std::uint8_t* data, std::size_t size, int& cols, int& rows, int& planes, int* adobeFlag);

// Decodes the whole file at default parameters: 1 plane for greyscale, 3
// (R, G, B) for YCbCr and RGB, 4 stored CMYK values for CMYK and YCCK; 8-bit
// samples, quality 75, resolution from the JFIF X density when its unit is
// non-zero, subsampling code from component 0's sampling factors. A file
// that ends early or holds damaged data is decoded as far as libjpeg
// recovers it (0), with the reason in the image's `damage` text. Returns 0,
// 1 (corrupt file), 2 (cannot open) or 3 (no memory, or more than
// CImage::kMaxPixels pixels); on failure the image holds no planes.
int ReadJpegFile(const std::filesystem::path& path, CImage& image);
int ReadJpegFile(const std::uint8_t* data, std::size_t size, CImage& image);

// ReadJpegFile from memory, also giving what the header says beyond the
// pixels: the coding the writer with source follows, and whether an Adobe
// APP14 marker was seen (false on failure).
int ReadJpegBytes(std::span<const std::uint8_t> bytes, CImage& image, CJpegCoding& coding, bool& adobeMarker);
// The same facts from the header alone, no pixels decoded.
int ReadJpegHeaderBytes(std::span<const std::uint8_t> bytes, CJpegCoding& coding, bool& adobeMarker);

// Decodes a greyscale or colour (YCbCr, RGB) file straight into interleaved
// 8-bit R, G, B samples in a block from `target`, upright for its
// orientation (grey goes to all three): the picture a 3-plane decode would give after turning, without its
// planes. `facts` receives the upright size, the fields ReadJpegFile sets and
// the damage text, with no planes. Returns as ReadJpegFile; 2 for CMYK and
// YCCK files (nothing taken), which keep the plane decode.
int ReadJpegRgbBytes(std::span<const std::uint8_t> bytes, CImage& facts, const CRgbTarget& target);
