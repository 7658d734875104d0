#include "picture_list.h"

#include "input_list.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHelpEvent>
#include <QMimeData>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QUrl>

namespace {

// Entries as wide as the list when it fits its width; the view elides them.
class CFitWidthDelegate : public QStyledItemDelegate {
public:
    explicit CFitWidthDelegate(CPictureList* list) : QStyledItemDelegate(list), list(list) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (list->FitsWidth())
            size.setWidth(list->viewport()->width());
        return size;
    }

private:
    CPictureList* list;
};

} // namespace

CInputListModel::CInputListModel(const CInputList& list, QObject* parent) : QAbstractListModel(parent), list(list) {}

void CInputListModel::Refresh()
{
    beginResetModel();
    endResetModel();
}

int CInputListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(list.Size());
}

QVariant CInputListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
        return {};
    return QString::fromStdString(list.Entries()[static_cast<std::size_t>(index.row())]);
}

CPictureList::CPictureList(QWidget* parent) : QListView(parent)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideMiddle);
    setItemDelegate(new CFitWidthDelegate(this));
}

void CPictureList::SetFitWidth(bool fit)
{
    if (fit == fitWidth)
        return;
    fitWidth = fit;
    // The entries' cached size follows the new width.
    doItemsLayout();
}

std::vector<std::string> CPictureList::SelectedPaths() const
{
    std::vector<std::string> paths;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        paths.push_back(index.data().toString().toStdString());
    return paths;
}

std::string CPictureList::SoleSelectedPath() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.size() == 1 ? selected.front().data().toString().toStdString() : std::string();
}

bool CPictureList::viewportEvent(QEvent* event)
{
    // The tooltip names the entry under the pointer, or says what the list is.
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        QToolTip::showText(help->globalPos(), index.isValid() ? index.data().toString() : toolTip(), viewport());
        return true;
    }
    return QListView::viewportEvent(event);
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
