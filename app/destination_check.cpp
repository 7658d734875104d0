#include "destination_check.h"

#include "batch_worker.h"
#include "output_path.h"
#include "output_plan.h"
#include "platform_services.h"

#include <algorithm>
#include <cerrno>
#include <set>
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
                                   const std::vector<std::string>& groupSources, const COutputPlan& plan,
                                   const std::atomic<bool>* stopRequested, CFolderCheckRecord* record)
{
    if (groupSources.empty())
        return EFolderGroupCheck::Accepted;

    // Every source of a group shares its folder, so they share the output folder.
    const std::string folder = BuildOutputFolder(destination.saveType, destination.outputFolder, groupSources.front());
    // A subfolder beside the sources, or a designated folder the job names
    // itself (one per size), is made here.
    if (destination.makeFolder) {
        const std::vector<std::string> made = CreateFoldersAlong(folder, &platform);
        if (record)
            record->madeFolders.insert(record->madeFolders.end(), made.begin(), made.end());
    }

    std::vector<std::string> existing;
    for (const std::string& source : groupSources) {
        const COutputAssignment* planned = plan.Find(source);
        if (planned && planned->existing != EExistingOutput::None)
            existing.push_back(SplitSourceName(planned->output).fileName);
    }

    if (int error = platform.ProbeWritableFolder(folder); error != 0) {
        if (error == ENOENT && !platform.IsDirectory(folder))
            error = WhyFolderCannotBeMade(folder, platform);
        if (record)
            record->notWritableReason = TrimTrailingSeparators(folder) + ": " +
                                        std::error_code(error, std::generic_category()).message();
        platform.ShowMessage(CannotWriteMessage(folder, error), EMessageIcon::Exclamation, stopRequested);
        return EFolderGroupCheck::NotWritable;
    }
    if (!existing.empty() &&
        !platform.AskYesNo(OverwriteQuestion(folder, existing), EMessageIcon::Exclamation, stopRequested))
        return EFolderGroupCheck::OverwriteDeclined;
    return EFolderGroupCheck::Accepted;
}

EGroupDecision CheckJobFolderGroup(CBatchWorker& job, const std::list<std::string>& group)
{
    if (job.platform == nullptr)
        return EGroupDecision::Write;
    if (group.empty())
        return EGroupDecision::Write;
    const CJobDestination destination{job.saveType, job.outputFolder, job.MakesItsOutputFolders()};
    // Several groups may write into one folder (a designated folder takes
    // every source folder's pictures): it is checked once, for all of them.
    const std::string key =
        NormalPathKey(TrimTrailingSeparators(BuildOutputFolder(job.saveType, job.outputFolder, group.front())));
    if (const auto settled = job.checkedOutputFolders.find(key); settled != job.checkedOutputFolders.end()) {
        if (settled->second.empty())
            return EGroupDecision::Write;
        job.skippedGroupReason = "cannot write to " + settled->second;
        return EGroupDecision::Skip;
    }
    // A subfolder belongs to its own source folder, whose pictures form one
    // group; the designated folder takes every picture still to come.
    std::vector<std::string> sources(group.begin(), group.end());
    if (job.saveType == kSaveDesignatedFolder) {
        const std::set<std::string> inGroup(group.begin(), group.end());
        for (const std::string& source : job.queue)
            if (inGroup.count(source) == 0)
                sources.push_back(source);
    }
    job.PlanOutputs();
    CFolderCheckRecord record;
    const EFolderGroupCheck check =
        CheckFolderGroup(*job.platform, destination, sources, job.outputPlan, &job.stopRequested, &record);
    job.madeFolders.insert(job.madeFolders.end(), record.madeFolders.begin(), record.madeFolders.end());
    switch (check) {
    case EFolderGroupCheck::Accepted: job.checkedOutputFolders[key].clear(); return EGroupDecision::Write;
    case EFolderGroupCheck::NotWritable:
        job.checkedOutputFolders[key] = record.notWritableReason;
        job.skippedGroupReason = "cannot write to " + record.notWritableReason;
        return EGroupDecision::Skip;
    case EFolderGroupCheck::OverwriteDeclined: break;
    }
    return EGroupDecision::Stop;
}
