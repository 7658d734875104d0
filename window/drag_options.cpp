#include "drag_options.h"

#include "input_list.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CDragOptions::CDragOptions(const CFolderOptionsQuestion& question, QWidget* parent)
    : QDialog(parent),
      folderName(question.folderName),
      ignoreFolders(question.ignoreFolders),
      keywordText(question.keywordText),
      ignoreBox(new QCheckBox("Ignore folders that contain the following keywords", this)),
      keywordBox(new QLineEdit(QString::fromStdString(question.keywordText), this))
{
    setWindowTitle("Add Folder Options");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Would you like to recurse through all sub-folders in the following folder?", this));
    auto* folder = new QLabel(QString::fromStdString(folderName), this);
    folder->setTextFormat(Qt::PlainText);
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(folder);
    layout->addSpacing(8);
    ignoreBox->setChecked(ignoreFolders);
    keywordBox->setEnabled(ignoreFolders);
    layout->addWidget(ignoreBox);
    layout->addWidget(keywordBox);
    connect(ignoreBox, &QCheckBox::clicked, this, [this] {
        ReadControls();
        keywordBox->setEnabled(ignoreFolders);
    });

    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, EFolderOptionsAnswer> choices[] = {
        {"Yes", EFolderOptionsAnswer::Yes},          {"Yes to All", EFolderOptionsAnswer::YesToAll},
        {"No", EFolderOptionsAnswer::No},            {"No to All", EFolderOptionsAnswer::NoToAll},
        {"Cancel", EFolderOptionsAnswer::Cancel}};
    for (const auto& [caption, choice] : choices) {
        auto* button = new QPushButton(caption, this);
        button->setAutoDefault(choice == EFolderOptionsAnswer::Yes);
        connect(button, &QPushButton::clicked, this, [this, choice = choice] { Choose(choice); });
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
}

void CDragOptions::ReadControls()
{
    ignoreFolders = ignoreBox->isChecked();
    keywordText = keywordBox->text().toStdString();
}

void CDragOptions::Choose(EFolderOptionsAnswer choice)
{
    answer = choice;
    if (choice == EFolderOptionsAnswer::Cancel) {
        reject();
        return;
    }
    ReadControls();
    keywords = ignoreFolders ? BuildKeywords(keywordText) : std::vector<std::string>{};
    accept();
}

void CDragOptions::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    raise();
    activateWindow();
}

EFolderOptionsAnswer AskFolderOptionsWithDialog(CFolderOptionsQuestion& question, QWidget* parent)
{
    CDragOptions dialog(question, parent);
    dialog.exec();
    // What the dialog last read from its controls (a click on the ignore box
    // reads them too, so even a cancelled dialog may have changed them).
    question.ignoreFolders = dialog.ignoreFolders;
    question.keywordText = dialog.keywordText;
    return dialog.Answer();
}
