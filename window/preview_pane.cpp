#include "preview_pane.h"

#include "skin_bitmap.h"

#include <QMouseEvent>
#include <QPainter>

CPreviewPane::CPreviewPane(QWidget* parent) : QWidget(parent)
{
    // The skin below shows around the picture.
    setAttribute(Qt::WA_NoSystemBackground);
}

void CPreviewPane::ShowPicture(std::shared_ptr<const CImage> shown)
{
    picture = std::move(shown);
    const QSize size = picture ? QSize(picture->cols, picture->rows) : QSize();
    position = QPoint((width() - size.width()) / 2, (height() - size.height()) / 2);
    update();
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

void CPreviewPane::mousePressEvent(QMouseEvent* event)
{
    if (clickReturns && event->button() == Qt::LeftButton) {
        event->accept();
        emit ReturnRequested();
        return;
    }
    // Everything else (the window's context menu) belongs to the window.
    event->ignore();
}
