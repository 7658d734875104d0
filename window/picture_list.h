#pragma once
// The list of pictures: a model over the input list, and the view that
// shows it with extended selection, names the entry under the pointer and
// takes drops of files and folders from the file manager.

#include <QAbstractListModel>
#include <QListView>

#include <string>
#include <vector>

class CInputList;

class CInputListModel : public QAbstractListModel {
    Q_OBJECT
public:
    CInputListModel(const CInputList& list, QObject* parent);
    // The input list changed: the view takes its entries again.
    void Refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const CInputList& list;
};

class CPictureList : public QListView {
    Q_OBJECT
public:
    explicit CPictureList(QWidget* parent);

    std::vector<std::string> SelectedPaths() const;
    // The one entry selected, or "" with none or several.
    std::string SoleSelectedPath() const;
    // Narrowed beside a look, each entry fits the list's width with the
    // middle of its path left out, so the file's name stays in view.
    void SetFitWidth(bool fit);
    bool FitsWidth() const { return fitWidth; }

signals:
    // Local files and folders of one drop, in the drop's order.
    void PathsDropped(const std::vector<std::string>& paths);

protected:
    bool viewportEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool fitWidth = false;
};
