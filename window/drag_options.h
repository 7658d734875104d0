#pragma once
// CDragOptions, the "Add Folder Options" dialog: whether to walk a folder's
// subfolders (for this folder or for all of a drop) and which subfolders to
// leave out by keyword.

#include "platform_services.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;

class CDragOptions : public QDialog {
    Q_OBJECT
public:
    CDragOptions(const CFolderOptionsQuestion& question, QWidget* parent);

    // The answer once the dialog has closed (Cancel when it was closed
    // without one).
    EFolderOptionsAnswer Answer() const { return answer; }

    std::string folderName;
    bool ignoreFolders = false;
    std::string keywordText;
    std::vector<std::string> keywords;

    QCheckBox* IgnoreBox() const { return ignoreBox; }
    QLineEdit* KeywordBox() const { return keywordBox; }
    // Presses one of the five buttons, as a click on it does.
    void Choose(EFolderOptionsAnswer choice);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ReadControls();

    QCheckBox* ignoreBox;
    QLineEdit* keywordBox;
    EFolderOptionsAnswer answer = EFolderOptionsAnswer::Cancel;
};

// Asks the question with the dialog, as the platform services do.
EFolderOptionsAnswer AskFolderOptionsWithDialog(CFolderOptionsQuestion& question, QWidget* parent);
