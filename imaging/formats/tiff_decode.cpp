// TIFF decoding: 1-, 8- and 16-bit samples from strips or tiles, contiguous
// or separate planes, every compression libtiff decodes; palette images of 1
// to 8 bits expanded through their colour map, CIE L*a*b* made sRGB. CMYK
// stays ink: the pipeline converts it through the file's profile.
#include "color_profile.h"
#include "image.h"
#include "read_problem.h"
#include "reader_support.h"
#include "tiff_pvt.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace {
struct CTiffBufferFree {
    void operator()(void* buffer) const { _TIFFfree(buffer); }
};

// The layout a decoded strip or tile is dealt out by.
struct CTiffLayout {
    int bits = 8;
    int samples = 1;
    bool separate = false;  // one sample per block (PlanarConfiguration 2)
    bool indexed = false;   // palette indices, stored as they are
};

// A decoded block (a strip, or a tile) covering columns x0 .. x0 + width - 1
// and rows y0 .. y0 + height - 1 of the image, `stride` bytes per block row.
// `sample` is the plane of a separate-planes block.
struct CTiffBlock {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t stride = 0;
    int x0 = 0;
    int y0 = 0;
    int width = 0;
    int height = 0;
    int sample = 0;
};

// Bytes of one block row the dealing below reads.
std::size_t UsedRowBytes(const CTiffLayout& layout, int width)
{
    const std::size_t n = static_cast<std::size_t>(width);
    if (layout.bits < 8)
        return (n * static_cast<std::size_t>(layout.bits) + 7) / 8;
    const std::size_t perPixel = (layout.separate ? 1 : static_cast<std::size_t>(layout.samples)) * (layout.bits / 8);
    return n * perPixel;
}

// Deals one block out to the planes. False when the block holds fewer bytes
// than its rows need, so no byte beyond it is ever read.
bool StoreBlock(const CTiffBlock& block, const CTiffLayout& layout, CImage& image)
{
    const std::size_t used = UsedRowBytes(layout, block.width);
    if (block.height <= 0 || block.stride < used ||
        (static_cast<std::size_t>(block.height) - 1) * block.stride + used > block.size)
        return false;
    const std::size_t cols = static_cast<std::size_t>(image.cols);
    const std::size_t width = static_cast<std::size_t>(block.width);
    for (int r = 0; r < block.height; ++r) {
        const std::uint8_t* in = block.data + static_cast<std::size_t>(r) * block.stride;
        const std::size_t at = static_cast<std::size_t>(block.y0 + r) * cols + static_cast<std::size_t>(block.x0);
        if (layout.indexed && layout.bits < 8) {
            const std::size_t bits = static_cast<std::size_t>(layout.bits);
            const unsigned mask = (1u << bits) - 1;
            std::uint8_t* out = image.plane[0] + at;
            for (std::size_t c = 0; c < width; ++c) {
                const std::size_t bit = c * bits;
                out[c] = static_cast<std::uint8_t>((in[bit / 8] >> (8 - bits - bit % 8)) & mask);
            }
        } else if (layout.bits == 1) {
            // A set bit is 0 and a clear bit 255, whatever the photometric
            // interpretation says.
            std::uint8_t* out = image.plane[0] + at;
            for (std::size_t c = 0; c < width; ++c)
                out[c] = ((in[c / 8] >> (7 - c % 8)) & 1) ? 0 : 255;
        } else if (layout.bits == 8) {
            if (layout.separate) {
                std::memcpy(image.plane[block.sample] + at, in, width);
                continue;
            }
            const std::size_t n = static_cast<std::size_t>(layout.samples);
            for (std::size_t p = 0; p < n; ++p) {
                std::uint8_t* out = image.plane[p] + at;
                for (std::size_t c = 0; c < width; ++c)
                    out[c] = in[c * n + p];
            }
        } else {
            // libtiff has already put 16-bit samples into host order.
            if (layout.separate) {
                std::memcpy(reinterpret_cast<std::uint16_t*>(image.plane[block.sample]) + at, in, width * 2);
                continue;
            }
            const std::size_t n = static_cast<std::size_t>(layout.samples);
            for (std::size_t p = 0; p < n; ++p) {
                std::uint16_t* out = reinterpret_cast<std::uint16_t*>(image.plane[p]) + at;
                for (std::size_t c = 0; c < width; ++c)
                    std::memcpy(&out[c], in + (c * n + p) * 2, 2);
            }
        }
    }
    return true;
}

