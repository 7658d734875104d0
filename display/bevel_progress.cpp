#include "bevel_progress.h"

#include "button_faces.h"

#include <QImage>
#include <QPainter>

CBevelProgressCtrl::CBevelProgressCtrl(QWidget* parent) : QProgressBar(parent)
{
    // Every pixel is painted, so nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setTextVisible(false);
    const CButtonSystemColours colours = ClassicSystemColours();
    shades = ComputeBevelShades(colours.selection, colours.darkShadow, colours.shadow);
}

void CBevelProgressCtrl::SetBarColor(QRgb colour)
{
    shades = ComputeBevelShades({qRed(colour), qGreen(colour), qBlue(colour)}, shades.darkShadow, shades.shadow);
    repaint();
}

QRgb CBevelProgressCtrl::BarColor() const
{
    return qRgb(shades.base.red, shades.base.green, shades.base.blue);
}

void CBevelProgressCtrl::paintEvent(QPaintEvent*)
{
    const CBevelBarPixels bar = RenderBevelBar(width(), height(), value(), minimum(), maximum(), shades);
    if (bar.pixels.empty())
        return;
    QImage image(bar.width, bar.height, QImage::Format_RGB32);
    if (image.isNull())
        return;
    for (int y = 0; y < bar.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bar.width; ++x) {
            const CRgbColour c = bar.At(x, y);
            line[x] = qRgb(c.red, c.green, c.blue);
        }
    }
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}
