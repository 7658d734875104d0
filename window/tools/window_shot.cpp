// Photographs the real window, for the README: the pictures named on the
// command line are opened as at start, at the chosen preset, and the screen
// is captured once the second framed picture of a job is on show (or, with
// --selection, once the first entry of the list is selected and its framed
// look is on show). The job is then stopped and the window closed.
//
// Usage: framira_window_shot [--selection] OUTPUT.png PRESET-ROW PICTURE-OR-FOLDER...

#include "framira_app.h"
#include "framira_dlg.h"
#include "picture_list.h"
#include "qt_platform_services.h"
#include "source_panel.h"

#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

void Shoot(CFramiraDlg& window, const QString& output)
{
    const QRect frame = window.frameGeometry();
    const QPixmap shot = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (!shot.save(output))
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(output));
    // A job that ended before the shot has its message box open; left open,
    // it would keep the window, and this program, from ever closing.
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != &window)
        modal->close();
    QTimer::singleShot(0, &window, [&window] { window.OnCancel(); });
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const bool selection = argc > 1 && std::strcmp(argv[1], "--selection") == 0;
    const int first = selection ? 2 : 1;
    if (argc < first + 3) {
        std::fprintf(stderr, "Usage: %s [--selection] OUTPUT.png PRESET-ROW PICTURE-OR-FOLDER...\n", argv[0]);
        return 64;
    }
    const QString output = argv[first];
    CQtPlatformServices platform;
    CFramiraDlg window(platform, FindHelpFile(QApplication::applicationDirPath().toStdString()));
    platform.SetOwnerWindow(&window);
    window.show();
    window.OnOpenPaths(std::vector<std::string>(argv + first + 2, argv + argc));
    window.findChild<QComboBox*>()->setCurrentIndex(std::atoi(argv[first + 1]));
    int pictures = 0;
    QObject::connect(&window.Controller(), &CJobController::PictureAnnounced, &window, [&] {
        // Soon after: the job goes on, and a short one would be over.
        if (++pictures == 2)
            QTimer::singleShot(50, &window, [&] { Shoot(window, output); });
    });
    QObject::connect(&window.Controller(), &CJobController::SelectionPreview, &window,
                     [&] { QTimer::singleShot(400, &window, [&] { Shoot(window, output); }); });
    QTimer::singleShot(500, &window, [&window, selection] {
        if (!selection) {
            window.OnProcessImages();
            return;
        }
        CPictureList* list = window.Source().List();
        list->setCurrentIndex(list->model()->index(0, 0));
    });
    window.exec();
    return 0;
}
