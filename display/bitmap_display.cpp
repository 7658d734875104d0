#include "bitmap_display.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

CFit FitScale(int imageWidth, int imageHeight, int boxWidth, int boxHeight)
{
    CFit fit;
    if (boxWidth >= 1 && boxHeight >= 1) {
        const double w = std::max(imageWidth, 1);
        const double h = std::max(imageHeight, 1);
        fit.scale = static_cast<float>(std::min(boxWidth / w, boxHeight / h));
    }
    // The product is rounded to single precision before it is rounded up, so
    // 1000 × 0.742f gives 742, not 743.
    fit.width = static_cast<int>(std::ceil(static_cast<float>(imageWidth * static_cast<double>(fit.scale))));
    fit.height = static_cast<int>(std::ceil(static_cast<float>(imageHeight * static_cast<double>(fit.scale))));
    fit.offsetX = (boxWidth - fit.width) / 2;
    fit.offsetY = (boxHeight - fit.height) / 2;
    return fit;
}

std::size_t DibRowStride(int width, int bitsPerPixel)
{
    const std::size_t bytes = static_cast<std::size_t>(std::max(width, 0)) * (bitsPerPixel / 8);
    return (bytes + 3) & ~std::size_t{3};
}

namespace {

void Put16(std::uint8_t* at, std::uint32_t v)
{
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t v)
{
    Put16(at, v);
    Put16(at + 2, v >> 16);
}

} // namespace

std::vector<std::uint8_t> ImageToDib(const CImage& image)
{
    if (image.planes < 1 || !image.HasAllPlanes() || image.cols < 1 || image.rows < 1)
        return {};
    const int bits = image.planes == 1 ? 8 : 24;
    const std::size_t stride = DibRowStride(image.cols, bits);
    const std::size_t pixelBytes = stride * static_cast<std::size_t>(image.rows);
    const std::size_t offset = kDibHeaderBytes + (bits == 8 ? kDibGreyPaletteBytes : 0);
    std::vector<std::uint8_t> dib;
    try {
        dib.assign(offset + pixelBytes, 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::uint8_t* header = dib.data();
    Put32(header + 0, 40);
    Put32(header + 4, static_cast<std::uint32_t>(image.cols));
    Put32(header + 8, static_cast<std::uint32_t>(image.rows));
    Put16(header + 12, 1);
    Put16(header + 14, static_cast<std::uint32_t>(bits));
    Put32(header + 20, static_cast<std::uint32_t>(pixelBytes));
    std::uint8_t* pixels = dib.data() + offset;
    if (bits == 8) {
        for (int i = 0; i < 256; ++i)
            std::memset(header + kDibHeaderBytes + 4 * i, i, 4);
        for (int row = 0; row < image.rows; ++row) {
            std::uint8_t* out = pixels + static_cast<std::size_t>(image.rows - 1 - row) * stride;
            for (int col = 0; col < image.cols; ++col) {
                std::uint8_t rgba[4];
                image.GetPixelRGBA(col, row, rgba);
                out[col] = rgba[0];
            }
        }
    } else {
        // Two planes cannot be exported; their pixel bytes stay zero.
        image.ExportDIB(pixels, pixelBytes);
    }
    return dib;
}

std::vector<CKeyRun> FindColorKeyRuns(const std::uint32_t* pixels, int width, int height, std::uint32_t key)
{
    std::vector<CKeyRun> runs;
    if (!pixels || width < 1 || height < 1)
        return runs;
    key &= 0xFFFFFFu;
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels + static_cast<std::size_t>(y) * width;
        int start = -1;
        // Position `width` counts as a pixel that is not the key.
        for (int x = 0; x <= width; ++x) {
            const bool isKey = x < width && (row[x] & 0xFFFFFFu) == key;
            if (isKey && start < 0)
                start = x;
            else if (!isKey && start >= 0) {
                runs.push_back(CKeyRun{y, start, x});
                start = -1;
            }
        }
    }
    return runs;
}
