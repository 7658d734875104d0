// The source panel's commands: building the list of pictures, and the
// source folder the destination follows.

#include "source_panel.h"

#include "batch_worker.h"
#include "destination.h"
#include "dialog_layout.h"
#include "output_path.h"
#include "picture_list.h"
#include "platform_services.h"
#include "textured_button.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QPushButton>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace {

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

inline constexpr const char* kAddFilesTitle = "Add Pictures";
inline constexpr const char* kAddFolderTitle = "Select folder containing the images";

// "All Files" offers every extension the list takes; then one filter a format.
std::vector<std::pair<std::string, std::string>> PictureFileFilters()
{
    std::string shown;
    std::string patterns;
    for (std::string_view extension : kSupportedPictureExtensions) {
        shown += (shown.empty() ? "*" : "; *") + std::string(extension);
        patterns += (patterns.empty() ? "*" : ";*") + std::string(extension);
    }
    return {{"All Files (" + shown + ")", patterns},
            {"JPEG Files (*.jpg)", "*.jpg"},
            {"TIFF Files (*.tif)", "*.tif"},
            {"PNG Files (*.png)", "*.png"},
            {"BMP Files (*.bmp)", "*.bmp"}};
}

} // namespace

CSourcePanel::CSourcePanel(QWidget* window, CPlatformServices& platform, CDestination& destination)
    : CControlPanel(window, MapDialogRect(13, 4, 253, 74)), platform(platform), destination(destination),
      inputList(platform)
{
    // The group box first, so the controls inside it lie above it.
    auto* area = new QGroupBox(this);
    Place(IDC_SOURCE_AREA, area, geometry());
    addFolderButton = AddButton(IDC_ADD_FOLDER, "Add &Folder", MapDialogRect(18, 14, 50, 22));
    addButton = AddButton(IDC_ADD, "&Add", MapDialogRect(83, 13, 50, 22));
    removeButton = AddButton(IDC_REMOVE, "&Remove", MapDialogRect(147, 13, 50, 22));
    clearButton = AddButton(IDC_CLEAR_INPUTS, "Clear Inputs", MapDialogRect(211, 13, 50, 22));
    includeSubfoldersBox = new QCheckBox(this);
    Place(IDC_INCLUDE_SUBFOLDERS, includeSubfoldersBox, MapDialogRect(17, 40, 10, 8));
    AddLabel(IDC_INCLUDE_LABEL, "Include subfolders", MapDialogRect(28, 40, 65, 9));
    AddLabel(IDC_SOURCE_CAPTION, "Source:", MapDialogRect(18, 53, 26, 8));
    sourceLine = AddLabel(IDC_SOURCE_LINE, " ", MapDialogRect(16, 64, 247, 10), true);
    for (int id : {IDC_SOURCE_CAPTION, IDC_SOURCE_LINE, IDC_INCLUDE_LABEL})
        static_cast<CTransparentText*>(Control(id))->SetTextColor(Qt::black);

    // The list lies in the window's centre area, outside this panel.
    model = new CInputListModel(inputList, this);
    pictureList = new CPictureList(window);
    pictureList->setModel(model);
    pictureList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pictureList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pictureList->setMouseTracking(true);
    connect(pictureList, &CPictureList::PathsDropped, this, &CSourcePanel::OnDropFiles);
    connect(pictureList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit SelectionChanged(pictureList->SoleSelectedPath()); });
    // A list taken again drops its selection without a word: the look goes too.
    connect(model, &QAbstractItemModel::modelReset, this,
            [this] { emit SelectionChanged(pictureList->SoleSelectedPath()); });

    pictureList->setToolTip("Drag and Drop into this window all files and folders to be processed \n"
                            "This is the list of image files to process.");
    area->setToolTip("Source control area.");
    sourceLine->setToolTip("Directory path of source images.");
    includeSubfoldersBox->setToolTip("Check if you want to process all images in the folder and subfolders.");
    SetButtonLook(addButton, "&Add", ":/ui/icons/add.png", "Add highlighted image files to the list to process.");
    SetButtonLook(addFolderButton, "Add &Folder", ":/ui/icons/add_folder.png",
                  "Add an entire folder of images to the list to process.");
    SetButtonLook(removeButton, "&Remove", ":/ui/icons/remove.png",
                  "Remove highlighted image files from list to process.");
    SetButtonLook(clearButton, "Clear Inputs", {}, "Clear list of image files to process.");

    connect(addButton, &QPushButton::clicked, this, &CSourcePanel::OnAdd);
    connect(addFolderButton, &QPushButton::clicked, this, &CSourcePanel::OnAddFolder);
    connect(removeButton, &QPushButton::clicked, this, &CSourcePanel::OnRemove);
    connect(clearButton, &QPushButton::clicked, this, &CSourcePanel::OnClearInputs);
    connect(includeSubfoldersBox, &QCheckBox::clicked, this, &CSourcePanel::OnIncludeSubfolders);
}

