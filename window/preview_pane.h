#pragma once
// The centre area's picture: the start and hover pictures, the job's
// previews and the look at a selected picture (beside the list), each drawn
// unscaled and centred in the pane over the window's skin (the pictures
// arrive scaled).

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Centre();

    std::shared_ptr<const CImage> picture;
    QPoint position;  // of the picture, inside the pane
};
