#pragma once
// Recognition of image files by content. Reading them is the format
// dispatch's (picture_reading.h).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

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

// How many first bytes decide a file's type (a TIFF's first directory
// beyond them is looked at where it lies).
inline constexpr std::size_t kDetectionHeadBytes = 4096;

// The type code of a whole file held in memory: the same answer as the
// path form gives for that file.
int DetectFileTypeOfFile(std::span<const std::uint8_t> file);