// What became of the blocks libtiff could not hand over whole.
struct CTiffRecovery {
    bool endedEarly = false;   // some block reaches past the end of the file
    bool undecodable = false;  // some block's data does not decode
    bool storedAny = false;    // some block, whole or in part, reached the planes
    bool tiles = false;

    std::string Damage() const
    {
        if (endedEarly)
            return kDataEndsEarly;
        if (undecodable)
            return DamagedData(tiles ? "a tile does not decode" : "a strip does not decode");
        return {};
    }
};

// Horizontal differencing undone over whole block rows, as libtiff does
// after a block decodes completely.
template <typename T>
void AccumulateRows(std::uint8_t* block, std::size_t size, std::size_t stride, std::size_t perPixel)
{
    const std::size_t count = stride / sizeof(T);
    for (std::size_t row = 0; row + stride <= size; row += stride) {
        T* v = reinterpret_cast<T*>(block + row);
        for (std::size_t i = perPixel; i < count; ++i)
            v[i] = static_cast<T>(v[i] + v[i - perPixel]);
    }
}

// What is left of a strip or tile that libtiff could not hand over: its
// bytes up to the end of the file, decoded as far as they go, into `out`,
// which keeps 0 wherever nothing came back. Returns whether anything did.
bool RecoverBlock(TIFF* tif, std::uint32_t index, std::uint8_t* out, std::size_t outSize, std::size_t stride,
                  const CTiffLayout& layout, CTiffRecovery& recovery)
{
    std::memset(out, 0, outSize);
    const thandle_t client = TIFFClientdata(tif);
    const std::uint64_t fileSize = TIFFGetSizeProc(tif)(client);
    const std::uint64_t offset = TIFFGetStrileOffset(tif, index);
    const std::uint64_t count = TIFFGetStrileByteCount(tif, index);
    if (count != 0 && (offset >= fileSize || count > fileSize - offset))
        recovery.endedEarly = true;
    else
        recovery.undecodable = true;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    // Raw data is the block itself; the codings read here never take much
    // more than twice the block (a forged byte count gets no further).
    std::uint64_t available = offset < fileSize ? std::min(count, fileSize - offset) : 0;
    available = std::min<std::uint64_t>(available, compression == COMPRESSION_NONE ? outSize : 2 * outSize + 1024);
    if (available == 0 || available > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    std::unique_ptr<void, CTiffBufferFree> raw(_TIFFmalloc(static_cast<tmsize_t>(available)));
    if (!raw || TIFFGetSeekProc(tif)(client, offset, SEEK_SET) != offset)
        return false;
    const tmsize_t got = TIFFGetReadProc(tif)(client, raw.get(), static_cast<tmsize_t>(available));
    if (got <= 0)
        return false;
    auto* bytes = static_cast<std::uint8_t*>(raw.get());
    const bool swapped = layout.bits == 16 && TIFFIsByteSwapped(tif);
    if (compression == COMPRESSION_NONE) {
        std::uint16_t fillOrder = FILLORDER_MSB2LSB;
        TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fillOrder);
        if (fillOrder == FILLORDER_LSB2MSB)
            TIFFReverseBits(bytes, got);
        std::memcpy(out, bytes, static_cast<std::size_t>(got));
        if (swapped)
            TIFFSwabArrayOfShort(reinterpret_cast<std::uint16_t*>(out), got / 2);
        return true;
    }
    if (TIFFReadFromUserBuffer(tif, index, bytes, got, out, static_cast<tmsize_t>(outSize)))
        return true;
    // The decoder stopped part-way: what it wrote has had none of libtiff's
    // finishing steps, which are redone here for the layouts read.
    if (swapped)
        TIFFSwabArrayOfShort(reinterpret_cast<std::uint16_t*>(out), static_cast<tmsize_t>(outSize / 2));
    std::uint16_t predictor = 1;
    if (!TIFFGetField(tif, TIFFTAG_PREDICTOR, &predictor))
        predictor = 1;
    const std::size_t perPixel = layout.separate ? 1 : static_cast<std::size_t>(layout.samples);
    if (predictor == 2 && layout.bits == 8)
        AccumulateRows<std::uint8_t>(out, outSize, stride, perPixel);
    else if (predictor == 2 && layout.bits == 16)
        AccumulateRows<std::uint16_t>(out, outSize, stride, perPixel);
    else if (predictor != 1)
        std::memset(out, 0, outSize);
    return std::any_of(out, out + outSize, [](std::uint8_t b) { return b != 0; });
}

