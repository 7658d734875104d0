#include "qt_image.h"

#include "bitmap_display.h"

#include <QList>

#include <cstring>

namespace {

std::uint32_t Read32(const std::vector<std::uint8_t>& block, std::size_t at)
{
    return std::uint32_t(block[at]) | std::uint32_t(block[at + 1]) << 8 | std::uint32_t(block[at + 2]) << 16 |
           std::uint32_t(block[at + 3]) << 24;
}

} // namespace

QImage DibToQImage(const std::vector<std::uint8_t>& dib)
{
    if (dib.size() < kDibHeaderBytes)
        return {};
    const std::uint32_t width = Read32(dib, 4);
    const std::uint32_t height = Read32(dib, 8);
    const int bits = dib[14] | dib[15] << 8;
    // Sizes beyond int (a negative height, a top-down DIB) are none of ours.
    if (width < 1 || height < 1 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu || (bits != 8 && bits != 24))
        return {};
    // An 8-bit DIB that does not count its palette has all 256 entries.
    const std::uint32_t colours = bits == 8 ? (Read32(dib, 32) != 0 ? Read32(dib, 32) : 256u) : 0u;
    if (colours > 256)
        return {};
    const std::size_t offset = kDibHeaderBytes + std::size_t{colours} * 4;
    const std::size_t stride = DibRowStride(int(width), bits);
    if (dib.size() < offset || (dib.size() - offset) / stride < height)
        return {};
    QImage image(int(width), int(height), bits == 8 ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (image.isNull())
        return {};
    if (bits == 8) {
        QList<QRgb> table(colours);
        for (std::uint32_t i = 0; i < colours; ++i) {
            const std::uint8_t* entry = dib.data() + kDibHeaderBytes + 4 * std::size_t{i};
            table[i] = qRgb(entry[2], entry[1], entry[0]);
        }
        image.setColorTable(table);
    }
    const std::size_t rowBytes = std::size_t{width} * std::size_t(bits / 8);
    for (std::uint32_t y = 0; y < height; ++y)
        std::memcpy(image.scanLine(int(y)), dib.data() + offset + std::size_t{height - 1 - y} * stride, rowBytes);
    return image;
}

QImage ImageToQImage(const CImage& image)
{
    return DibToQImage(ImageToDib(image));
}

CImage QImageToImage(const QImage& bitmap)
{
    if (bitmap.isNull())
        return CImage();
    const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB888);
    CImage image(rgb.width(), rgb.height(), 3, kSampleByte);
    if (image.planes != 3)
        return CImage();
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* line = rgb.constScanLine(y);
        const std::size_t base = static_cast<std::size_t>(y) * rgb.width();
        for (int x = 0; x < rgb.width(); ++x)
            for (int p = 0; p < 3; ++p)
                image.plane[p][base + x] = line[3 * x + p];
    }
    return image;
}
