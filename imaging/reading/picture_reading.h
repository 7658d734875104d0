#pragma once
// The format dispatch: a file's bytes go to the reader of their format, and
// come back as a picture with everything around it (source_picture.h). The
// file is opened and read once; type, header, pixels, colour profile and the
// blocks beside the pixels all come from those bytes.
//
// The path forms below are conveniences for callers that have only a path;
// each opens the file once.

#include "source_picture.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

// Decodes a whole file held in memory, of type `fileType` (kFileType*; 0
// detects it from the bytes), into `image`. The reader's result code; on
// failure the image holds no planes.
int ReadPictureBytes(std::span<const std::uint8_t> file, int fileType, CImage& image);

// Reads a whole file held in memory into a source record: its type, its
// pixels (or why there are none) and what the image library takes from
// beside them: the colour profile, whether the decoder turned the picture,
// the facts behind the plane model, a JPEG's coding, and the blocks of
// HEIF/AVIF, WebP and a PNG's eXIf chunk. The metadata layer adds the rest
// (source_reading in the application) from the same bytes.
CSourcePicture ReadSourcePicture(std::span<const std::uint8_t> file);

// The same record without the pixels: everything a picture decoded
// elsewhere needs to be made right and written (for a JPEG the header gives
// the coding; nothing is decoded). `result` says only whether the bytes
// could be taken as a picture at all.
CSourcePicture ReadSourceFacts(std::span<const std::uint8_t> file);

// The short phrase for a file whose bytes could not be had (`loaded` is
// ReadFileBytes' code): "cannot be opened", "not enough memory", ...
std::string DescribeUnloadableFile(const std::filesystem::path& path, int loaded);

// Reads `path` through the format dispatch, as the file constructor does.
// When it fails (planes stay 0), `reason` receives the short phrase saying
// why; on success it is emptied.
int ReadPictureFile(const std::filesystem::path& path, CImage& image, std::string& reason);

// Sets cols, rows and planes to 0, detects the type and, for a known type,
// fills them from the file's header. Returns the detected code whatever the
// header reading gave: callers test the outputs.
int GetImageInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes);
// The same; for a JPEG it also sets adobeFlag to 1 when the file carries an
// Adobe APP14 marker, else 0. For other types adobeFlag is left as it was.
int GetImageInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes, int& adobeFlag);