int ReadStrips(TIFF* tif, const CTiffLayout& layout, CImage& image, CTiffRecovery& recovery)
{
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    const tmsize_t stripSize = TIFFStripSize(tif);
    const tmsize_t stride = TIFFScanlineSize(tif);
    const std::uint32_t strips = TIFFNumberOfStrips(tif);
    if (rowsPerStrip == 0 || stripSize <= 0 || stride <= 0)
        return kImageBadArgument;
    const std::uint32_t rows = static_cast<std::uint32_t>(image.rows);
    if (rowsPerStrip > rows)
        rowsPerStrip = rows;
    const std::uint32_t stripsPerPlane = (rows + rowsPerStrip - 1) / rowsPerStrip;
    const std::uint32_t blockPlanes = layout.separate ? static_cast<std::uint32_t>(layout.samples) : 1;
    // Every row of every plane must come from some strip; rows no strip
    // covers would be left unread.
    if (static_cast<std::uint64_t>(strips) < static_cast<std::uint64_t>(stripsPerPlane) * blockPlanes)
        return kImageBadArgument;

    std::unique_ptr<void, CTiffBufferFree> buffer(_TIFFmalloc(stripSize));
    if (!buffer)
        return kImageOutOfMemory;
    auto* data = static_cast<std::uint8_t*>(buffer.get());
    for (std::uint32_t plane = 0; plane < blockPlanes; ++plane) {
        for (std::uint32_t k = 0; k < stripsPerPlane; ++k) {
            const std::uint32_t index = plane * stripsPerPlane + k;
            const std::uint32_t height = std::min(rowsPerStrip, rows - k * rowsPerStrip);
            tmsize_t got = TIFFReadEncodedStrip(tif, index, data, -1);
            if (got < 0) {
                // A strip cut off or broken: keep what can be had of it and
                // go on, since later strips stand on their own.
                got = std::min(TIFFVStripSize(tif, height), stripSize);
                if (got <= 0 || !RecoverBlock(tif, index, data, static_cast<std::size_t>(got),
                                              static_cast<std::size_t>(stride), layout, recovery))
                    continue;
            }
            CTiffBlock block;
            block.data = data;
            block.size = static_cast<std::size_t>(got);
            block.stride = static_cast<std::size_t>(stride);
            block.width = image.cols;
            block.y0 = static_cast<int>(k * rowsPerStrip);
            block.height = static_cast<int>(height);
            block.sample = static_cast<int>(plane);
            if (!StoreBlock(block, layout, image))
                return kImageBadArgument;
            recovery.storedAny = true;
        }
    }
    return kImageSuccess;
}

int ReadTiles(TIFF* tif, const CTiffLayout& layout, CImage& image, CTiffRecovery& recovery)
{
    std::uint32_t tileWidth = 0;
    std::uint32_t tileLength = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
    const tmsize_t tileSize = TIFFTileSize(tif);
    const tmsize_t stride = TIFFTileRowSize(tif);
    if (tileWidth == 0 || tileLength == 0 || tileSize <= 0 || stride <= 0)
        return kImageBadArgument;

    std::unique_ptr<void, CTiffBufferFree> buffer(_TIFFmalloc(tileSize));
    if (!buffer)
        return kImageOutOfMemory;
    auto* data = static_cast<std::uint8_t*>(buffer.get());
    const std::uint32_t rows = static_cast<std::uint32_t>(image.rows);
    const std::uint32_t cols = static_cast<std::uint32_t>(image.cols);
    const int blockPlanes = layout.separate ? layout.samples : 1;
    for (int plane = 0; plane < blockPlanes; ++plane) {
        for (std::uint32_t y = 0; y < rows; y += tileLength) {
            for (std::uint32_t x = 0; x < cols; x += tileWidth) {
                const std::uint32_t tile = TIFFComputeTile(tif, x, y, 0, static_cast<std::uint16_t>(plane));
                tmsize_t got = TIFFReadEncodedTile(tif, tile, data, -1);
                if (got < 0) {
                    got = tileSize;
                    if (!RecoverBlock(tif, tile, data, static_cast<std::size_t>(got), static_cast<std::size_t>(stride),
                                      layout, recovery))
                        got = -1;
                }
                if (got < 0) {
                    if (tileWidth > cols - x)
                        break;
                    continue;
                }
                CTiffBlock block;
                block.data = data;
                block.size = static_cast<std::size_t>(got);
                block.stride = static_cast<std::size_t>(stride);
                block.x0 = static_cast<int>(x);
                block.y0 = static_cast<int>(y);
                block.width = static_cast<int>(std::min(tileWidth, cols - x));
                block.height = static_cast<int>(std::min(tileLength, rows - y));
                block.sample = plane;
                if (!StoreBlock(block, layout, image))
                    return kImageBadArgument;
                recovery.storedAny = true;
                if (tileWidth > cols - x)
                    break;
            }
            if (tileLength > rows - y)
                break;
        }
    }
    return kImageSuccess;
}

