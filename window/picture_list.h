#pragma once
// The list of pictures: sorted, extended selection, and a drop target for
// files and folders from the file manager.

#include <QListWidget>

#include <string>
#include <vector>

class CPictureList : public QListWidget {
    Q_OBJECT
public:
    explicit CPictureList(QWidget* parent);

    // Shows `paths` as the list's entries (the list sorts them).
    void SetEntries(const std::vector<std::string>& paths);
    std::vector<std::string> SelectedPaths() const;

signals:
    // Local files and folders of one drop, in the drop's order.
    void PathsDropped(const std::vector<std::string>& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
