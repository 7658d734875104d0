#include "picture_list.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

CPictureList::CPictureList(QWidget* parent) : QListWidget(parent)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void CPictureList::SetEntries(const std::vector<std::string>& paths)
{
    clear();
    for (const std::string& path : paths)
        addItem(QString::fromStdString(path));
}

std::vector<std::string> CPictureList::SelectedPaths() const
{
    std::vector<std::string> paths;
    for (const QListWidgetItem* item : selectedItems())
        paths.push_back(item->text().toStdString());
    return paths;
}

void CPictureList::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CPictureList::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CPictureList::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    event->acceptProposedAction();
    if (!paths.empty())
        emit PathsDropped(paths);
}
