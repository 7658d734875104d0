#pragma once
// The one walk over a PNG's chunks for what lies beside its pixels: the
// colour profile chunk (iCCP) and the EXIF chunk (eXIf). libpng reads the
// pixels and is told to skip both, so each is parsed once, here.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct CPngChunk {
    bool found = false;     // the chunk is there (and was looked for where it may stand)
    bool complete = false;  // its data lies whole inside the file
    std::uint32_t length = 0;
    std::span<const std::uint8_t> data;  // the stored data when complete
};

struct CPngChunks {
    CPngChunk iccp;  // the first iCCP before the image data
    CPngChunk exif;  // the first eXIf before IEND
};

// Walks the chunks after the signature until IEND or until a chunk header
// is cut off; chunk lengths are believed only as far as the bytes go.
CPngChunks FindPngChunks(std::span<const std::uint8_t> file);

// The PNG at `path` with its image data left out: the signature and every
// chunk as stored, the IDAT chunks replaced by one empty IDAT, so that what
// lies beside the pixels can be read without the pixels in memory. Read
// with plain reads (a file cut while it is read ends the copy there, as a
// cut file would). False when the file cannot be opened.
bool ReadPngWithoutImageData(const std::string& path, std::vector<std::uint8_t>& skeleton);
