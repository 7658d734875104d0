#pragma once
// What the window needs to show pictures: the fit of a picture into a box,
// a picture packed as a device-independent bitmap (DIB), and the runs of a
// colour key that cut a skinned window's outline. Plain C++: the widgets
// that draw these live in skin_bitmap.h.

#include "image.h"

#include <cstdint>
#include <vector>

// The scale that fits a w × h picture into a W × H box (enlarging a smaller
// one), with the scaled size and the offsets that centre it. A box without
// area gets the scale 1; a picture without area divides by 1.
struct CFit {
    float scale = 1.0f;
    int width = 0;
    int height = 0;
    int offsetX = 0;
    int offsetY = 0;
};
CFit FitScale(int imageWidth, int imageHeight, int boxWidth, int boxHeight);

// Packed DIB layout: a 40-byte header, a 256-entry grey palette at 8 bits per
// pixel, then rows bottom row first, each padded to a multiple of 4 bytes.
inline constexpr std::size_t kDibHeaderBytes = 40;
inline constexpr std::size_t kDibGreyPaletteBytes = 1024;
// Row stride of a DIB `width` pixels wide at 8 or 24 bits per pixel.
std::size_t DibRowStride(int width, int bitsPerPixel);

// One plane: an 8-bit DIB through the grey palette; three or more: a 24-bit
// DIB of planes 2, 1, 0 (blue, green, red). 16-bit samples give their high
// byte, float samples go through the image's display range. Empty when the
// image has no raster or memory runs out.
std::vector<std::uint8_t> ImageToDib(const CImage& image);

// A horizontal run of key-coloured pixels [left, right) on one row.
struct CKeyRun {
    int row = 0;
    int left = 0;
    int right = 0;
};
// Every run of pixels equal to `key` in a row-major 0xAARRGGBB raster; the
// alpha byte is ignored. A run that reaches the row's end closes there.
std::vector<CKeyRun> FindColorKeyRuns(const std::uint32_t* pixels, int width, int height, std::uint32_t key);
