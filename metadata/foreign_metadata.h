#pragma once
// Metadata of TIFF, PNG and Photoshop sources, made into the segments a JPEG
// carries: an EXIF APP1 payload, an XMP APP1 payload and an IPTC APP13
// payload. Exiv2 reads these formats and encodes the EXIF and IPTC blocks;
// a PNG's eXIf chunk already is an EXIF block and is taken as it is.
//
// Exiv2 stays inside this file: its log is muted and no exception of it
// leaves these functions. A file it cannot read gives no metadata.

#include "jpeg_metadata.h"

#include <cstdint>
#include <span>

struct CForeignMetadata {
    CJpegMetadata segments;     // payloads as a JPEG would carry them; each at most 65533 bytes
    bool hadThumbnail = false;  // the source's EXIF data held a thumbnail (not carried)
    // The source's Orientation (1 to 8), 0 when it has none or it is not one
    // SHORT of those values. Read even when the EXIF data is not carried (a
    // TIFF's Orientation alone makes no block), and the carried block says 1.
    int orientation = 0;
};

// Reads the metadata of a whole file held in memory. `pngExif` is the TIFF
// data of a PNG's eXIf chunk when the file has one (it is then taken as the
// EXIF block as it is), null otherwise.
CForeignMetadata ReadForeignMetadata(std::span<const std::uint8_t> file, const std::vector<std::uint8_t>* pngExif);