std::list<std::string> CSourcePanel::Queue() const
{
    return {inputList.Entries().begin(), inputList.Entries().end()};
}

QString CSourcePanel::Line() const { return sourceLine->Text(); }

void CSourcePanel::DisableForJob()
{
    for (QWidget* control : std::initializer_list<QWidget*>{addButton, addFolderButton, removeButton, clearButton,
                                                            includeSubfoldersBox})
        control->setEnabled(false);
}

void CSourcePanel::EnableIdle()
{
    for (QWidget* control : std::initializer_list<QWidget*>{addButton, addFolderButton, removeButton, clearButton,
                                                            includeSubfoldersBox})
        control->setEnabled(true);
}

void CSourcePanel::ApplySettings(const CStoredSettings& stored)
{
    inputList.SetBrowsePath(stored.browsePath);
    ignoreFilter = stored.ignoreFilter;
    ignoreFolder = stored.ignoreFolder;
    // The stored subfolder choice is only ever written: the window opens in
    // the subfolder choice, and a folder walk starts without subfolders.
    recurseDirectories = false;
}

void CSourcePanel::CollectSettings(CStoredSettings& stored) const
{
    stored.browsePath = inputList.GetBrowsePath();
    stored.recurseDirectories = recurseDirectories;
    stored.ignoreFilter = ignoreFilter;
    stored.ignoreFolder = ignoreFolder;
}

void CSourcePanel::SetLine(const std::string& folder)
{
    sourceLine->SetText(ToQt(" " + folder));
}

void CSourcePanel::RefreshList()
{
    model->Refresh();
}

void CSourcePanel::ShieldOutputFolders()
{
    // A walk never enters the folders this window's job would write into, nor
    // those earlier runs wrote into (any preset's subfolder, the designated
    // folder chosen before), so a run does not frame earlier outputs.
    std::vector<std::string> folders;
    if (!destination.GetRememberedDesignatedFolder().empty())
        folders.push_back(TrimTrailingSeparators(destination.GetRememberedDesignatedFolder()));
    if (destination.IsSubfolderMode()) {
        inputList.SetOutputFolders(TrimTrailingSeparators(destination.GetFolderText()), folders);
    } else {
        folders.push_back(TrimTrailingSeparators(destination.GetFolderText()));
        inputList.SetOutputFolders({}, folders);
    }
    inputList.SetPassOverPresetSubfolders(true);
}

bool CSourcePanel::AskFolderOptions(const std::string& folder, bool& toAll, std::vector<std::string>& keywords)
{
    toAll = false;
    keywords.clear();
    CFolderOptionsQuestion question{folder, ignoreFolder, ignoreFilter};
    if (!includeSubfolders) {
        recurseDirectories = false;
        return true;
    }
    const EFolderOptionsAnswer answer = platform.AskFolderOptions(question);
    ignoreFilter = question.keywordText;
    ignoreFolder = question.ignoreFolders;
    switch (answer) {
    case EFolderOptionsAnswer::Cancel: return false;
    case EFolderOptionsAnswer::Yes: recurseDirectories = true; break;
    case EFolderOptionsAnswer::YesToAll: recurseDirectories = true; toAll = true; break;
    case EFolderOptionsAnswer::No: recurseDirectories = false; break;
    case EFolderOptionsAnswer::NoToAll: recurseDirectories = false; toAll = true; break;
    }
    if (ignoreFolder)
        keywords = BuildKeywords(ignoreFilter);
    return true;
}

