#pragma once
// Reading a source for the job: the file is opened and read once, and the
// picture, its colour profile, orientation, plane facts, a JPEG's coding and
// the metadata that travels into the output are all taken from those bytes
// before they are let go.

#include "source_picture.h"

#include <string>

// The whole record, pixels included. A file that gives no picture has
// `result` and `reason` set and nothing else.
CSourcePicture ReadSource(const std::string& sourcePath);

// The record without the pixels, for a picture decoded some other way (the
// window's preview, a caller that framed a picture of its own).
CSourcePicture ReadSourceFactsFile(const std::string& sourcePath);
