#pragma once
// What a front end decides about a job before it starts, as one value. The
// window fills it from its controls, the command line from its options, and
// SetUpJob hands it to the worker the same way for both.

#include "output_path.h"
#include "shard.h"

#include <list>
#include <string>
#include <vector>

class CBatchWorker;
class CNotificationTarget;
class CPlatformServices;

struct CJobSettings {
    std::list<std::string> queue;  // source paths (UTF-8); the job sorts them
    int presetIndex = 12;          // row of the preset table (preset_sizes.h)
    int customWidth = 0;           // row 0's size: the screen's, or one given on the command line
    int customHeight = 0;
    int saveType = kSaveSubfolder;
    std::string outputFolder;  // designated folder's path, or the subfolder's name; no trailing separator
    float strength = 0.0f;
    // Leave out every picture whose own output exists (each with a Skipped
    // report), and keep the files there that are no picture's own output:
    // such a picture takes the next free name instead.
    bool keepUnmarkedFiles = false;
    // Further sizes, each picture framed at every one into its folder (the
    // command line's list of presets; the window frames one size).
    struct CSize {
        int presetIndex = 12;
        int customWidth = 0;
        int customHeight = 0;
        std::string outputFolder;
    };
    std::vector<CSize> moreSizes;
    // Frame only this part of the queue; the outputs are named from the
    // whole queue, so the parts together write what one job writes.
    CShard shard;
};

// Readies `job` for `settings`, ready to Start(): clears what an earlier job
// left, takes the settings, asks `platform` its questions and folders and
// posts its notifications to `notifications`, and checks each folder
// group's destination before writing into it. With keepUnmarkedFiles the
// pictures whose outputs exist are taken out of the queue here.
void SetUpJob(CBatchWorker& job, const CJobSettings& settings, CPlatformServices& platform,
              CNotificationTarget& notifications);