// Replaces the indices of plane 0 by the colours of the map: three 8-bit
// planes. Maps hold 16-bit values, but old writers stored 8-bit values in
// them; a map with no entry above 255 is taken as such. 16-bit values are
// scaled down truncating, as libtiff's own RGBA conversion does.
int ExpandPalette(TIFF* tif, int bits, CImage& image)
{
    std::uint16_t* map[3] = {nullptr, nullptr, nullptr};
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &map[0], &map[1], &map[2]) || !map[0] || !map[1] || !map[2]) {
        NoteReadProblem(EReadProblem::Damaged);
        return kImageBadArgument;
    }
    const std::size_t entries = std::size_t{1} << bits;
    bool wide = false;
    for (const std::uint16_t* channel : map) {
        for (std::size_t i = 0; i < entries; ++i)
            wide = wide || channel[i] > 255;
    }
    std::uint8_t colour[3][256] = {};
    for (int k = 0; k < 3; ++k) {
        for (std::size_t i = 0; i < entries; ++i)
            colour[k][i] = static_cast<std::uint8_t>(wide ? map[k][i] * 255u / 65535u : map[k][i]);
    }
    CImage rgb(image.cols, image.rows, 3, kSampleByte);
    if (rgb.planes != 3)
        return kImageOutOfMemory;
    const std::size_t n = image.PixelCount();
    const std::uint8_t* index = image.plane[0];
    for (int k = 0; k < 3; ++k) {
        std::uint8_t* out = rgb.plane[k];
        for (std::size_t i = 0; i < n; ++i)
            out[i] = colour[k][index[i]];
    }
    rgb.resolution = image.resolution;
    rgb.damage = std::move(image.damage);
    image = std::move(rgb);
    return kImageSuccess;
}

// Dots per inch: none for "no unit" (1) and centimetres (3); otherwise
// (inches, or no unit tag) the X resolution truncated.
int ResolutionOf(TIFF* tif)
{
    std::uint16_t unit = 0;
    float xResolution = 0.0f;
    TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xResolution);
    if (unit == RESUNIT_NONE || unit == RESUNIT_CENTIMETER)
        return 0;
    if (!(xResolution >= 0.0f && xResolution < static_cast<float>(INT_MAX)))
        return 0;
    return static_cast<int>(xResolution);
}
} // namespace

