// Photographs the real window in the middle of a job, for the README:
// the pictures named on the command line are opened as at start, framed
// at the chosen preset, and the screen is captured once the second
// framed picture is on show. The job is then stopped and the window closed.
//
// Usage: framira_window_shot OUTPUT.png PRESET-ROW PICTURE-OR-FOLDER...

#include "framira_app.h"
#include "framira_dlg.h"
#include "qt_platform_services.h"
#include "window_message.h"

#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

class CShotTaker : public QObject {
public:
    CShotTaker(CFramiraDlg& window, QString output) : window(window), output(std::move(output))
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == CWindowMessageEvent::Type() &&
            static_cast<CWindowMessageEvent*>(event)->message == UWM_PICTURE && ++pictures == 4)
            QTimer::singleShot(400, this, [this] { Shoot(); });
        return false;
    }

private:
    void Shoot()
    {
        const QRect frame = window.frameGeometry();
        const QPixmap shot = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        if (!shot.save(output))
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(output));
        window.OnCancel();
    }

    CFramiraDlg& window;
    QString output;
    int pictures = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "Usage: %s OUTPUT.png PRESET-ROW PICTURE-OR-FOLDER...\n", argv[0]);
        return 64;
    }
    CQtPlatformServices platform;
    CFramiraDlg window(platform, FindHelpFile(QApplication::applicationDirPath().toStdString()));
    platform.SetOwnerWindow(&window);
    window.show();
    std::vector<std::string> paths(argv + 3, argv + argc);
    window.OnOpenPaths(paths);
    window.findChild<QComboBox*>()->setCurrentIndex(std::atoi(argv[2]));
    CShotTaker taker(window, argv[1]);
    QTimer::singleShot(500, &window, [&window] { window.OnProcessImages(); });
    window.exec();
    return 0;
}
