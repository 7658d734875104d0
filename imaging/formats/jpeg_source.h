#pragma once
// The coding parameters of a source JPEG that the writer with source follows,
// read from its header only (no pixels are decoded). The pipeline takes them
// from the decode instead (CSourcePicture::jpegCoding); this header read
// serves callers that have only the file.

#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

#include "source_picture.h"

// The parameters live in the source record; this is their old name.
using JpegSourceParameters = CJpegCoding;
static_assert(kMaxJpegComponents == MAX_COMPONENTS);

// Fills `coding` from a decompressor that has read its header.
void FillJpegCoding(const jpeg_decompress_struct& cinfo, CJpegCoding& coding);

// 0 on success; 1 when the file is not a JPEG whose header libjpeg accepts.
int ReadJpegSourceParameters(std::FILE* file, JpegSourceParameters& parameters);
