#include "framira_app.h"

#include "framira_dlg.h"
#include "qt_platform_services.h"
#include "settings.h"

#include <QDir>
#include <QFileInfo>

std::string FindHelpFile(const std::string& programFolder)
{
    const QDir folder(QString::fromStdString(programFolder));
    for (const QString& candidate : {QString("help/index.html"), QString("../share/doc/framira/help/index.html")}) {
        const QString path = QDir::cleanPath(folder.absoluteFilePath(candidate));
        if (QFileInfo(path).isFile())
            return path.toStdString();
    }
    // Not found: the help window names the place it looked first.
    return QDir::cleanPath(folder.absoluteFilePath("help/index.html")).toStdString();
}

int RunFramiraWindow(CPlatformServices& platform, const std::string& helpFile,
                     const std::vector<std::string>& openedPaths)
{
    const CStoredSettings stored = ReadStoredSettings(platform);
    CFramiraDlg window(platform, helpFile);
    window.ApplySettings(stored);
    if (auto* qtPlatform = dynamic_cast<CQtPlatformServices*>(&platform))
        qtPlatform->SetOwnerWindow(&window);
    if (!openedPaths.empty()) {
        // Shown first, so a message about the paths lies over the window.
        window.show();
        window.OnOpenPaths(openedPaths);
    }
    window.exec();
    WriteStoredSettings(platform, window.CollectSettings());
    return 0;
}
