// The window tests need one QApplication for the whole run, on the main
// thread, before any widget exists.

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings go to a folder of this run, never to the user's or the
    // machine's (as root the machine's would be written).
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QDir(config.path()).filePath("user").toUtf8());
    qputenv("XDG_CONFIG_DIRS", QDir(config.path()).filePath("machine").toUtf8());
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
