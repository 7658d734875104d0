#include "destination_check.h"

#include "batch_worker.h"
#include "output_path.h"
#include "platform_services.h"

EFolderGroupCheck CheckFolderGroup(CPlatformServices& platform, const CJobDestination& destination,
                                   const std::vector<std::string>& groupSources,
                                   const std::set<std::string>& claimedKeys, const std::atomic<bool>* stopRequested)
{
    if (groupSources.empty())
        return EFolderGroupCheck::Accepted;

    // Every source of a group shares its folder, so they share the output folder.
    const std::string folder = BuildOutputFolder(destination.saveType, destination.outputFolder, groupSources.front());
    if (destination.saveType == kSaveSubfolder)
        CreateFoldersAlong(folder, &platform);

    // The names the pipeline will choose, claimed one after another as it
    // will claim them.
    std::set<std::string> planned = claimedKeys;
    bool outputExists = false;
    for (const std::string& source : groupSources) {
        const std::string output = ChooseDistinctOutputPath(BuildOutputPath(folder, source), source, planned);
        if (platform.CanOpenForReading(output)) {
            outputExists = true;
            break;
        }
        planned.insert(NormalPathKey(output));
    }

    if (!platform.ProbeWritableFile(folder + kWriteTestFileName)) {
        platform.ShowMessage(kCannotWriteMessage, EMessageIcon::Exclamation, stopRequested);
        return EFolderGroupCheck::NotWritable;
    }
    if (outputExists && !platform.AskYesNo(kOverwriteQuestion, EMessageIcon::Exclamation, stopRequested))
        return EFolderGroupCheck::OverwriteDeclined;
    return EFolderGroupCheck::Accepted;
}

bool CheckJobFolderGroup(CBatchWorker& job, const std::list<std::string>& group)
{
    if (job.platform == nullptr)
        return true;
    const CJobDestination destination{job.saveType, job.outputFolder};
    const std::vector<std::string> sources(group.begin(), group.end());
    return CheckFolderGroup(*job.platform, destination, sources, job.claimedPaths, &job.stopRequested) ==
           EFolderGroupCheck::Accepted;
}
