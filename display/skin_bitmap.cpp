#include "skin_bitmap.h"

#include "bitmap_display.h"

#include <QPainter>

#include <cstring>

bool CSkinBitmap::DrawAt(QPainter* painter, int x, int y) const
{
    if (!painter || bitmap.isNull())
        return false;
    painter->drawImage(x, y, bitmap);
    return true;
}

std::optional<QRegion> CSkinBitmap::RegionFromColorKey(std::uint32_t key) const
{
    if (bitmap.isNull())
        return std::nullopt;
    const QImage pixels = bitmap.convertToFormat(QImage::Format_RGB32);
    if (key == kKeyFromTopLeft)
        key = pixels.pixel(0, 0);
    QRegion region(0, 0, pixels.width(), pixels.height());
    const auto* data = reinterpret_cast<const std::uint32_t*>(pixels.constBits());
    // Format_RGB32 rows are 32-bit aligned, so the raster has no gaps.
    for (const CKeyRun& run : FindColorKeyRuns(data, pixels.width(), pixels.height(), key))
        region -= QRegion(run.left, run.row, run.right - run.left, 1);
    return region;
}

QImage ImageToQImage(const CImage& image)
{
    const std::vector<std::uint8_t> dib = ImageToDib(image);
    if (dib.empty())
        return {};
    const bool grey = image.planes == 1;
    const std::size_t stride = DibRowStride(image.cols, grey ? 8 : 24);
    const QImage::Format format = grey ? QImage::Format_Grayscale8 : QImage::Format_BGR888;
    QImage out(image.cols, image.rows, format);
    if (out.isNull())
        return {};
    const std::uint8_t* rows = dib.data() + DibPixelOffset(dib);
    const std::size_t rowBytes = static_cast<std::size_t>(image.cols) * (grey ? 1 : 3);
    for (int y = 0; y < image.rows; ++y)
        std::memcpy(out.scanLine(y), rows + static_cast<std::size_t>(image.rows - 1 - y) * stride, rowBytes);
    return out;
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

void DrawPreview(QPainter* painter, const CImage& image, int x, int y)
{
    if (!painter)
        return;
    const QImage picture = ImageToQImage(image);
    if (!picture.isNull())
        painter->drawImage(x, y, picture);
}
