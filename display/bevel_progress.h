#pragma once
// CBevelProgressCtrl: a progress bar painted as a bevelled bar in shades of
// one colour over a fixed background (see bevel_shades.h), drawn off screen
// and put on the screen in one step.

#include "bevel_shades.h"

#include <QProgressBar>
#include <QRgb>

class CBevelProgressCtrl : public QProgressBar {
    Q_OBJECT

public:
    explicit CBevelProgressCtrl(QWidget* parent);

    // Takes `colour` as the base of the shades and repaints at once.
    void SetBarColor(QRgb colour);
    QRgb BarColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CBevelShades shades;
};
