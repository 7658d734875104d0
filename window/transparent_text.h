#pragma once
// The window's labels: white behind the text (the skin's panels are white
// there), the text in its own colour, and long paths shortened in the middle
// instead of wrapping.

#include <QColor>
#include <QWidget>

#include <optional>

class CTransparentText : public QWidget {
    Q_OBJECT
public:
    enum class EEllipsis { None, Path, End };

    CTransparentText(const QString& text, EEllipsis ellipsis, QWidget* parent);

    void SetText(const QString& text);
    QString Text() const { return text; }
    // What is on show after shortening.
    QString ShownText() const;
    void SetTextColor(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text;
    EEllipsis ellipsis;
    std::optional<QColor> textColour;
};
