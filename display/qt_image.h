#pragma once
// Where the window's rasters become QImages, and the one way back. Every
// picture, button face and bar is packed as a device-independent bitmap
// (bitmap_display.h, palette_dib.h) and turned into a QImage by
// DibToQImage alone, so rows, palettes and channel order are read one way.

#include "image.h"

#include <QImage>

#include <cstdint>
#include <vector>

// A packed DIB (40-byte header, palette, rows bottom row first, each padded
// to 4 bytes) as a QImage, top row first: 8 bits per pixel through the
// palette (indexed), 24 bits as blue, green, red. A null image for another
// depth, a size below 1 or a block too short for its header's claims.
QImage DibToQImage(const std::vector<std::uint8_t>& dib);
// A picture as a QImage through its packed DIB (null when it has no raster).
QImage ImageToQImage(const CImage& image);
// A 3-plane 8-bit picture holding a bitmap's pixels (the start and hover
// pictures travel as the preview does).
CImage QImageToImage(const QImage& bitmap);
