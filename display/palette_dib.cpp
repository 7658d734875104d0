#include "palette_dib.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {

void PutU32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutU16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

// A palette bitmap this big is never a button face; the cap keeps every size
// product far inside int and the header's 32-bit fields.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

} // namespace

bool CPaletteDib::Create(int newWidth, int newHeight, int newBitsPerPixel)
{
    Clear();
    if (newWidth < 1 || newHeight < 1)
        return false;
    if (newBitsPerPixel != 1 && newBitsPerPixel != 4 && newBitsPerPixel != 8)
        return false;
    if (std::int64_t{newWidth} * newHeight > kMaxPixels)
        return false;

    const int newStride = static_cast<int>((std::int64_t{newWidth} * newBitsPerPixel + 31) / 32 * 4);
    const int newPaletteSize = 1 << newBitsPerPixel;
    const std::size_t imageSize = static_cast<std::size_t>(newStride) * static_cast<std::size_t>(newHeight);
    try {
        block.assign(kHeaderSize + static_cast<std::size_t>(newPaletteSize) * 4 + imageSize, 0);
    } catch (const std::bad_alloc&) {
        block.clear();
        return false;
    }

    std::uint8_t* header = block.data();
    PutU32(header + 0, kHeaderSize);
    PutU32(header + 4, static_cast<std::uint32_t>(newWidth));
    PutU32(header + 8, static_cast<std::uint32_t>(newHeight));  // positive: bottom row first
    PutU16(header + 12, 1);
    PutU16(header + 14, static_cast<std::uint16_t>(newBitsPerPixel));
    PutU32(header + 16, 0);
    PutU32(header + 20, static_cast<std::uint32_t>(imageSize));

    width = newWidth;
    height = newHeight;
    bitsPerPixel = newBitsPerPixel;
    paletteSize = newPaletteSize;
    stride = newStride;
    return true;
}

void CPaletteDib::CopyFrom(const CPaletteDib& other)
{
    if (&other == this)
        return;
    try {
        block = other.block;
    } catch (const std::bad_alloc&) {
        Clear();
        return;
    }
    width = other.width;
    height = other.height;
    bitsPerPixel = other.bitsPerPixel;
    paletteSize = other.paletteSize;
    stride = other.stride;
}

void CPaletteDib::Clear()
{
    block.clear();
    block.shrink_to_fit();
    width = height = bitsPerPixel = paletteSize = stride = 0;
}

void CPaletteDib::SetPaletteEntry(int index, int red, int green, int blue)
{
    if (index < 0 || index >= paletteSize)
        return;
    std::uint8_t* entry = PaletteBytes() + 4 * index;
    entry[0] = static_cast<std::uint8_t>(blue);
    entry[1] = static_cast<std::uint8_t>(green);
    entry[2] = static_cast<std::uint8_t>(red);
    entry[3] = 0;
}

CRgbColour CPaletteDib::PaletteEntry(int index) const
{
    if (index < 0 || index >= paletteSize)
        return {};
    const std::uint8_t* entry = PaletteBytes() + 4 * index;
    return {entry[2], entry[1], entry[0]};
}

void CPaletteDib::BlendPalette(CRgbColour colour, int percent)
{
    percent = std::clamp(percent, 0, 100);
    const auto blend = [percent](int target, int channel) {
        return (target * percent + channel * (100 - percent)) / 100;
    };
    for (int i = 0; i < paletteSize; ++i) {
        const CRgbColour c = PaletteEntry(i);
        SetPaletteEntry(i, blend(colour.red, c.red), blend(colour.green, c.green), blend(colour.blue, c.blue));
    }
}

std::uint8_t* CPaletteDib::Row(int k)
{
    if (k < 0 || k >= height)
        return nullptr;
    return PaletteBytes() + 4 * paletteSize + static_cast<std::size_t>(stride) * static_cast<std::size_t>(k);
}

const std::uint8_t* CPaletteDib::Row(int k) const
{
    return const_cast<CPaletteDib*>(this)->Row(k);
}
