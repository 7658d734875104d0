// The main window's source and destination commands: building the list of
// pictures, and the destination choice, folder and screen size.

#include "framira_dlg.h"

#include "input_list.h"
#include "output_path.h"
#include "picture_list.h"
#include "textured_button.h"
#include "platform_services.h"
#include "transparent_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
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

void CFramiraDlg::ApplySettings(const CStoredSettings& stored)
{
    inputList.SetBrowsePath(stored.browsePath);
    ignoreFilter = stored.ignoreFilter;
    ignoreFolder = stored.ignoreFolder;
    // The stored subfolder choice is only ever written: the window opens in
    // the subfolder choice, and a folder walk starts without subfolders.
    recurseDirectories = false;
}

CStoredSettings CFramiraDlg::CollectSettings() const
{
    CStoredSettings stored;
    stored.browsePath = inputList.GetBrowsePath();
    stored.recurseDirectories = recurseDirectories;
    stored.saveType = destination.GetSaveType();
    stored.ignoreFilter = ignoreFilter;
    stored.ignoreFolder = ignoreFolder;
    stored.outputFolderName = destination.GetFolderText();
    return stored;
}

void CFramiraDlg::SetSourceLine(const std::string& folder)
{
    sourceLine->SetText(ToQt(" " + folder));
}

void CFramiraDlg::RefreshDestination()
{
    const std::string line = destination.UpdateDestination();
    // A designated choice without its folder says what is missing.
    if (!destination.IsSubfolderMode() && destination.GetFolderText().empty())
        destinationLine->SetText(" Click Choose Folder to pick the folder the outputs go into.");
    else
        destinationLine->SetText(ToQt(line));
}

void CFramiraDlg::ShowFolderText()
{
    if (folderBox->text() != ToQt(destination.GetFolderText()))
        folderBox->setText(ToQt(destination.GetFolderText()));
}

void CFramiraDlg::RefreshListView()
{
    pictureList->SetEntries(inputList.Entries());
}

void CFramiraDlg::ShieldOutputFolders()
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

bool CFramiraDlg::AskFolderOptions(const std::string& folder, bool& toAll, std::vector<std::string>& keywords)
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

void CFramiraDlg::OnAdd()
{
    const CFileDialogRequest request{kAddFilesTitle, PictureFileFilters(), "jpg", inputList.GetBrowsePath(), true};
    const std::optional<std::vector<std::string>> chosen = platform.ChooseFiles(request);
    if (!chosen || chosen->empty())
        return;
    for (const std::string& path : *chosen)
        inputList.AddPicture(path);
    inputList.SetBrowsePath(TrimTrailingSeparators(FolderOfPath(chosen->front())));
    SetSourceLine(inputList.GetBrowsePath());
    if (destination.IsSubfolderMode())
        destination.SetSourceFolder(inputList.GetBrowsePath());
    RefreshDestination();
    RefreshListView();
    ShowList();
}

void CFramiraDlg::OnAddFolder()
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
    SetSourceLine(destination.GetSourceFolder());
    RefreshDestination();
    RefreshListView();
    ShowList();
}

void CFramiraDlg::OnIncludeSubfolders()
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
        RefreshListView();
    }
}

void CFramiraDlg::OnDropFiles(const std::vector<std::string>& paths)
{
    ShieldOutputFolders();
    inputList.AddDroppedPaths(paths, [this](const std::string& folder) -> std::optional<CFolderOptions> {
        CFolderOptions options;
        if (!AskFolderOptions(folder, options.toAll, options.keywords))
            return std::nullopt;
        options.recurse = recurseDirectories;
        return options;
    });
    RefreshListView();
}

void CFramiraDlg::OnOpenPaths(const std::vector<std::string>& paths)
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
        SetSourceLine(source);
        RefreshDestination();
    }
    ShowList();
    if (!refused.empty()) {
        std::string text = refused.size() == 1 ? "This was not added to the list, it cannot be opened:\n"
                                                : "These were not added to the list, they cannot be opened:\n";
        for (const std::string& line : refused)
            text += "\n" + line;
        platform.ShowMessage(text, EMessageIcon::Exclamation);
    }
}

void CFramiraDlg::OnRemove()
{
    for (const std::string& path : pictureList->SelectedPaths())
        inputList.Remove(path);
    pictureList->clearSelection();
    RefreshListView();
    if (inputList.IsEmpty()) {
        SetSourceLine({});
        destination.SetSourceFolder({});
        RefreshDestination();
    }
    update();
}

void CFramiraDlg::OnClearInputs()
{
    inputList.Clear();
    RefreshListView();
    SetSourceLine({});
    destination.SetSourceFolder({});
    RefreshDestination();
}

void CFramiraDlg::OnSubfolderChoice()
{
    if (!destination.ChooseSubfolderMode())
        return;
    saveTypeList->setCurrentIndex(kSaveSubfolder);
    ShowFolderText();
    SetChoiceLooks();
    chooseFolderButton->setEnabled(false);
    folderBox->setEnabled(true);
    RefreshDestination();
}

void CFramiraDlg::OnDesignatedChoice()
{
    if (!destination.ChooseDesignatedFolderMode())
        return;
    saveTypeList->setCurrentIndex(kSaveDesignatedFolder);
    // No folder designated yet: the subfolder's name is no folder, so the
    // field is emptied and the destination line says what to do.
    const bool needsFolder = !platform.IsDirectory(destination.GetFolderText());
    if (needsFolder)
        destination.SetFolderText({});
    ShowFolderText();
    SetChoiceLooks();
    chooseFolderButton->setEnabled(true);
    folderBox->setEnabled(false);
    RefreshDestination();
    update();
}

void CFramiraDlg::OnChooseFolder()
{
    if (destination.ChooseFolder(inputList.GetBrowsePath()))
        ShowFolderText();
    RefreshDestination();
}

void CFramiraDlg::OnResolutionChanged(int index)
{
    if (index < 0)
        return;
    presetIndex = index;
    destination.ChangeResolution(index);
    ShowFolderText();
    RefreshDestination();
}

void CFramiraDlg::OnFolderTextEdited(const QString& text)
{
    destination.SetFolderText(text.toStdString());
    RefreshDestination();
}
