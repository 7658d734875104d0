#include "destination.h"

#include "output_path.h"
#include "preset_sizes.h"

CDestination::CDestination(CPlatformServices& platform, int presetIndex)
    : platform(platform), presetIndex(presetIndex)
{
    folderText = MakeDefaultSubfolderName(GetOutputSize(presetIndex));
}

std::string CDestination::MakeDefaultSubfolderName(CScreenSize outputSize)
{
    return std::string(kProductName) + "_" + std::to_string(outputSize.width) + "x" +
           std::to_string(outputSize.height);
}

CScreenSize CDestination::GetOutputSize(int index) const
{
    return PresetOutputSize(index, platform.GetScreenSize());
}

void CDestination::SetFolderText(const std::string& text)
{
    folderText = text;
    UpdateDestination();
}

void CDestination::SetSourceFolder(const std::string& folder)
{
    sourceFolder = folder;
    UpdateDestination();
}

bool CDestination::ChooseSubfolderMode()
{
    if (saveType == kSaveSubfolder)
        return false;
    UpdateChoice(kSaveSubfolder);
    return true;
}

bool CDestination::ChooseDesignatedFolderMode()
{
    if (saveType == kSaveDesignatedFolder)
        return false;
    UpdateChoice(kSaveDesignatedFolder);
    return true;
}

void CDestination::ChangeResolution(int newPresetIndex)
{
    presetIndex = newPresetIndex;
    if (saveType == kSaveSubfolder)
        folderText = MakeDefaultSubfolderName(GetOutputSize(presetIndex));
    UpdateChoice(saveType);
}

bool CDestination::ChooseFolder(const std::string& browsePath)
{
    if (saveType != kSaveDesignatedFolder)
        return false;
    const std::optional<std::string> folder = platform.BrowseForFolder(kChooseOutputFolderTitle, browsePath);
    if (!folder)
        return false;
    folderText = *folder;
    UpdateDestination();
    return true;
}

void CDestination::UpdateChoice(int selection)
{
    if (selection == kSaveSubfolder) {
        if (saveType == kSaveDesignatedFolder && rememberedDesignatedFolder.empty())
            rememberedDesignatedFolder = folderText;
        if (!rememberedSubfolder.empty()) {
            folderText = rememberedSubfolder;
            rememberedSubfolder.clear();
        }
    } else {
        if (saveType == kSaveSubfolder && rememberedSubfolder.empty())
            rememberedSubfolder = folderText;
        if (!rememberedDesignatedFolder.empty()) {
            folderText = rememberedDesignatedFolder;
            rememberedDesignatedFolder.clear();
        }
    }
    saveType = selection;
    UpdateDestination();
}

const std::string& CDestination::UpdateDestination()
{
    if (saveType == kSaveDesignatedFolder)
        destinationLine = folderText;
    else if (!sourceFolder.empty())
        destinationLine = JoinPath(sourceFolder, folderText);
    else
        destinationLine = " ";
    return destinationLine;
}

bool CDestination::CheckDestinationOnStart()
{
    if (folderText.empty()) {
        platform.ShowMessage(kNoOutputFolderMessage, EMessageIcon::None);
        return false;
    }
    if (saveType == kSaveDesignatedFolder && !platform.IsDirectory(folderText)) {
        platform.ShowMessage(kMissingOutputFolderMessage, EMessageIcon::None);
        folderText.clear();
        UpdateDestination();
        return false;
    }
    return true;
}

std::string CDestination::TakeJobOutputFolder()
{
    folderText = TrimTrailingSeparators(folderText);
    return folderText;
}

std::string CDestination::GetOutputsFolder() const
{
    if (saveType == kSaveDesignatedFolder)
        return folderText;
    if (sourceFolder.empty() || folderText.empty())
        return {};
    return JoinPath(sourceFolder, folderText);
}

bool CDestination::ViewOutputs()
{
    const std::string folder = GetOutputsFolder();
    if (folder.empty())
        return false;
    return platform.OpenFolderInFileManager(folder);
}
