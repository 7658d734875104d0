#pragma once
// Small files of the side formats, made by the tests themselves: a bitmap,
// GIF and Photoshop writer of their own, and PNG and TIFF files written with
// libpng and libtiff. Shared by the reader tests and the damaged-file test.

#include "format_test_support.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <png.h>
#include <string>
#include <tiffio.h>
#include <utility>
#include <vector>

struct CBitmapRecipe {
    int width = 1;
    int height = 1;
    int bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::uint32_t xPelsPerMeter = 0;
    CBytes palette;  // blue, green, red, reserved per entry
    CBytes pixels;   // rows as stored, padding included
};

inline CBytes MakeBitmap(const CBitmapRecipe& s)
{
    CBytes b;
    const std::uint32_t offset = 14 + s.headerSize + static_cast<std::uint32_t>(s.palette.size());
    PutText(b, "BM");
    PutU32LE(b, offset + static_cast<std::uint32_t>(s.pixels.size()));
    PutU32LE(b, 0);
    PutU32LE(b, offset);
    PutU32LE(b, s.headerSize);
    PutU32LE(b, static_cast<std::uint32_t>(s.width));
    PutU32LE(b, static_cast<std::uint32_t>(s.height));
    PutU16LE(b, 1);
    PutU16LE(b, static_cast<unsigned>(s.bits));
    PutU32LE(b, s.compression);
    PutU32LE(b, static_cast<std::uint32_t>(s.pixels.size()));
    PutU32LE(b, s.xPelsPerMeter);
    PutU32LE(b, s.xPelsPerMeter);
    PutU32LE(b, 0);
    PutU32LE(b, 0);
    b.resize(14 + s.headerSize, 0xEE);  // longer headers: fields we do not read
    b.insert(b.end(), s.palette.begin(), s.palette.end());
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
    return b;
}

// A GIF LZW encoder, independent of the decoder, that mirrors how the
// decoder grows its code width. With clearWhenFull false it keeps sending
// 12-bit codes once the table is full, as some encoders do.
class CLzwEncoder {
public:
    CLzwEncoder(int minCodeSize, bool clearWhenFull) : minCodeSize(minCodeSize), clearWhenFull(clearWhenFull) {}

