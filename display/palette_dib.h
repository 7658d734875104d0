#pragma once
// CPaletteDib: a palette bitmap held as one packed device-independent bitmap
// block: a 40-byte header, the palette (4 bytes blue, green, red, spare per
// entry), then the pixel rows bottom row first, each padded to 4 bytes.
// 8 bits per pixel carry 256 palette entries, 4 bits 16 and 1 bit 2.
//
// Plain memory only: the widgets turn it into an image when they draw it.

#include "rgb_colour.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CPaletteDib {
public:
    static constexpr int kHeaderSize = 40;

    // Replaces the block with a black bitmap of width x height (palette all
    // black). False, leaving the bitmap empty, for a size below 1, a depth
    // other than 1, 4 or 8 or a block that cannot be allocated.
    bool Create(int width, int height, int bitsPerPixel);
    // Becomes a copy of `other` (empty when `other` is).
    void CopyFrom(const CPaletteDib& other);
    void Clear();

    bool IsEmpty() const { return block.empty(); }
    int Width() const { return width; }
    int Height() const { return height; }
    int BitsPerPixel() const { return bitsPerPixel; }
    int PaletteSize() const { return paletteSize; }
    // Bytes per stored row: the row's bits rounded up to a multiple of 4 bytes.
    int Stride() const { return stride; }

    // Entries outside the palette are ignored (set) or read as black (get).
    void SetPaletteEntry(int index, int red, int green, int blue);
    CRgbColour PaletteEntry(int index) const;
    // Every entry's channels become (colour x percent + channel x (100 - percent)) / 100,
    // truncated; the per cent is limited to 0 to 100.
    void BlendPalette(CRgbColour colour, int percent);

    // Stored row k, k = 0 being the bottom row of the picture; nullptr outside.
    std::uint8_t* Row(int k);
    const std::uint8_t* Row(int k) const;

    // The whole packed block (header, palette, rows).
    const std::vector<std::uint8_t>& Block() const { return block; }

private:
    std::uint8_t* PaletteBytes() { return block.data() + kHeaderSize; }
    const std::uint8_t* PaletteBytes() const { return block.data() + kHeaderSize; }

    std::vector<std::uint8_t> block;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int paletteSize = 0;
    int stride = 0;
};
