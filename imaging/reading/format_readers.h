#pragma once
// The readers behind the format dispatch for everything but JPEG. Each format
// has an info reader (cols, rows, planes from the header, no pixels) and a
// reader that fills a CImage. Results are the library's codes (kImage*); the
// dispatch passes none on and callers test planes != 0.
//
// A reader sets the image's fields (cols, rows, planes, sampleType,
// resolution) and calls AllocatePlanes() once the size is known.

#include <filesystem>

class CImage;
struct CRgbTarget;

// TIFF (type 3): ImageWidth, ImageLength, SamplesPerPixel.
int ReadTiffInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
int ReadTiffFile(const std::filesystem::path& path, CImage& image);

// PNG (type 5): header width, height and channel count before expansion.
int ReadPngInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
int ReadPngFile(const std::filesystem::path& path, CImage& image);
// The same decoded straight into the engine's form, read from the file as
// it goes (never held whole): interleaved 8-bit R, G, B in a block from
// `target` (its orientation is not applied), grey spread to all three,
// transparency laid over white at the file's depth and 16-bit samples taken
// by their high byte, as the engine narrows them. `facts` gets the size and
// the damage text, no planes. Returns as ReadPngFile.
int ReadPngRgbFile(const std::filesystem::path& path, CImage& facts, const CRgbTarget& target);

// Windows bitmap (type 2): width, absolute height, 3.
int ReadBitmapInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
int ReadBitmapFile(const std::filesystem::path& path, CImage& image);

// GIF (type 6), first image only: width, height, 3.
int ReadGifInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
int ReadGifFile(const std::filesystem::path& path, CImage& image);

// Binary greymap "P5" (type 10): width, height, 1.
int ReadGreymapInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
int ReadGreymapFile(const std::filesystem::path& path, CImage& image);

// Binary pixmap "P6" (type 11): width, height, 3.
int ReadPixmapInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
int ReadPixmapFile(const std::filesystem::path& path, CImage& image);

// Photoshop document (type 9): columns, rows, channels (not capped).
int ReadPhotoshopInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
int ReadPhotoshopFile(const std::filesystem::path& path, CImage& image);

// HEIF/HEIC and AVIF (type 12), primary image, decoded upright: width,
// height, 3 or 4 (alpha). More than 8 bits give 16-bit samples.
int ReadHeifInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
int ReadHeifFile(const std::filesystem::path& path, CImage& image);

// WebP still (type 13): width, height, 3 or 4 (alpha).
int ReadWebpInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
int ReadWebpFile(const std::filesystem::path& path, CImage& image);

// Camera RAW (type 14), rendered to 16-bit sRGB: width, height (turned by the
// camera's orientation), 3.
int ReadCameraRawInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
int ReadCameraRawFile(const std::filesystem::path& path, CImage& image);
