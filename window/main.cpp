// Framira: the desktop program.

#include "framira_app.h"
#include "qt_platform_services.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Brevant Inc");
    QApplication::setApplicationName("Framira");
    CQtPlatformServices platform;
    std::vector<std::string> opened;
    for (const QString& argument : QApplication::arguments().mid(1))
        opened.push_back(argument.toStdString());
    return RunFramiraWindow(platform, FindHelpFile(QApplication::applicationDirPath().toStdString()), opened);
}
