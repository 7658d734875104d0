#include "destination_check.h"

#include <algorithm>

#include "batch_worker.h"
#include "output_path.h"
#include "platform_services.h"

#include <system_error>

std::string CannotWriteMessage(const std::string& folder, int errorNumber)
{
    return std::string(kCannotWriteMessage) + "\n\n" + TrimTrailingSeparators(folder) + ": " +
           std::error_code(errorNumber, std::generic_category()).message();
}

std::string OverwriteQuestion(const std::string& folder, const std::vector<std::string>& existingNames)
{
    std::string text = std::string(kOverwriteQuestion) + "\n\nIn " + TrimTrailingSeparators(folder) + ": ";
    const std::size_t named = std::min(existingNames.size(), std::size_t(kNamedOutputs));
    for (std::size_t i = 0; i < named; ++i)
        text += (i ? ", " : "") + existingNames[i];
    if (existingNames.size() > named)
        text += " and " + std::to_string(existingNames.size() - named) + " more";
    text += " (" + std::to_string(existingNames.size()) + (existingNames.size() == 1 ? " file)" : " files)");
    return text;
}

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
    std::vector<std::string> existing;
    for (const std::string& source : groupSources) {
        const std::string output = ChooseDistinctOutputPath(BuildOutputPath(folder, source), source, planned);
        if (platform.CanOpenForReading(output))
            existing.push_back(SplitSourceName(output).fileName);
        planned.insert(NormalPathKey(output));
    }

    if (const int error = platform.ProbeWritableFolder(folder); error != 0) {
        platform.ShowMessage(CannotWriteMessage(folder, error), EMessageIcon::Exclamation, stopRequested);
        return EFolderGroupCheck::NotWritable;
    }
    if (!existing.empty() &&
        !platform.AskYesNo(OverwriteQuestion(folder, existing), EMessageIcon::Exclamation, stopRequested))
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
