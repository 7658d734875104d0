#pragma once
// What a source file tells about its picture beyond the pixels and the
// colour, and what of it travels into the framed output.
//
// The output says what it is: Orientation 1, its own pixel size, a
// thumbnail of itself, and the source's other metadata as it was.

#include "jpeg_writer.h"
#include "source_picture.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>


// Fills the record's metadata and orientation from the file's bytes (the
// same bytes the record was read from): a JPEG's segments, the blocks Exiv2
// reads from TIFF, PNG, Photoshop and camera RAW files, the EXIF and XMP
// blocks of HEIF/AVIF and WebP. The orientation is the Orientation value (1
// to 8) the metadata gives, 0 when there is none, it is not one SHORT of
// those values, or the decoder has turned the picture already.
void AddSourceMetadata(CSourcePicture& source, std::span<const std::uint8_t> file);

// The orientation of `sourcePath` as AddSourceMetadata finds it (reads the
// file once).
int ReadSourceOrientation(const std::string& sourcePath);

// The metadata segments of the framed output of `source`, in the order they
// are written after the COM segment, with their values made to fit `output`
// (the framed picture). `fromJpeg` tells whether they came from a JPEG
// source (written with the writer that follows the source) or from another
// format.
struct COutputMetadata {
    std::vector<CMarkerSegment> segments;
    bool fromJpeg = false;
};
COutputMetadata GatherOutputMetadata(const CSourcePicture& source, const CInterleavedPicture& output);