void CSourcePanel::OnAdd()
{
    const CFileDialogRequest request{kAddFilesTitle, PictureFileFilters(), "jpg", inputList.GetBrowsePath(), true};
    const std::optional<std::vector<std::string>> chosen = platform.ChooseFiles(request);
    if (!chosen || chosen->empty())
        return;
    for (const std::string& path : *chosen)
        inputList.AddPicture(path);
    inputList.SetBrowsePath(TrimTrailingSeparators(FolderOfPath(chosen->front())));
    SetLine(inputList.GetBrowsePath());
    if (destination.IsSubfolderMode())
        destination.SetSourceFolder(inputList.GetBrowsePath());
    emit DestinationChanged();
    RefreshList();
    emit ListWanted();
}

void CSourcePanel::OnAddFolder()
{
    const std::optional<std::string> folder = platform.BrowseForFolder(kAddFolderTitle, inputList.GetBrowsePath());
    if (!folder)
        return;
    destination.SetSourceFolder(*folder);
    bool toAll = false;
    std::vector<std::string> keywords;
    if (AskFolderOptions(*folder, toAll, keywords)) {
        ShieldOutputFolders();
        inputList.ScanFolder(*folder, recurseDirectories, keywords);
    }
    SetLine(destination.GetSourceFolder());
    emit DestinationChanged();
    RefreshList();
    emit ListWanted();
}

void CSourcePanel::OnIncludeSubfolders()
{
    includeSubfolders = includeSubfoldersBox->isChecked();
    if (!includeSubfolders)
        recurseDirectories = false;
    const std::string folder = destination.GetSourceFolder();
    bool toAll = false;
    std::vector<std::string> keywords;
    if (!folder.empty() && AskFolderOptions(folder, toAll, keywords)) {
        ShieldOutputFolders();
        inputList.ScanFolder(folder, recurseDirectories, keywords);
        RefreshList();
    }
}

void CSourcePanel::OnDropFiles(const std::vector<std::string>& paths)
{
    ShieldOutputFolders();
    inputList.AddDroppedPaths(paths, [this](const std::string& folder) -> std::optional<CFolderOptions> {
        CFolderOptions options;
        if (!AskFolderOptions(folder, options.toAll, options.keywords))
            return std::nullopt;
        options.recurse = recurseDirectories;
        return options;
    });
    RefreshList();
}

void CSourcePanel::OnOpenPaths(const std::vector<std::string>& paths)
{
    namespace fs = std::filesystem;
    std::vector<std::string> usable;
    std::vector<std::string> refused;  // "path: reason"
    std::string lastFolder;
    std::string lastFileFolder;
    for (const std::string& given : paths) {
        if (given.empty())
            continue;
        // A command line's paths are relative to where it was typed.
        std::error_code error;
        fs::path absolute = fs::absolute(fs::path(given), error);
        const std::string path = TrimTrailingSeparators(
            error ? given : absolute.lexically_normal().string());
        const bool folder = platform.IsDirectory(path);
        int reason = 0;
        if (!folder && !platform.Exists(path))
            reason = ENOENT;
        else if (::access(path.c_str(), folder ? R_OK | X_OK : R_OK) != 0)
            reason = errno;
        if (reason != 0) {
            refused.push_back(given + ": " + std::error_code(reason, std::generic_category()).message());
            continue;
        }
        usable.push_back(path);
        if (folder)
            lastFolder = path;
        else
            lastFileFolder = TrimTrailingSeparators(FolderOfPath(path));
    }
    if (!usable.empty())
        OnDropFiles(usable);
    const std::string source = lastFolder.empty() ? lastFileFolder : lastFolder;
    if (!source.empty()) {
        inputList.SetBrowsePath(source);
        destination.SetSourceFolder(source);
        SetLine(source);
        emit DestinationChanged();
    }
    emit ListWanted();
    if (!refused.empty()) {
        std::string text = refused.size() == 1 ? "This was not added to the list, it cannot be opened:\n"
                                                : "These were not added to the list, they cannot be opened:\n";
        for (const std::string& line : refused)
            text += "\n" + line;
        platform.ShowMessage(text, EMessageIcon::Exclamation);
    }
}

void CSourcePanel::OnRemove()
{
    for (const std::string& path : pictureList->SelectedPaths())
        inputList.Remove(path);
    pictureList->clearSelection();
    RefreshList();
    if (inputList.IsEmpty()) {
        SetLine({});
        destination.SetSourceFolder({});
        emit DestinationChanged();
    }
    update();
}

void CSourcePanel::OnClearInputs()
{
    inputList.Clear();
    RefreshList();
    SetLine({});
    destination.SetSourceFolder({});
    emit DestinationChanged();
}
