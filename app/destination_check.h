#pragma once
// The check the worker makes before it writes into the output folder of a
// folder group: the folder must take a file, and existing outputs are only
// replaced when the user says so.

#include <atomic>
#include <list>
#include <set>
#include <string>
#include <vector>

class CBatchWorker;
class CPlatformServices;

// The job's destination: the choice (kSaveDesignatedFolder or kSaveSubfolder
// of output_path.h) and the subfolder's name or the designated folder.
struct CJobDestination {
    int saveType = 2;
    std::string outputFolder;
};

enum class EFolderGroupCheck {
    Accepted,
    NotWritable,        // the write test failed; the user was told
    OverwriteDeclined,  // outputs exist and the user answered No (or a stop was requested)
};

inline constexpr const char* kCannotWriteMessage =
    "Program cannot write to destination directory.\nIt might be protected or non-writable medium.";
inline constexpr const char* kOverwriteQuestion =
    "There is a file or are files with the same name in the output directory.\n"
    "Do you want to write over the files with the processed images?";

// Checks the output folder of one folder group, on the worker thread.
//  1. Builds the group's output folder (creating the subfolder for the
//     subfolder choice) and looks for an existing file among the output
//     paths the pipeline will write for `groupSources`, given the paths the
//     job has already claimed (`claimedKeys`, as NormalPathKey gives them).
//  2. Write test: proves that a new file can be made in the folder, leaving
//     nothing behind.
//  3. Not writable: tells the user (exclamation), naming the folder and the
//     system's reason, and refuses.
//  4. Existing outputs: asks whether to write over them, naming the first
//     few and their count; No refuses.
// Messages go through `platform` with `stopRequested`, so a question is
// answered No at once when the window asks the job to stop.
EFolderGroupCheck CheckFolderGroup(CPlatformServices& platform, const CJobDestination& destination,
                                   const std::vector<std::string>& groupSources,
                                   const std::set<std::string>& claimedKeys, const std::atomic<bool>* stopRequested);

// The same for a job, in the form CBatchWorker::checkFolderGroup takes:
//     worker.checkFolderGroup = CheckJobFolderGroup;
// True when the group may be written. A job without platform services has
// nobody to ask and nothing to show: its groups are accepted.
bool CheckJobFolderGroup(CBatchWorker& job, const std::list<std::string>& group);

// The texts of the two messages with what the user needs to act on: the
// fixed text, a blank line, then the folder and the system's reason, or the
// names of the existing outputs (at most `kNamedOutputs`, then a count).
inline constexpr int kNamedOutputs = 5;
std::string CannotWriteMessage(const std::string& folder, int errorNumber);
std::string OverwriteQuestion(const std::string& folder, const std::vector<std::string>& existingNames);
