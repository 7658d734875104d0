#pragma once
// The ICC profile a file embeds, taken from the file's bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// No embedded profile is believed larger than this.
inline constexpr std::size_t kMaxProfileBytes = std::size_t{16} << 20;

// The profile of a file of type `fileType` (kFileType*), empty when there is
// none or it cannot be read whole: a JPEG's APP2 "ICC_PROFILE" segments
// joined in sequence order, a TIFF's InterColorProfile tag of its first
// directory (none for CIE L*a*b* samples, which mean the same whatever
// profile rides along), a PNG's iCCP chunk (inflated), a Photoshop
// document's ICC image resource. Other formats keep theirs in containers
// their readers open (HEIF, WebP) or have none.
std::vector<std::uint8_t> ReadEmbeddedProfile(std::span<const std::uint8_t> file, int fileType);

// The profile of a PNG's iCCP chunk (name, NUL, compression method 0, zlib
// stream), inflated; empty when it cannot be.
struct CPngChunk;
std::vector<std::uint8_t> InflatePngProfile(const CPngChunk& iccp);

// The first directory's PhotometricInterpretation of a TIFF, -1 when it has
// none (or the directory cannot be reached).
int ReadTiffPhotometric(std::span<const std::uint8_t> file);
// The colour mode of a Photoshop document (4 is CMYK), -1 when the header
// is cut short.
int ReadPhotoshopMode(std::span<const std::uint8_t> file);
