#include "skin_bitmap.h"

#include "bitmap_display.h"

#include <QPainter>

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

void DrawPreview(QPainter* painter, const CImage& image, int x, int y)
{
    if (!painter)
        return;
    const QImage picture = ImageToQImage(image);
    if (!picture.isNull())
        painter->drawImage(x, y, picture);
}
