#include "preview_pane.h"

#include "skin_bitmap.h"

#include <QPainter>

CPreviewPane::CPreviewPane(QWidget* parent) : QWidget(parent)
{
    // The skin below shows around the picture.
    setAttribute(Qt::WA_NoSystemBackground);
}

void CPreviewPane::ShowPicture(std::shared_ptr<const CImage> shown)
{
    picture = std::move(shown);
    Centre();
}

void CPreviewPane::Centre()
{
    const QSize size = picture ? QSize(picture->cols, picture->rows) : QSize();
    position = QPoint((width() - size.width()) / 2, (height() - size.height()) / 2);
    update();
}

void CPreviewPane::resizeEvent(QResizeEvent*)
{
    // The pane moves between the whole centre area and the box beside the list.
    Centre();
}

const CImage& CPreviewPane::Picture() const
{
    static const CImage none;
    return picture ? *picture : none;
}

QRect CPreviewPane::PictureRect() const
{
    return QRect(geometry().topLeft() + position, QSize(Picture().cols, Picture().rows));
}

void CPreviewPane::paintEvent(QPaintEvent*)
{
    if (!picture || picture->cols < 1)
        return;
    QPainter painter(this);
    DrawPreview(&painter, *picture, position.x(), position.y());
}
