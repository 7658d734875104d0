#include "batch_worker.h"

#include "output_path.h"

#include <filesystem>

CBatchWorker::CBatchWorker() = default;

CBatchWorker::~CBatchWorker()
{
    // The thread reads the members below, so it must end before they go.
    StopAndWait();
    CloseEngine();
    queue.clear();
}

void CBatchWorker::Reset()
{
    CloseEngine();
    stopRequested = false;
    queue.clear();
    statusText.clear();
    outputFolder.clear();
    strength = 0.0f;
    progress = 0.0f;
    progressShare = 0.0f;
    lastWidth = lastHeight = -1;
    claimedPaths.clear();
    lastOutputPath.clear();
    picturesWritten = picturesFailed = picturesDamaged = picturesSkipped = 0;
    {
        std::lock_guard lock(reportLock);
        reports.clear();
    }
    announcedInGroup = 0;
}

void CBatchWorker::ClaimSources()
{
    for (const std::string& path : queue)
        claimedPaths.insert(NormalPathKey(path));
}

int CBatchWorker::SkipPicturesWithOutputs()
{
    SortPathsNoCase(queue);
    // The names are chosen as the job will choose them: every source is
    // claimed, and each output claims its name for the pictures after it.
    std::set<std::string> planned;
    for (const std::string& path : queue)
        planned.insert(NormalPathKey(path));
    int skipped = 0;
    for (auto it = queue.begin(); it != queue.end();) {
        const std::string folder = BuildOutputFolder(saveType, outputFolder, *it);
        const std::string output = ChooseDistinctOutputPath(BuildOutputPath(folder, *it), *it, planned);
        planned.insert(NormalPathKey(output));
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(output, error))) {
            ++it;
            continue;
        }
        AddReport(CPictureReport{*it, EPictureOutcome::Skipped, output, "output exists"});
        ++picturesSkipped;
        ++skipped;
        it = queue.erase(it);
    }
    return skipped;
}

void CBatchWorker::AddReport(CPictureReport report)
{
    std::lock_guard lock(reportLock);
    reports.push_back(std::move(report));
}

std::vector<CPictureReport> CBatchWorker::GetPictureReports() const
{
    std::lock_guard lock(reportLock);
    return reports;
}

bool CBatchWorker::FindPictureReport(const std::string& source, CPictureReport& report) const
{
    std::lock_guard lock(reportLock);
    for (auto it = reports.rbegin(); it != reports.rend(); ++it) {
        if (it->source == source) {
            report = *it;
            return true;
        }
    }
    return false;
}

int CBatchWorker::CountPictures(EPictureOutcome outcome) const
{
    std::lock_guard lock(reportLock);
    int count = 0;
    for (const CPictureReport& report : reports)
        count += report.outcome == outcome;
    return count;
}
