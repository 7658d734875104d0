#pragma once
// What a source file tells about its picture beyond the pixels, and what of
// it travels into the framed output.
//
// A picture is made right once, right after reading: its colour profile
// turns it into sRGB, then its orientation turns it upright, so the engine,
// the preview and the output all see what the photographer saw. The output
// then says what it is: Orientation 1, its own pixel size, a thumbnail of
// itself, and the source's other metadata as it was.

#include "jpeg_writer.h"
#include "picture_conversion.h"

#include <string>
#include <vector>

class CImage;

// The Orientation value (1 to 8) the source's metadata gives its picture,
// 0 when there is none or it is not one SHORT of those values.
int ReadSourceOrientation(const std::string& sourcePath);

// Turns a freshly read picture into upright sRGB: through its embedded
// colour profile when it has one that can be used (CMYK without one through
// the default press profile), then by its orientation. Any other picture
// without either is left exactly as it was read. False only when memory
// runs out.
bool MakePictureRight(CImage& image, const std::string& sourcePath, EPlaneModel model);

// The metadata segments of the framed output of `sourcePath`, in the order
// they are written after the COM segment, with their values made to fit
// `output` (the framed picture). `fromJpeg` tells whether they came from a
// JPEG source (written with the writer that follows the source) or from
// another format.
struct COutputMetadata {
    std::vector<CMarkerSegment> segments;
    bool fromJpeg = false;
};
COutputMetadata GatherOutputMetadata(const std::string& sourcePath, const CImage& output);
