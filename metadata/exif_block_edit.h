#pragma once
// The few values of an EXIF block that must follow the framed picture rather
// than the source photograph: the Orientation tag (the pixels are turned
// upright when the picture is read, so the output says 1), the pixel
// dimensions, and the thumbnail in IFD1. Everything else in the block keeps
// its bytes.
//
// Each function takes an APP1 payload (beginning "Exif" and two NUL bytes,
// no segment length in front) and never reads or writes outside it.

#include <cstdint>
#include <span>
#include <vector>

// The Orientation tag (274) of IFD0, or 0 when the block has none, is not
// EXIF, or the tag is not one SHORT from 1 to 8.
int ReadExifOrientation(std::span<const std::uint8_t> payload);

// Whether the block links a thumbnail directory (IFD1) after IFD0.
bool HasExifThumbnail(std::span<const std::uint8_t> payload);

// In place: the Orientation entry, whatever its type, count or value,
// becomes one SHORT 1; PixelXDimension and PixelYDimension of the Exif
// directory and ImageWidth and ImageLength of IFD0, where present and not
// sharing their bytes with another value, become width and height. Only
// those bytes change. False, with the payload unchanged, when the
// Orientation entry or IFD0's link to the thumbnail shares bytes with
// another value: the block cannot then describe the output without changing
// that value, and is not to be carried.
bool SetExifOutputValues(std::vector<std::uint8_t>& payload, int width, int height);

// Whether every directory of the block, each value it keeps out of line and
// the thumbnail picture lie inside the block and apart from one another (so
// no loop either). Only such a block can have a byte changed without
// changing a second value.
bool ExifPartsApart(std::span<const std::uint8_t> payload);

// Replaces the thumbnail: the old IFD1 is cut off when it (with its values
// and picture) is the last thing in the block, else its picture bytes are
// cleared; a new IFD1 holding `thumbnailJpeg` is then linked from IFD0. An
// empty `thumbnailJpeg`, a block that would grow past `maxPayload`, or one
// whose parts are not apart (ExifPartsApart), gets no thumbnail at all:
// IFD0's link becomes 0, and in the last case nothing else is cut, and no
// byte that another value uses is cleared. A block without IFD1 gets one
// only when `addWhenMissing`. False when the block is not EXIF or its IFD0
// cannot be read (the payload is then unchanged).
bool ReplaceExifThumbnail(std::vector<std::uint8_t>& payload, std::span<const std::uint8_t> thumbnailJpeg,
                          std::size_t maxPayload, bool addWhenMissing = false);
