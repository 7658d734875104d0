#pragma once
// The check the worker makes before it writes into the output folder of a
// folder group: the folder must take a file, and existing outputs are only
// replaced when the user says so.

#include "output_path.h"

#include <atomic>
#include <list>
#include <string>
#include <vector>

class CBatchWorker;
class COutputPlan;
class CPlatformServices;
enum class EGroupDecision;

// The job's destination: the choice (kSaveDesignatedFolder or kSaveSubfolder
// of output_path.h) and the subfolder's name or the designated folder.
struct CJobDestination {
    int saveType = 2;
    std::string outputFolder;
    // The check makes the output folder when it is missing (the subfolder
    // beside the sources, or a size's folder inside a designated folder).
    bool makeFolder = saveType == kSaveSubfolder;
};

// What a check did and found beyond its answer.
struct CFolderCheckRecord {
    std::vector<std::string> madeFolders;  // folders it made, outermost first (appended)
    std::string notWritableReason;         // "/photos/Framira_1920x1080: Permission denied"
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
//     subfolder choice; what it made and found goes into `record` when
//     given) and looks for existing files among the outputs `plan` gives
//     `groupSources`.
//  2. Write test: proves that a new file can be made in the folder, leaving
//     nothing behind.
//  3. Not writable: tells the user (exclamation), naming the folder and the
//     system's reason (for a folder that could not be made, why its parent
//     refused it), and refuses.
//  4. Existing outputs: asks whether to write over them, naming the first
//     few and their count; No refuses.
// Messages go through `platform` with `stopRequested`, so a question is
// answered No at once when the window asks the job to stop.
EFolderGroupCheck CheckFolderGroup(CPlatformServices& platform, const CJobDestination& destination,
                                   const std::vector<std::string>& groupSources, const COutputPlan& plan,
                                   const std::atomic<bool>* stopRequested, CFolderCheckRecord* record = nullptr);

// The same for a job, in the form CBatchWorker::checkFolderGroup takes
// (SetUpJob gives it every job). A folder that cannot be written costs only its own group: the message has
// been shown, and the job goes on with the next folder. A declined overwrite
// stops the job. A job without platform services has nobody to ask and
// nothing to show: its groups are accepted.
EGroupDecision CheckJobFolderGroup(CBatchWorker& job, const std::list<std::string>& group);

// The texts of the two messages with what the user needs to act on: the
// fixed text, a blank line, then the folder and the system's reason, or the
// names of the existing outputs (at most `kNamedOutputs`, then a count).
inline constexpr int kNamedOutputs = 5;
std::string CannotWriteMessage(const std::string& folder, int errorNumber);
std::string OverwriteQuestion(const std::string& folder, const std::vector<std::string>& existingNames);
