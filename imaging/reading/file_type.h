#pragma once
// Recognition of image files by content, and their size without decoding.

#include <cstddef>
#include <cstdint>
#include <filesystem>

// File type codes of the content detection (1 and 8 are not assigned).
inline constexpr int kFileTypeUnknown = 0;
inline constexpr int kFileTypeBitmap = 2;     // "BM"
inline constexpr int kFileTypeTiff = 3;       // "II" or "MM"
inline constexpr int kFileTypeJpeg = 4;       // 0xFF 0xD8
inline constexpr int kFileTypePng = 5;        // 0x89 'P'
inline constexpr int kFileTypeGif = 6;        // "GI"
inline constexpr int kFileTypeRaw = 7;        // "%A" raw scanner data, never read
inline constexpr int kFileTypePhotoshop = 9;  // "8B"
inline constexpr int kFileTypeGreymap = 10;   // "P5"
inline constexpr int kFileTypePixmap = 11;    // "P6"
inline constexpr int kFileTypeHeif = 12;      // ISO media "ftyp" with a HEIF or AVIF brand
inline constexpr int kFileTypeWebp = 13;      // "RIFF" .... "WEBP"
inline constexpr int kFileTypeCameraRaw = 14; // DNG and the camera makers' RAW files

// The type code of a file's first bytes. The older formats go by the first
// two bytes (fewer than two give 0); HEIF/AVIF and WebP by their container
// headers; camera RAW files by their makers' signatures or, for those built
// on TIFF, by a first directory that describes sensor data (a DNG version,
// a colour filter array, or sub-images with a camera make), which the bytes
// must reach to be seen.
int DetectFileType(const std::uint8_t* bytes, std::size_t size);
// The type code of a file; 0 when it cannot be opened or is shorter than two
// bytes.
int DetectFileType(const std::filesystem::path& path);

// Sets cols, rows and planes to 0, detects the type and, for a known type,
// fills them from the file's header. Returns the detected code whatever the
// header reading gave: callers test the outputs.
int GetImageInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
// The same; for a JPEG it also sets adobeFlag to 1 when the file carries an
// Adobe APP14 marker, else 0. For other types adobeFlag is left as it was.
int GetImageInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes, int& adobeFlag);
