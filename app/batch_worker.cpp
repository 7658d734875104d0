#include "batch_worker.h"

#include "output_path.h"

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
    picturesWritten = picturesFailed = 0;
    announcedInGroup = 0;
}

void CBatchWorker::ClaimSources()
{
    for (const std::string& path : queue)
        claimedPaths.insert(NormalPathKey(path));
}
