#pragma once
// A window message delivered as a Qt event: its number in the window's
// numbering (WM_USER + n), its two parameters and a text the event owns.
// The worker's notifications arrive as posted ones; the owner-drawn buttons
// send theirs (pointer entered, hover ended) straight to their parent.

#include <QEvent>
#include <QString>

#include <cstdint>

inline constexpr int kWindowMessageUser = 0x0400;
inline constexpr int UWM_BUTTON_ENTER = kWindowMessageUser + 201;
inline constexpr int UWM_BUTTON_LEAVE = kWindowMessageUser + 202;

class CWindowMessageEvent : public QEvent {
public:
    CWindowMessageEvent(int message, std::intptr_t wParam, std::intptr_t lParam = 0, QString text = {})
        : QEvent(Type()), message(message), wParam(wParam), lParam(lParam), text(std::move(text))
    {
    }

    // The one event type every window message travels as.
    static QEvent::Type Type()
    {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    int message;
    std::intptr_t wParam;
    std::intptr_t lParam;
    QString text;
};
