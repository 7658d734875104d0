#pragma once
// What the newer formats carry beside their pixels, for the colour and
// metadata steps that follow the read: the embedded ICC profile, the EXIF
// block, XMP, and whether the decoder has already turned the picture
// upright (HEIF applies its own rotation and mirroring while decoding, and
// LibRaw applies the camera's orientation), in which case an EXIF
// Orientation must not be applied a second time.

#include <cstdint>
#include <filesystem>
#include <vector>

struct CEmbeddedData {
    std::vector<std::uint8_t> iccProfile;  // whole ICC profile; empty when none
    std::vector<std::uint8_t> exifBlock;   // starts at the TIFF header ("II*\0" or "MM\0*"); empty when none
    std::vector<std::uint8_t> xmpPacket;   // empty when none
    bool orientationApplied = false;
    // A HEIF/AVIF colour description by code points ("nclx" colour box):
    // those of its primaries and transfer (1 and 13 are sRGB's); 0 when the
    // file has none. An ICC profile beside it takes precedence.
    int nclxPrimaries = 0;
    int nclxTransfer = 0;
};

// Fills `data` for HEIF/AVIF, WebP and camera RAW files (detected by
// content). False for other types or when the file cannot be parsed; the
// older formats' metadata is read elsewhere. Camera RAW files keep their
// EXIF in the TIFF structure the metadata reader opens directly, so only
// orientationApplied is set for them.
bool ReadEmbeddedData(const std::filesystem::path& path, CEmbeddedData& data);
