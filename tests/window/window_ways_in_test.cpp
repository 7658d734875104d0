// What the window is started with, names as they are, and how a job is
// checked before it starts and stopped without closing the window.

#include "dialog_layout.h"
#include "transparent_text.h"
#include "window_test_support.h"

#include <QListWidget>
#include <QPainter>

#include <fstream>

using namespace window_test;

namespace {

struct COpenedWindow : public CWindowFixture {
    CScratchFolder root;
    std::string Folder(const std::string& name)
    {
        const fs::path folder = root.path / name;
        fs::create_directories(folder);
        WritePicture(folder / "a.jpg", 16, 12);
        return folder.string();
    }
};

// The program started with folders and files: each row names what it was
// given, the source folder it should end with and the paths reported.
TEST_F(COpenedWindow, PathsGivenAtStartFillTheListSetTheSourceAndReportTheMissing)
{
    const std::string first = Folder("one");
    const std::string second = Folder("Tom & Jerry");
    const std::string loose = Folder("loose") + "/a.jpg";
    const std::string missing = (root.path / "gone").string();
    struct CCase {
        std::vector<std::string> given;
        std::string source;
        std::size_t listed;
        std::vector<std::string> reported;
    } cases[] = {
        {{first, second + "/"}, second, 2, {}},
        {{loose}, root.path.string() + "/loose", 1, {}},
        {{missing, first, root.path.string() + "/gone2.jpg"}, first, 1, {missing, root.path.string() + "/gone2.jpg"}},
        {{missing}, "", 0, {missing}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.given.front());
        window = std::make_unique<CFramiraDlg>(platform, help / "index.html");
        window->show();
        const std::size_t boxesBefore = platform.MessageBoxes().size();
        window->OnOpenPaths(c.given);
        EXPECT_EQ(window->InputList().Size(), c.listed);
        EXPECT_TRUE(window->Control(IDC_PICTURE_LIST)->isVisible());
        EXPECT_FALSE(window->IsStartPictureShown());
        EXPECT_EQ(window->Destination().GetSourceFolder(), c.source);
        EXPECT_EQ(window->SourceLine().trimmed().toStdString(), c.source);
        if (!c.source.empty()) {
            EXPECT_NE(window->DestinationLine().toStdString().find(c.source), std::string::npos);
            window->OnViewOutputs();
            EXPECT_EQ(platform.FoldersOpened().back(), c.source + "/Framira_1920x1080");
        }
        const auto boxes = platform.MessageBoxes();
        ASSERT_EQ(boxes.size() - boxesBefore, c.reported.empty() ? 0u : 1u);
        for (const std::string& path : c.reported)
            EXPECT_NE(boxes.back().box.text.find(path + ": No such file or directory"), std::string::npos);
    }
}

TEST_F(COpenedWindow, NamesWithAnAmpersandAreShownAsTheyAre)
{
    const std::string folder = Folder("Tom & Jerry");
    window->OnOpenPaths({folder});
    auto* line = static_cast<CTransparentText*>(window->Control(IDC_SOURCE_LINE));
    // The label draws its text without mnemonics: its picture shows both
    // words with the ampersand between, as wide as the plain text.
    EXPECT_EQ(line->ShownText().trimmed().toStdString(), folder);
    // What the user must see: the name drawn literally ("&&" is a literal
    // ampersand even where mnemonics are shown).
    QImage expected(line->size(), QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&expected);
        painter.fillRect(expected.rect(), Qt::white);
        painter.setFont(line->font());
        painter.setPen(Qt::black);
        painter.drawText(expected.rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic,
                         line->ShownText().replace("&", "&&"));
    }
    EXPECT_EQ(line->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
    const auto* list = static_cast<QListWidget*>(window->Control(IDC_PICTURE_LIST));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toStdString(), folder + "/a.jpg");
}

} // namespace
