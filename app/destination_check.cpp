#include "destination_check.h"

#include "platform_services.h"

EFolderGroupCheck CheckFolderGroup(CPlatformServices& platform, const CJobDestination& destination,
                                   const std::vector<std::string>& groupSources, const COutputNameRegistry& names,
                                   const std::atomic<bool>* stopRequested)
{
    if (groupSources.empty())
        return EFolderGroupCheck::Accepted;

    // Every source of a group shares its folder, so they share the output folder.
    const std::string folder = BuildOutputFolder(destination.saveType, destination.outputFolder, groupSources.front());
    if (destination.saveType == kSaveTypeSubfolder)
        CreateFoldersAlong(platform, folder);

    bool outputExists = false;
    for (const std::string& output : names.PlanOutputPaths(folder, groupSources)) {
        if (platform.CanOpenForReading(output)) {
            outputExists = true;
            break;
        }
    }

    if (!platform.ProbeWritableFile(folder + kWriteTestFileName)) {
        platform.ShowMessage(kCannotWriteMessage, EMessageIcon::Exclamation, stopRequested);
        return EFolderGroupCheck::NotWritable;
    }
    if (outputExists && !platform.AskYesNo(kOverwriteQuestion, EMessageIcon::Exclamation, stopRequested))
        return EFolderGroupCheck::OverwriteDeclined;
    return EFolderGroupCheck::Accepted;
}
