#pragma once
// Qt drawing of the window's face and previews: the skin bitmap with the
// outline cut by its colour key, and a picture drawn one image pixel to one
// screen pixel through its packed DIB.

#include "image.h"
#include "qt_image.h"

#include <QImage>
#include <QRegion>

#include <cstdint>
#include <optional>

class QPainter;

// The key value that stands for the colour of the bitmap's top-left pixel.
inline constexpr std::uint32_t kKeyFromTopLeft = 0xFF000000u;

class CSkinBitmap {
public:
    CSkinBitmap() = default;
    explicit CSkinBitmap(QImage bitmap) : bitmap(std::move(bitmap)) {}

    bool IsNull() const { return bitmap.isNull(); }
    int Width() const { return bitmap.width(); }
    int Height() const { return bitmap.height(); }
    const QImage& Image() const { return bitmap; }

    // Copies the whole bitmap with its top-left corner at (x, y); false when
    // there is no painter or no bitmap.
    bool DrawAt(QPainter* painter, int x, int y) const;
    // Every pixel of the bitmap except those of colour `key` (0xRRGGBB, or
    // kKeyFromTopLeft); nothing when there is no bitmap.
    std::optional<QRegion> RegionFromColorKey(std::uint32_t key) const;

private:
    QImage bitmap;
};

// Draws the picture at (x, y) at its own size; nothing without a painter or
// raster.
void DrawPreview(QPainter* painter, const CImage& image, int x, int y);
