#pragma once
// libtiff glue shared by the TIFF reader's file and memory entries.

#include <memory>
#include <tiffio.h>

class CImage;

struct CTiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using CTiffHandle = std::unique_ptr<TIFF, CTiffCloser>;

// Replaces libtiff's process-wide warning and error handlers with silent
// ones for the rest of the process; libtiff's messages are never shown.
// Every TIFF entry calls it before opening a file.
void SilenceLibtiff();

// Decodes the first directory of an open TIFF into the image. Result codes
// as ReadTiffFile; on failure the planes may still be set (the entries free
// them).
int DecodeTiff(TIFF* tif, CImage& image);
