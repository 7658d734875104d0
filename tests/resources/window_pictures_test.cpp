// The committed window pictures are the sizes and depths the window's layout
// and drawing assume, and the skin holds no colour-key pixel that would cut a
// hole in the window's shape.
#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

namespace {

QString ResourcePath(const QString& name) { return QStringLiteral(FRAMIRA_SOURCE_DIR "/resources/") + name; }

TEST(WindowPictures, SizesAndDepths)
{
    struct {
        const char* path;
        int width, height;
        bool alpha;
    } const cases[] = {
        {"ui/skin.png", 814, 665, false},
        {"ui/start.png", 742, 373, false},
        {"ui/logo.png", 742, 373, true},
    };
    for (const auto& c : cases) {
        const QImage image(ResourcePath(QString::fromLatin1(c.path)));
        EXPECT_EQ(image.size(), QSize(c.width, c.height)) << c.path;
        EXPECT_EQ(image.hasAlphaChannel(), c.alpha) << c.path;
    }
    for (const char* folder : {"ui/icons", "ui/cursors"}) {
        const QDir dir(ResourcePath(QString::fromLatin1(folder)));
        const QStringList names = dir.entryList({QStringLiteral("*.png")}, QDir::Files);
        EXPECT_FALSE(names.isEmpty()) << folder;
        for (const QString& name : names) {
            const QImage image(dir.filePath(name));
            EXPECT_EQ(image.size(), QSize(32, 32)) << folder << "/" << name.toStdString();
            EXPECT_TRUE(image.hasAlphaChannel()) << folder << "/" << name.toStdString();
        }
    }
}

TEST(WindowPictures, SkinHasNoColourKeyPixel)
{
    const QImage skin = QImage(ResourcePath(QStringLiteral("ui/skin.png"))).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(skin.isNull());
    int magenta = 0;
    for (int y = 0; y < skin.height(); ++y)
        for (int x = 0; x < skin.width(); ++x)
            magenta += skin.pixel(x, y) == qRgb(255, 0, 255);
    EXPECT_EQ(magenta, 0);
}

} // namespace
