#pragma once
// The centre area's picture: the start and hover pictures, the job's
// previews and the look at a selected picture, each drawn unscaled and
// centred in the area over the window's skin (the pictures arrive scaled).

#include "image.h"

#include <QWidget>

#include <memory>

class CPreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit CPreviewPane(QWidget* parent);

    // Shows `picture` centred; an empty picture shows nothing.
    void ShowPicture(std::shared_ptr<const CImage> picture);
    const CImage& Picture() const;
    // The picture's rectangle in the parent's coordinates.
    QRect PictureRect() const;
    // Whether a left click on the picture asks for the list back (a
    // selection's picture does; the others are left by other ways).
    void SetClickReturns(bool returns) { clickReturns = returns; }

signals:
    void ReturnRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::shared_ptr<const CImage> picture;
    QPoint position;  // of the picture, inside the pane
    bool clickReturns = false;
};
