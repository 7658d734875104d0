#include "transparent_text.h"

#include <QPainter>

CTransparentText::CTransparentText(const QString& text, EEllipsis ellipsis, QWidget* parent)
    : QWidget(parent), text(text), ellipsis(ellipsis)
{
}

void CTransparentText::SetText(const QString& newText)
{
    if (newText == text)
        return;
    text = newText;
    update();
}

void CTransparentText::SetTextColor(const QColor& colour)
{
    textColour = colour;
    update();
}

QString CTransparentText::ShownText() const
{
    switch (ellipsis) {
    case EEllipsis::Path: return fontMetrics().elidedText(text, Qt::ElideMiddle, width());
    case EEllipsis::End: return fontMetrics().elidedText(text, Qt::ElideRight, width());
    case EEllipsis::None: break;
    }
    return text;
}

void CTransparentText::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(textColour.value_or(palette().color(QPalette::WindowText)));
    const int flags = ellipsis == EEllipsis::None ? Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap
                                                  : Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    // A path is shown as it is: "Tom & Jerry" keeps its ampersand, which a
    // caption would take for a mnemonic.
    painter.drawText(rect(), ellipsis == EEllipsis::None ? flags | Qt::TextShowMnemonic : flags, ShownText());
}
