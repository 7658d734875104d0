#pragma once
// What framira-batch frames and where it writes, from its options: the job
// settings (sizes and output folders) and the pictures found in the named
// files, folders and lists, with what was left out said on the way.

#include "cli_options.h"
#include "input_list.h"
#include "job_settings.h"

#include <cstdio>
#include <string>
#include <vector>

class CConsolePlatformServices;

struct CCliDestination {
    CJobSettings settings;                   // sizes, save type and output folder
    std::vector<std::string> outputFolders;  // one per size
    std::vector<std::string> madeFolders;    // made for --out now, removed again if left empty
};

// Fills `destination` from the options; makes the --out folder when it is
// missing. False with `error` set when it cannot be made.
bool ChooseDestination(const CCliOptions& options, CConsolePlatformServices& platform, CCliDestination& destination,
                       std::string& error);

struct CCliSources {
    int missing = 0;                      // named paths that do not exist
    std::vector<std::string> reportLines; // --report lines of what was left out
};

// Adds `paths` to `list` (files as named, folders by the list's rules, never
// entering the job's output folders) and says on standard error what was
// missing, empty or unreadable.
CCliSources GatherSources(const CCliOptions& options, const std::vector<std::string>& paths,
                          const CCliDestination& destination, CConsolePlatformServices& platform, CInputList& list);
