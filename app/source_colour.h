#pragma once
// Making a freshly read picture right: its colour profile turns it into
// sRGB, then its orientation turns it upright, so the engine, the preview
// and the output all see what the photographer saw.

#include "picture_conversion.h"
#include "source_picture.h"

#include <string>

class CImage;

// Turns `image` (the pixels read from `source`) into upright sRGB: through
// the source's embedded colour profile when it has one that can be used
// (CMYK without one through the default press profile), then by its
// orientation. Any other picture without either is left exactly as it was
// read. False only when memory runs out.
bool MakePictureRight(CImage& image, const CSourcePicture& source, EPlaneModel model);

// The same for a picture read from `sourcePath` some other way: the file is
// read once more for what lies beside the pixels (nothing is decoded).
bool MakePictureRight(CImage& image, const std::string& sourcePath, EPlaneModel model);