    CBytes Encode(const CBytes& indices)
    {
        const int clear = 1 << minCodeSize;
        Reset();
        Emit(clear);
        int current = -1;
        for (std::uint8_t c : indices) {
            if (current < 0) {
                current = c;
                continue;
            }
            const auto found = table.find({current, c});
            if (found != table.end()) {
                current = found->second;
                continue;
            }
            Emit(current);
            if (next < 4096) {
                table[{current, c}] = next++;
                if (next > (1 << width) && width < 12)
                    ++width;
            } else if (clearWhenFull) {
                Emit(clear);
                Reset();
            }
            current = c;
        }
        if (current >= 0)
            Emit(current);
        Emit(clear + 1);
        if (bitCount > 0)
            out.push_back(static_cast<std::uint8_t>(bits));
        return out;
    }

private:
    void Reset()
    {
        table.clear();
        width = minCodeSize + 1;
        next = (1 << minCodeSize) + 2;
    }
    void Emit(int code)
    {
        bits |= static_cast<std::uint32_t>(code) << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            out.push_back(static_cast<std::uint8_t>(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    }

    int minCodeSize;
    bool clearWhenFull;
    std::map<std::pair<int, int>, int> table;
    int width = 0;
    int next = 0;
    std::uint32_t bits = 0;
    int bitCount = 0;
    CBytes out;
};

inline void PutSubBlocks(CBytes& b, const CBytes& data)
{
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        PutU8(b, static_cast<unsigned>(n));
        b.insert(b.end(), data.begin() + static_cast<std::ptrdiff_t>(i), data.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    PutU8(b, 0);
}

struct CGifRecipe {
    std::string version = "GIF89a";
    int width = 4;
    int height = 2;
    unsigned aspect = 0;
    CBytes globalTable;  // 4 entries (flag size 1) unless empty
    CBytes localTable;
    bool interlaced = false;
    CBytes beforeImage;  // extension blocks
    CBytes indices;      // data order
    int minCodeSize = 2;
    bool clearWhenFull = true;
    CBytes data;  // used instead of encoding `indices` when not empty
};

inline CBytes MakeGif(const CGifRecipe& s)
{
    CBytes b;
    PutText(b, s.version);
    PutU16LE(b, static_cast<unsigned>(s.width));
    PutU16LE(b, static_cast<unsigned>(s.height));
    const auto tableFlags = [](const CBytes& table) {
        unsigned n = 0;
        while ((6u << n) < table.size())
            ++n;
        return 0x80u | n;
    };
    PutU8(b, s.globalTable.empty() ? 0 : tableFlags(s.globalTable));
    PutU8(b, 0);
    PutU8(b, s.aspect);
    b.insert(b.end(), s.globalTable.begin(), s.globalTable.end());
    b.insert(b.end(), s.beforeImage.begin(), s.beforeImage.end());
    PutU8(b, ',');
    PutU16LE(b, 0);
    PutU16LE(b, 0);
    PutU16LE(b, static_cast<unsigned>(s.width));
    PutU16LE(b, static_cast<unsigned>(s.height));
    PutU8(b, (s.localTable.empty() ? 0 : tableFlags(s.localTable)) | (s.interlaced ? 0x40 : 0));
    b.insert(b.end(), s.localTable.begin(), s.localTable.end());
    PutU8(b, static_cast<unsigned>(s.minCodeSize));
    PutSubBlocks(b, s.data.empty() ? CLzwEncoder(s.minCodeSize, s.clearWhenFull).Encode(s.indices) : s.data);
    PutU8(b, ';');
    return b;
}

struct CPhotoshopRecipe {
    unsigned channels = 3;
    unsigned rows = 1;
    unsigned cols = 2;
    unsigned depth = 8;
    unsigned mode = 3;
    unsigned version = 1;
    unsigned compression = 0;
    CBytes data;  // after the compression field
};

inline CBytes MakePhotoshop(const CPhotoshopRecipe& s)
{
    CBytes b;
    PutText(b, "8BPS");
    PutU16BE(b, s.version);
    b.insert(b.end(), 6, 0);
    PutU16BE(b, s.channels);
    PutU32BE(b, s.rows);
    PutU32BE(b, s.cols);
    PutU16BE(b, s.depth);
    PutU16BE(b, s.mode);
    PutU32BE(b, 3);  // colour mode data
    PutText(b, "abc");
    PutU32BE(b, 0);  // image resources
    PutU32BE(b, 2);  // layer and mask information
    PutU16BE(b, 0);
    PutU16BE(b, s.compression);
    b.insert(b.end(), s.data.begin(), s.data.end());
    return b;
}

struct CPngRecipe {
    png_uint_32 width = 2;
    png_uint_32 height = 1;
    int depth = 8;
    int colourType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<png_color> palette;
    CBytes transparency;  // tRNS entries of a palette image
    CBytes rows;          // packed rows as PNG stores them (16-bit big-endian)
    bool withText = false;
};

// libpng's write path in one setjmp function with trivially destructible
// locals only.
inline bool WritePngFile(const char* path, const CPngRecipe* s)
{
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, s->width, s->height, s->depth, s->colourType,
                 s->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s->palette.empty())
        png_set_PLTE(png, info, s->palette.data(), static_cast<int>(s->palette.size()));
    if (!s->transparency.empty())
        png_set_tRNS(png, info, s->transparency.data(), static_cast<int>(s->transparency.size()), nullptr);
    if (s->withText) {
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_zTXt;
        text.key = const_cast<char*>("Comment");
        text.text = const_cast<char*>("a compressed comment the reader skips");
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    const std::size_t rowBytes = s->rows.size() / s->height;
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < s->height; ++y)
            png_write_row(png, s->rows.data() + y * rowBytes);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return true;
}

inline std::filesystem::path WritePng(const CScratchFolder& folder, const std::string& name, const CPngRecipe& s)
{
    const auto path = folder.path / name;
    EXPECT_TRUE(WritePngFile(path.c_str(), &s));
    return path;
}

using CSampleFn = std::function<unsigned(int x, int y, int s)>;

struct CTiffRecipe {
    std::uint32_t width = 5;
    std::uint32_t height = 3;
    std::uint16_t bits = 8;
    std::uint16_t samples = 3;
    std::uint16_t photometric = PHOTOMETRIC_RGB;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint32_t rowsPerStrip = 2;
    std::uint32_t tile = 0;  // tile width and length; 0 for strips
    std::uint16_t resolutionUnit = 0;  // 0: no tag
    float xResolution = 0.0f;          // 0: no tag
    std::vector<std::uint16_t> colourMap;  // red, green, blue entries of a palette file
};

// Packs one block row (a strip row, or a tile row of `count` pixels from x0)
// the way the file stores it.
inline void PackRow(const CTiffRecipe& s, const CSampleFn& value, int y, int x0, int count, int sample, std::uint8_t* out)
{
    const int perPixel = s.planar == PLANARCONFIG_SEPARATE ? 1 : s.samples;
    for (int i = 0; i < count; ++i) {
        const int x = x0 + i;
        const bool inside = x < static_cast<int>(s.width) && y < static_cast<int>(s.height);
        for (int k = 0; k < perPixel; ++k) {
            const int smp = s.planar == PLANARCONFIG_SEPARATE ? sample : k;
            const unsigned v = inside ? value(x, y, smp) : 0;
            const int at = i * perPixel + k;
            if (s.bits < 8) {
                const int bit = at * s.bits;
                out[bit / 8] |= static_cast<std::uint8_t>((v & ((1u << s.bits) - 1)) << (8 - s.bits - bit % 8));
            } else if (s.bits == 8) {
                out[at] = static_cast<std::uint8_t>(v);
            } else {
                const auto w = static_cast<std::uint16_t>(v);
                std::memcpy(out + 2 * at, &w, 2);
            }
        }
    }
}

inline std::filesystem::path WriteTiff(const CScratchFolder& folder, const std::string& name, const CTiffRecipe& s,
                                const CSampleFn& value)
{
    const auto path = folder.path / name;
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, s.planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
    if (s.photometric == PHOTOMETRIC_YCBCR && s.compression == COMPRESSION_JPEG)
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    if (!s.colourMap.empty()) {
        const std::size_t n = s.colourMap.size() / 3;
        TIFFSetField(tif, TIFFTAG_COLORMAP, s.colourMap.data(), s.colourMap.data() + n, s.colourMap.data() + 2 * n);
    }
    if (s.resolutionUnit != 0)
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, s.resolutionUnit);
    if (s.xResolution != 0.0f)
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, s.xResolution);
    const int blockPlanes = s.planar == PLANARCONFIG_SEPARATE ? s.samples : 1;
    if (s.tile == 0) {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, s.rowsPerStrip);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(tif)));
        for (int p = 0; p < blockPlanes; ++p) {
            for (std::uint32_t y = 0; y < s.height; ++y) {
                std::fill(row.begin(), row.end(), 0);
                PackRow(s, value, static_cast<int>(y), 0, static_cast<int>(s.width), p, row.data());
                EXPECT_EQ(TIFFWriteScanline(tif, row.data(), y, static_cast<std::uint16_t>(p)), 1);
            }
        }
    } else {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, s.tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, s.tile);
        const std::size_t rowBytes = static_cast<std::size_t>(TIFFTileRowSize(tif));
        std::vector<std::uint8_t> tile(static_cast<std::size_t>(TIFFTileSize(tif)));
        for (int p = 0; p < blockPlanes; ++p) {
            for (std::uint32_t y0 = 0; y0 < s.height; y0 += s.tile) {
                for (std::uint32_t x0 = 0; x0 < s.width; x0 += s.tile) {
                    std::fill(tile.begin(), tile.end(), 0);
                    for (std::uint32_t r = 0; r < s.tile; ++r)
                        PackRow(s, value, static_cast<int>(y0 + r), static_cast<int>(x0), static_cast<int>(s.tile), p,
                                tile.data() + r * rowBytes);
                    EXPECT_GE(TIFFWriteTile(tif, tile.data(), x0, y0, 0, static_cast<std::uint16_t>(p)), 0);
                }
            }
        }
    }
    TIFFClose(tif);
    return path;
}
