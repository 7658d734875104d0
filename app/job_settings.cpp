#include "job_settings.h"

#include "batch_worker.h"
#include "destination_check.h"

void SetUpJob(CBatchWorker& job, const CJobSettings& settings, CPlatformServices& platform,
              CNotificationTarget& notifications)
{
    job.Reset();
    job.notifyWindow = &notifications;
    job.platform = &platform;
    job.checkFolderGroup = CheckJobFolderGroup;
    job.openStream = [](const std::string& sourcePath) { return CPictureStream::Open(sourcePath, kFramiraRowPiece); };
    job.strength = settings.strength;
    job.saveType = settings.saveType;
    job.outputFolder = settings.outputFolder;
    job.presetIndex = settings.presetIndex;
    job.customWidth = settings.customWidth;
    job.customHeight = settings.customHeight;
    job.queue = settings.queue;
    job.keepUnmarkedFiles = settings.keepUnmarkedFiles;
    for (const CJobSettings::CSize& size : settings.moreSizes)
        job.moreTargets.push_back(
            CJobTarget{size.presetIndex, size.customWidth, size.customHeight, size.outputFolder, {}, false});
    if (settings.shard.count > 1) {
        job.PlanAllTargets();
        const std::vector<std::string> part =
            SelectShard(std::vector<std::string>(job.queue.begin(), job.queue.end()), settings.shard);
        job.queue.assign(part.begin(), part.end());
    }
    if (settings.keepUnmarkedFiles)
        job.SkipPicturesWithOutputs();
}
