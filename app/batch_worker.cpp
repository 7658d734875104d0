#include "batch_worker.h"

#include "output_path.h"

#include <algorithm>
#include <filesystem>

const char* JobResultMessage(EJobResult result)
{
    switch (result) {
    case EJobResult::PictureWritten: return "picture written";
    case EJobResult::EngineCannotOpen: return "the frame engine could not be opened";
    case EJobResult::WritingFailed: return "picture not written";
    }
    return "unknown result";
}

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
    outputPlan = COutputPlan();
    outputsPlanned = false;
    moreTargets.clear();
    currentTarget = 0;
    ownTarget = CJobTarget();
    engineInputIsCurrent = false;
    lastRunOfJob = false;
    keepUnmarkedFiles = false;
    madeFolders.clear();
    checkedOutputFolders.clear();
    previewReady = nullptr;
    diskFull = false;
    diskFullMessage.clear();
    lastOutputPath.clear();
    picturesWritten = picturesFailed = picturesSkipped = 0;
    {
        std::lock_guard lock(reportLock);
        reports.clear();
    }
    pictureStart = {};
    announcedInGroup = 0;
}

void CBatchWorker::PlanOutputs()
{
    if (outputsPlanned)
        return;
    SortPathsNoCase(queue);
    outputPlan = COutputPlan::Make(std::vector<std::string>(queue.begin(), queue.end()), saveType, outputFolder,
                                   keepUnmarkedFiles);
    outputsPlanned = true;
}

void CBatchWorker::SelectTarget(std::size_t target)
{
    if (target == currentTarget || target >= TargetCount())
        return;
    const auto slot = [this](std::size_t index) -> CJobTarget& {
        return index == 0 ? ownTarget : moreTargets[index - 1];
    };
    CJobTarget& away = slot(currentTarget);
    away.presetIndex = presetIndex;
    away.customWidth = customWidth;
    away.customHeight = customHeight;
    away.outputFolder = std::move(outputFolder);
    away.plan = std::move(outputPlan);
    away.planned = outputsPlanned;
    CJobTarget& next = slot(target);
    presetIndex = next.presetIndex;
    customWidth = next.customWidth;
    customHeight = next.customHeight;
    outputFolder = std::move(next.outputFolder);
    outputPlan = std::move(next.plan);
    outputsPlanned = next.planned;
    currentTarget = target;
}

void CBatchWorker::PlanAllTargets()
{
    for (std::size_t target = TargetCount(); target-- > 0;) {
        SelectTarget(target);
        PlanOutputs();
    }
}

COutputAssignment CBatchWorker::PlannedOutput(const std::string& sourcePath)
{
    if (const COutputAssignment* planned = outputPlan.Find(sourcePath))
        return *planned;
    // A picture framed outside a planned run is planned with the queue, so
    // it still never takes the name of a source or of another's output.
    std::vector<std::string> sources(queue.begin(), queue.end());
    if (std::find(sources.begin(), sources.end(), sourcePath) == sources.end())
        sources.push_back(sourcePath);
    return *COutputPlan::Make(sources, saveType, outputFolder, keepUnmarkedFiles).Find(sourcePath);
}

int CBatchWorker::SkipPicturesWithOutputs()
{
    if (!keepUnmarkedFiles) {
        keepUnmarkedFiles = true;
        for (std::size_t target = TargetCount(); target-- > 0;) {
            SelectTarget(target);
            outputsPlanned = false;
        }
    }
    PlanAllTargets();
    // A picture is left out when its own output is there at every size;
    // one missing at some size is framed at all of them again (its own
    // outputs, written again with the same bytes).
    int skipped = 0;
    for (auto it = queue.begin(); it != queue.end();) {
        std::vector<std::string> outputs;
        for (std::size_t target = 0; target < TargetCount(); ++target) {
            SelectTarget(target);
            const COutputAssignment* planned = outputPlan.Find(*it);
            if (planned && planned->existing == EExistingOutput::Own)
                outputs.push_back(planned->output);
        }
        SelectTarget(0);
        if (outputs.size() != TargetCount()) {
            ++it;
            continue;
        }
        for (const std::string& output : outputs)
            AddReport(CPictureReport{*it, EPictureOutcome::Skipped, output, "output exists"});
        ++picturesSkipped;
        ++skipped;
        it = queue.erase(it);
    }
    return skipped;
}

void CBatchWorker::RemoveEmptyMadeFolders()
{
    // Deepest first: a made folder holding only made folders goes too.
    for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it) {
        std::error_code error;
        if (std::filesystem::is_empty(*it, error) && !error)
            std::filesystem::remove(*it, error);
    }
    madeFolders.clear();
}

void CBatchWorker::AddReport(CPictureReport report)
{
    if (report.milliseconds < 0 && pictureStart != std::chrono::steady_clock::time_point{})
        report.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now() - pictureStart)
                                  .count();
    std::lock_guard lock(reportLock);
    reports.push_back(std::move(report));
}

std::vector<CPictureReport> CBatchWorker::GetPictureReports() const
{
    std::lock_guard lock(reportLock);
    std::vector<CPictureReport> notClean;
    for (const CPictureReport& report : reports)
        if (report.outcome != EPictureOutcome::Written)
            notClean.push_back(report);
    return notClean;
}

std::vector<CPictureReport> CBatchWorker::GetAllReports() const
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

