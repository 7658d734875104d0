#pragma once
// The metadata segments of a source JPEG that travel into its framed output:
// the EXIF APP1 segment (wherever it sits among the segments before the
// image data), the XMP APP1 segment and the IPTC APP13 segment. Each is kept
// as its payload, without marker and length bytes.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

struct CJpegMetadata {
    std::vector<std::uint8_t> exif;  // begins "Exif" and two NUL bytes; empty when absent
    std::vector<std::uint8_t> xmp;   // begins with the XMP namespace name and a NUL byte
    std::vector<std::uint8_t> iptc;  // begins "Photoshop 3.0" and a NUL byte
    bool Empty() const { return exif.empty() && xmp.empty() && iptc.empty(); }
};

// The first segment of each kind before the image data. A file that is not a
// JPEG, or whose segments break off, gives what was found up to that point.
CJpegMetadata ReadJpegMetadata(std::span<const std::uint8_t> file);
// The same from a file; nothing when it cannot be opened.
CJpegMetadata ReadJpegMetadata(const std::filesystem::path& path);

// In an XMP payload, a tiff:Orientation value of 2 to 8 (attribute or
// element form) becomes 1, in place: the packet keeps its length and every
// other byte. An upright output must not be turned again by a viewer that
// reads the orientation from XMP.
void SetXmpOrientationToNormal(std::vector<std::uint8_t>& payload);

// In an IPTC (Photoshop) payload, the image resources that hold a thumbnail
// of the source (1033, 1036) are taken out; every other resource keeps its
// bytes and order. A payload that cannot be parsed whole is left as it is.
void RemovePhotoshopThumbnails(std::vector<std::uint8_t>& payload);

// The XMP namespace name that opens an XMP APP1 payload, with its NUL byte.
inline constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";
inline constexpr std::size_t kXmpSignatureSize = sizeof kXmpSignature;  // NUL included
inline constexpr char kIptcSignature[] = "Photoshop 3.0";
inline constexpr std::size_t kIptcSignatureSize = sizeof kIptcSignature;
