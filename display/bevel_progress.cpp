#include "bevel_progress.h"

#include "button_faces.h"
#include "qt_image.h"

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
    CImage picture(bar.width, bar.height, 3, kSampleByte);
    if (picture.planes != 3)
        return;
    for (std::size_t i = 0; i < bar.pixels.size(); ++i) {
        picture.plane[0][i] = static_cast<std::uint8_t>(bar.pixels[i].red);
        picture.plane[1][i] = static_cast<std::uint8_t>(bar.pixels[i].green);
        picture.plane[2][i] = static_cast<std::uint8_t>(bar.pixels[i].blue);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, ImageToQImage(picture));
}
