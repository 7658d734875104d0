// The job loop on the worker thread: sorted pictures, folder groups, the
// destination check of each group, and the notifications that drive the
// window's progress bar, preview and return to idle.
#include "batch_worker.h"

#include "output_path.h"
#include "picture_prefetch.h"
#include "platform_services.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

void SortPathsNoCase(std::list<std::string>& paths)
{
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (auto it = paths.begin(); it != paths.end() && std::next(it) != paths.end(); ++it) {
            auto next = std::next(it);
            if (ComparePathsNoCase(*it, *next) > 0) {
                std::swap(*it, *next);
                swapped = true;
            }
        }
    }
}

std::string FolderOfPath(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

int CBatchWorker::Run()
{
    try {
        const int result = RunJob();
        // What the engine kept for a next picture is not held while the
        // program waits for the next job.
        engine.releaseMemory();
        return result;
    } catch (...) {
        // Out of memory in the job's own bookkeeping: end the job the way an
        // engine failure does, so the front end returns to idle.
        try {
            CloseEngine();
            statusText = "Memory Allocation failed!";
            Post(UWM_DONE, 100);
        } catch (...) {
        }
        return 0;
    }
}

int CBatchWorker::RunJob()
{
    SortPathsNoCase(queue);
    // The screen's size stands for preset 0; a front end that did not read
    // it leaves it to the platform, once, for the engine and the output alike.
    if (presetIndex == 0 && (customWidth < 1 || customHeight < 1) && platform) {
        const CScreenSize screen = platform->GetScreenSize();
        customWidth = screen.width;
        customHeight = screen.height;
    }
    // The engine readies what the first size needs on its own thread while
    // the first picture is decoded.
    if (!queue.empty())
        engine.prepare(presetIndex, customWidth, customHeight);
    progressShare = queue.empty() ? 0.0f : 100.0f / float(queue.size());
    announcedInGroup = 0;
    PlanAllTargets();

    // The next picture of a folder group is decoded while the engine frames
    // the current one. It is only ever taken as the current picture, so what
    // is decoded ahead of a stop, a refused group or the job's end is dropped.
    CPicturePrefetch prefetch(*this, decode);
    bool sourcePreviewed = false;

    const auto endStopped = [this, &prefetch] {
        prefetch.Close();
        CloseEngine();
        RemoveEmptyMadeFolders();
        Post(UWM_STOPPED, 100);
        return 0;
    };

    while (!queue.empty()) {
        if (Checkpoint())
            return endStopped();

        // The folder group: the run of entries in the first entry's folder.
        const std::string folder = FolderOfPath(queue.front());
        auto groupEnd = queue.begin();
        while (groupEnd != queue.end() && FolderOfPath(*groupEnd) == folder)
            ++groupEnd;
        const std::list<std::string> group(queue.begin(), groupEnd);

        // Each size's folder is checked; a folder that cannot be written
        // costs only that size's outputs of this group.
        EGroupDecision decision = EGroupDecision::Write;
        std::vector<std::string> refusals(TargetCount());
        std::size_t refused = 0;
        for (std::size_t target = 0; target < TargetCount() && decision != EGroupDecision::Stop; ++target) {
            SelectTarget(target);
            const EGroupDecision own = checkFolderGroup ? checkFolderGroup(*this, group) : EGroupDecision::Write;
            if (own == EGroupDecision::Skip) {
                refusals[target] = skippedGroupReason;
                ++refused;
            } else if (own == EGroupDecision::Stop) {
                decision = EGroupDecision::Stop;
            }
        }
        SelectTarget(0);
        if (decision != EGroupDecision::Stop && refused == TargetCount())
            decision = EGroupDecision::Skip;
        if (decision == EGroupDecision::Stop) {
            prefetch.Close();
            RemoveEmptyMadeFolders();
            Post(UWM_STOPPED, 100);
            queue.clear();
            CloseEngine();
            statusText.clear();
            lastWidth = lastHeight = -1;
            return 0;
        }
        if (decision == EGroupDecision::Skip) {
            // Only this folder is lost to the job: each of its pictures is
            // named with the reason, and the job goes on with the next one.
            for (const std::string& path : group) {
                pictureStart = std::chrono::steady_clock::now();
                statusText = announcedInGroup++ == 0 ? path : std::string(" ");
                progress += progressShare / 2;
                Post(UWM_PICTURE, int(progress));
                for (std::size_t target = 0; target < TargetCount(); ++target) {
                    SelectTarget(target);
                    ReportWriteFailure(path, PlannedOutput(path).output, refusals[target]);
                }
                SelectTarget(0);
                progress += progressShare / 2;
                Post(UWM_PICTURE_DONE, int(progress));
            }
            announcedInGroup = 0;
            queue.erase(queue.begin(), groupEnd);
            statusText.clear();
            continue;
        }

        for (auto entry = group.begin(); entry != group.end(); ++entry) {
            const std::string& path = *entry;
            statusText = announcedInGroup == 0 ? path : std::string(" ");
            progress += progressShare / 2;
            Post(UWM_PICTURE, int(progress));
            ++announcedInGroup;

            pictureStart = std::chrono::steady_clock::now();
            CDecodedPicture picture;
            if (!prefetch.Take(path, picture)) {
                // Nothing decoded ahead (a group's first picture): it goes
                // into the engine as it is decoded, where it can.
                inputStream.reset();
                if (openStream && !previewReady && TargetCount() == 1)
                    inputStream = openStream(path);
                if (inputStream) {
                    picture.path = path;
                    picture.source = inputStream->TakeSource();
                    picture.image = std::make_unique<CImage>(std::move(picture.source.image));
                } else {
                    picture = decode(path);
                }
            }
            if (const auto next = std::next(entry); next != group.end() && !stopRequested)
                prefetch.Request(*next);
            const bool loaded = AcceptPicture(std::move(picture));
            if (loaded && previewReady && !sourcePreviewed) {
                sourcePreviewed = true;
                if (inputImage->planes == 0 && !decodedSamples.Empty()) {
                    // Decoded in the engine's form: planes for the preview alone.
                    CImage planes(inputImage->cols, inputImage->rows, 3, kSampleByte);
                    if (planes.FromInterleaved8(decodedSamples.Bytes(), planes.PixelCount() * 3) == kImageSuccess)
                        previewReady(planes, false);
                } else {
                    previewReady(*inputImage, false);
                }
            }
            if (loaded) {
                Checkpoint();
                // The job's last picture: its last size framed is the job's last run.
                const bool lastPicture = std::next(entry) == group.end() && groupEnd == queue.end();
                std::size_t lastFramedTarget = 0;
                for (std::size_t target = 0; target < TargetCount(); ++target)
                    if (refusals[target].empty())
                        lastFramedTarget = target;
                // The picture read once is framed at every size of the job.
                for (std::size_t target = 0; target < TargetCount() && !diskFull; ++target) {
                    SelectTarget(target);
                    if (!refusals[target].empty()) {
                        ReportWriteFailure(path, PlannedOutput(path).output, refusals[target]);
                        continue;
                    }
                    lastRunOfJob = lastPicture && target == lastFramedTarget;
                    // The engine is told the size of the raster decoded (and
                    // turned upright): the source is not read again for a header.
                    const EJobResult result = RunAndSave(inputImage->cols, inputImage->rows, path);
                    lastRunOfJob = false;
                    if (result == EJobResult::EngineCannotOpen) {
                        SelectTarget(0);
                        prefetch.Close();
                        CloseEngine();
                        RemoveEmptyMadeFolders();
                        Post(UWM_DONE, 100);
                        return 0;
                    }
                }
                SelectTarget(0);
            }
            // The current picture is complete (written, failed or unreadable):
            // the place where a stop takes effect. A full disk stops the job
            // too: every later picture would fail the same way.
            if (stopRequested)
                return endStopped();
            if (diskFull) {
                // The job ends here, told like an end, so the front end says
                // why and keeps its list; the rest of the queue is not tried.
                prefetch.Close();
                CloseEngine();
                RemoveEmptyMadeFolders();
                statusText.clear();
                Post(UWM_DONE, 100);
                return 0;
            }
            if (loaded) {
                PictureDone();
                progress += progressShare / 2;
                Post(UWM_PICTURE_DONE, int(progress));
            }
            if (Checkpoint())
                return endStopped();
        }
        engineOutput.Free();
        announcedInGroup = 0;

        queue.erase(queue.begin(), groupEnd);
        CloseEngine();
        statusText.clear();
        lastWidth = lastHeight = -1;
    }

    if (stopRequested)
        return endStopped();
    prefetch.Close();
    CloseEngine();
    RemoveEmptyMadeFolders();
    Post(UWM_DONE, 100);
    return 1;
}
