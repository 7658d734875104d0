#pragma once
// The two JPEG writers (libjpeg API 62). Both write 1-plane images as
// greyscale and 3-plane images as RGB input, baseline, quality forced to
// baseline tables. The output is written to a temporary file in the target
// folder and renamed over `path` only when complete, so a failed write
// leaves no partial file and an existing file is never half-overwritten.
//
// Result codes: 0 written; 1 the image cannot be written (not 1 or 3 planes,
// no raster) or libjpeg failed; 2 the output (or the source) cannot be
// opened; 3 no memory for the interleaving buffer.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "interleaved_picture.h"

class CImage;
struct CJpegCoding;

// COM segment texts (each written with one trailing zero byte).
inline constexpr char kPlainJpegComment[] = "Brevant Inc.";
inline constexpr char kSourceJpegComment[] = "Brevant, Inc.";
// A marker segment holds at most 65533 data bytes.
inline constexpr int kMaxApp1Payload = 65533;

// A marker segment the writers add after their COM (and APP1) segment:
// marker code (0xE1 for APP1, 0xED for APP13, ...) and up to 65533 bytes.
struct CMarkerSegment {
    int marker = 0;
    std::vector<std::uint8_t> payload;
};

// Plain writer: JFIF APP0 (density from image.resolution), COM, frame.
// Sampling factors of component 0 from `subsampling` (0: 1x1, 1: 2x1,
// 2: 2x2; others keep libjpeg's 2x2).
int WriteJpegFile(const CImage& image, const std::filesystem::path& path, int quality, int subsampling,
                  const std::vector<CMarkerSegment>* segments = nullptr);
// The same from interleaved samples, read where they lie; the same bytes as
// an image of those samples in planes.
int WriteJpegFile(const CInterleavedPicture& picture, const std::filesystem::path& path, int quality,
                  int subsampling, const std::vector<CMarkerSegment>* segments = nullptr);

// Writer with source: colour space, JFIF/Adobe markers, component ids,
// sampling factors, JFIF version and density follow the source JPEG; then
// COM, then (when payloadLength is not null) one APP1 segment holding
// payload[0 .. *payloadLength). A source of other than 1 or 3 components
// cannot take the RGB buffer, so the plain writer's parameters are used
// (sampling from the source's component 0, APP1 kept); the same holds for a
// 1-plane image with a colour source. *usedFallback (when given) tells which
// path was taken. An RGB-coded output whose source had neither JFIF nor
// Adobe marker gets no JFIF marker either: decoders read JFIF as YCbCr.
int WriteJpegFileWithSource(const CImage& image, const std::filesystem::path& path,
                            const std::filesystem::path& sourcePath, int quality, const std::uint8_t* payload,
                            const int* payloadLength, bool* usedFallback = nullptr,
                            const std::vector<CMarkerSegment>* segments = nullptr);

// The writer with source for a source already read: `source` is the coding
// its decoder found (CSourcePicture::jpegCoding), so the source file is not
// opened again; `sourcePath` only guards against writing over it. Results
// as WriteJpegFileWithSource.
int WriteJpegFileWithCoding(const CImage& image, const std::filesystem::path& path, const CJpegCoding& source,
                            const std::filesystem::path& sourcePath, int quality, const std::uint8_t* payload,
                            const int* payloadLength, bool* usedFallback = nullptr,
                            const std::vector<CMarkerSegment>* segments = nullptr);
int WriteJpegFileWithCoding(const CInterleavedPicture& picture, const std::filesystem::path& path,
                            const CJpegCoding& source, const std::filesystem::path& sourcePath, int quality,
                            const std::uint8_t* payload, const int* payloadLength, bool* usedFallback = nullptr,
                            const std::vector<CMarkerSegment>* segments = nullptr);
