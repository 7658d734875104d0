#pragma once
// Reading a source for the job: the file is opened and read once, and the
// picture, its colour profile, orientation, plane facts, a JPEG's coding and
// the metadata that travels into the output are all taken from those bytes
// before they are let go.

#include "source_picture.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The whole record, pixels included. A file that gives no picture has
// `result` and `reason` set and nothing else.
CSourcePicture ReadSource(const std::string& sourcePath);

// The record without the pixels, for a picture decoded some other way (the
// window's preview, a caller that framed a picture of its own).
CSourcePicture ReadSourceFactsFile(const std::string& sourcePath);

// For a JPEG of grey or colour samples, and a PNG without a colour profile
// or a turn, the record with its pixels decoded straight into the engine's
// form: interleaved 8-bit R, G, B, upright and sRGB, in a block from `take`
// (bytes wanted; null when there is none), with no planes in the record's
// image. The samples are those the engine takes from ReadSource's planes
// once converted (16-bit ones narrowed as it narrows them). False for any
// other file, and for one that does not decode: ReadSource then reads it and
// says why.
bool ReadSourceInterleaved(const std::string& sourcePath, const std::function<std::uint8_t*(std::size_t)>& take,
                           CSourcePicture& source);