int DecodeTiff(TIFF* tif, CImage& image)
{
    std::uint16_t photometric = 0;
    std::uint16_t planarConfig = PLANARCONFIG_CONTIG;
    std::uint32_t width = 0;
    std::uint32_t length = 0;
    std::uint16_t bits = 0;
    std::uint16_t samples = 0;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planarConfig);
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &length);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);

    const bool palette = photometric == PHOTOMETRIC_PALETTE;
    if (palette && (samples != 1 || (bits != 1 && bits != 2 && bits != 4 && bits != 8))) {
        NoteReadProblem(EReadProblem::Unsupported, "palette of " + std::to_string(samples) + " x " +
                                                       std::to_string(bits) + "-bit samples");
        return kImageCannotOpen;
    }
    if (bits != 1 && bits != 8 && bits != 16 && !palette) {
        NoteReadProblem(EReadProblem::Unsupported, std::to_string(bits) + " bits per sample");
        return kImageCannotOpen;
    }
    if (samples < 1 || samples > 4) {
        NoteReadProblem(EReadProblem::Unsupported, std::to_string(samples) + " samples per pixel");
        return kImageCannotOpen;
    }
    // Bilevel data fills plane 0 only; more samples would leave planes unread.
    if (bits == 1 && samples != 1) {
        NoteReadProblem(EReadProblem::Unsupported, "1-bit samples with " + std::to_string(samples) + " per pixel");
        return kImageCannotOpen;
    }
    if (!TIFFIsCODECConfigured(compression)) {
        NoteReadProblem(EReadProblem::Unsupported, "compression " + std::to_string(compression));
        return kImageCannotOpen;
    }
    if (width == 0 || length == 0 || width > INT_MAX || length > INT_MAX)
        return kImageBadArgument;
    // Colours the pipeline cannot give their meaning are refused rather than
    // framed as if they were RGB or grey.
    const bool lab = photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_ICCLAB;
    if (photometric == PHOTOMETRIC_ITULAB || (lab && samples < 3)) {
        NoteReadProblem(EReadProblem::Unsupported, "Lab colour");
        return kImageCannotOpen;
    }
    if (photometric == PHOTOMETRIC_SEPARATED) {
        std::uint16_t inkSet = INKSET_CMYK;
        TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkSet);
        if (samples != 4 || inkSet != INKSET_CMYK) {
            NoteReadProblem(EReadProblem::Unsupported, "separated colour of " + std::to_string(samples) +
                                                           (inkSet == INKSET_CMYK ? " inks" : " inks other than CMYK"));
            return kImageCannotOpen;
        }
    }

    if (photometric == PHOTOMETRIC_YCBCR && samples == 3) {
        if (compression == COMPRESSION_JPEG) {
            // Let the JPEG codec upsample and convert, so the strips hold
            // plain interleaved RGB pixels.
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        } else {
            std::uint16_t subH = 1;
            std::uint16_t subV = 1;
            TIFFGetFieldDefaulted(tif, TIFFTAG_YCBCRSUBSAMPLING, &subH, &subV);
            // Subsampled blocks are not pixels; dealing them out as such
            // would give a scrambled picture.
            if (subH != 1 || subV != 1) {
                NoteReadProblem(EReadProblem::Unsupported, "subsampled YCbCr");
                return kImageCannotOpen;
            }
        }
    }

    image.resolution = ResolutionOf(tif);
    if (const int result = SetUpImage(image, static_cast<int>(width), static_cast<int>(length), samples,
                                      bits == 16 ? kSampleWord : kSampleByte);
        result != kImageSuccess)
        return result;

    CTiffLayout layout;
    layout.bits = bits;
    layout.samples = samples;
    layout.separate = planarConfig == PLANARCONFIG_SEPARATE && samples > 1;
    layout.indexed = palette;
    CTiffRecovery recovery;
    recovery.tiles = TIFFIsTiled(tif) != 0;
    const int result =
        recovery.tiles ? ReadTiles(tif, layout, image, recovery) : ReadStrips(tif, layout, image, recovery);
    if (result != kImageSuccess)
        return result;
    if (!recovery.storedAny)
        return RefuseUnrecoverable();
    image.damage = recovery.Damage();
    if (palette)
        return ExpandPalette(tif, bits, image);

    if (lab) {
        // The white the values are relative to: D50 unless the file says
        // otherwise, as Adobe's TIFF notes have it (TIFF 6.0 gives none).
        float* white = nullptr;
        const bool whiteGiven = TIFFGetField(tif, TIFFTAG_WHITEPOINT, &white) && white != nullptr;
        const int converted = ConvertLabToSrgb(image, photometric == PHOTOMETRIC_CIELAB,
                                               whiteGiven ? white[0] : 0.3457, whiteGiven ? white[1] : 0.3585);
        if (converted == kImageBadArgument) {
            NoteReadProblem(EReadProblem::Unsupported, "Lab colour");
            return kImageCannotOpen;
        }
        return converted;
    }
    return kImageSuccess;
}
