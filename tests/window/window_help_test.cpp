// The help pages as the help window shows them: their own styles apply,
// every link leads to a page, and they describe the program as it is.

#include "input_list.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <optional>

#include <gtest/gtest.h>

namespace {

QString HelpFolder() { return QDir::cleanPath(QStringLiteral(QT_TESTCASE_SOURCEDIR) + "/../resources/help"); }

// The format of the first block whose text is `text`.
std::optional<QTextCharFormat> FormatOf(const QTextDocument& document, const QString& text)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        if (block.text().trimmed() == text)
            return block.charFormat().isValid() && block.begin() != block.end() ? block.begin().fragment().charFormat()
                                                                               : block.charFormat();
    return std::nullopt;
}

TEST(HelpPages, EveryPageShowsItsStyledTitleAndLinksOnlyToPages)
{
    const QStringList pages = QDir(HelpFolder()).entryList({"*.html"});
    ASSERT_GE(pages.size(), 7);
    for (const QString& page : pages) {
        SCOPED_TRACE(page.toStdString());
        QTextBrowser browser;
        browser.setSource(QUrl::fromLocalFile(HelpFolder() + "/" + page));
        const QString html = browser.document()->toPlainText();
        // The page's h1 in the style sheet's colour: the sheet was read and understood.
        QString source;
        {
            QFile file(HelpFolder() + "/" + page);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            source = QString::fromUtf8(file.readAll());
        }
        const QRegularExpressionMatch title = QRegularExpression("<h1>(.*?)</h1>").match(source);
        ASSERT_TRUE(title.hasMatch());
        const auto format = FormatOf(*browser.document(), QTextDocumentFragment::fromHtml(title.captured(1)).toPlainText());
        ASSERT_TRUE(format.has_value());
        EXPECT_EQ(format->foreground().color(), QColor("#124a50"));
        // Headings keep their room from the text (pixel margins the rich
        // text understands, where rem sizes were dropped).
        for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next()) {
            if (block.blockFormat().headingLevel() > 0) {
                EXPECT_GE(block.blockFormat().bottomMargin(), 6.0) << block.text().toStdString();
            }
        }
        EXPECT_FALSE(source.contains("Test.txt")) << "the write test leaves no file behind";
        // Pictures are files the browser can draw: an inline drawing would
        // be dropped without a word.
        EXPECT_FALSE(source.contains("<svg"));
        QRegularExpressionMatchIterator images = QRegularExpression("<img src=\"([^\"]+)").globalMatch(source);
        while (images.hasNext()) {
            const QString target = images.next().captured(1);
            EXPECT_FALSE(QImage(HelpFolder() + "/" + target).isNull()) << target.toStdString();
        }
        QRegularExpressionMatchIterator links = QRegularExpression("href=\"([^\"#:]+)").globalMatch(source);
        while (links.hasNext()) {
            const QString target = links.next().captured(1);
            EXPECT_TRUE(QFileInfo::exists(HelpFolder() + "/" + target)) << target.toStdString();
        }
    }
}

TEST(HelpPages, TheFormatsPageNamesEveryExtensionTheListTakes)
{
    QFile file(HelpFolder() + "/pictures.html");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    for (std::string_view extension : kSupportedPictureExtensions)
        EXPECT_TRUE(page.contains(QRegularExpression("[ >]\\" + QString::fromUtf8(extension.data(), extension.size()) +
                                                     "[ <]")))
            << extension;
}

} // namespace
