#pragma once
// CBatchWorker: one job of the batch application. The window (or the command
// line) describes the job as a CJobSettings, readies the worker with
// SetUpJob (job_settings.h), then Start()s the worker thread, which sorts
// the pictures, checks each folder group's destination and frames the
// pictures one after another through the per-image pipeline, reporting every
// step by posted notifications (notifications.h).
//
// The members set by the front end are written only before Start(); while the
// job runs the front end touches only stopRequested and pause/resume/wait.

#include "engine_calls.h"
#include "image.h"
#include "notifications.h"
#include "output_path.h"
#include "output_plan.h"
#include "picture_stream.h"
#include "sample_buffer.h"
#include "source_picture.h"
#include "worker_thread.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class CPlatformServices;

// Sorts paths ascending by case-insensitive comparison of the whole paths,
// by passes of adjacent swaps until a pass swaps nothing (lists are hundreds
// of entries at most, and equal paths keep their order).
void SortPathsNoCase(std::list<std::string>& paths);
// The folder of a path: the text before its last separator ("" without one).
std::string FolderOfPath(const std::string& path);

// The larger output buffer the engine may ever need at a table preset:
// 2560 × 2048 × 3 bytes, rounded up.
inline constexpr std::size_t kMinimumEngineOutputBytes = 18000000;
// The JPEG quality of every framed picture.
inline constexpr int kOutputQuality = 95;

// How framing one picture ended (RunAndSave), with the pipeline's own numbers.
enum class EJobResult {
    PictureWritten = 0,
    EngineCannotOpen = 1,  // the engine could not be opened: the job ends
    WritingFailed = 3,     // this picture was not written: the job goes on
};
// The result in words ("picture written").
const char* JobResultMessage(EJobResult result);

// How one picture of a job ended, beyond what the notifications say.
enum class EPictureOutcome {
    Written,     // framed cleanly
    Damaged,     // framed from what could be recovered of a damaged source
    Missing,     // the source does not exist (any more)
    Unreadable,  // not a picture the image library reads, or damaged beyond use
    Failed,      // framed but not written (or no memory for it)
    Skipped,     // left out before the job: its output exists already
};

struct CPictureReport {
    std::string source;
    EPictureOutcome outcome = EPictureOutcome::Written;
    std::string output;  // the file written (Written, Damaged), tried (Failed) or found (Skipped)
    std::string reason;  // why it is not Written: "data ends early", "No space left on device", ...
    std::int64_t bytes = -1;         // the output's size, when one was written
    std::int64_t milliseconds = -1;  // from the picture's turn to its end, when it had one
};

// One more size a job frames each picture at (the command line's list of
// presets): its preset row or custom size, its output folder and the names
// planned there.
struct CJobTarget {
    int presetIndex = 12;
    int customWidth = 0;
    int customHeight = 0;
    std::string outputFolder;
    COutputPlan plan;
    bool planned = false;
};

// What the destination check decided for one folder group.
enum class EGroupDecision {
    Write,  // frame the group's pictures
    Skip,   // its folder cannot be written: each picture fails with the reason, the job goes on
    Stop,   // the user declined to overwrite: the job ends
};

// One source read and brought to the engine's form, or why it could not be.
struct CDecodedPicture {
    std::string path;
    // 3 planes of 8 or 16 bits, or only the facts of a picture whose samples
    // came decoded straight into the engine's form; null when the source gave none.
    std::unique_ptr<CImage> image;
    CSampleBuffer samples;  // that form (interleaved 8-bit R, G, B), when the image has no planes
    CPictureReport failure;         // Missing or Unreadable, with its reason, when image is null
    // What the output takes from the source (its metadata, a JPEG's coding),
    // read with the pixels; its own pixels and profile are gone by now.
    CSourcePicture source;
};

// Reads `sourcePath` (one open, one read) and makes it upright sRGB in 3
// planes for the engine. Touches no job state, so a helper thread may
// decode ahead of the job.
CDecodedPicture DecodePicture(const std::string& sourcePath);
// The same, decoding a JPEG of grey or colour samples, or a PNG without a
// profile or a turn, straight into the engine's form, in a block from `pool`
// (the planes and their export are skipped); every other picture as above.
CDecodedPicture DecodePicture(const std::string& sourcePath, CSampleBufferPool& pool);

class CBatchWorker : public CWorkerThread {
public:
    CBatchWorker();
    ~CBatchWorker() override;

    // --- Job members, set by SetUpJob before Start() -------------------------
    CNotificationTarget* notifyWindow = nullptr;  // none: nothing is posted
    CPlatformServices* platform = nullptr;        // questions, folders, screen; none: real file system only
    std::list<std::string> queue;                 // source paths (UTF-8)
    float strength = 0.0f;
    int saveType = 2;           // 1 designated folder, 2 subfolder beside each source
    std::string outputFolder;   // designated folder's path, or the subfolder's name; no trailing separator
    int presetIndex = 12;       // row of the preset table; 0 = the screen (customWidth × customHeight)
    int customWidth = 0;
    int customHeight = 0;
    CEngineCalls engine;        // the engine's entry points (tests stand in for them)
    // How the job loop reads a source, on the worker or ahead of it on a
    // helper thread (tests stand in for it to time the reading).
    std::function<CDecodedPicture(const std::string& sourcePath)> decode = [this](const std::string& sourcePath) {
        return DecodePicture(sourcePath, inputPool);
    };
    // Opens a picture to be handed to the engine in pieces while it is
    // decoded (picture_stream.h): the first picture of a folder group, in a
    // job of one size that shows nothing of its sources. Unset, or null for
    // a file: the picture is decoded whole by `decode`.
    std::function<std::unique_ptr<CPictureStream>(const std::string& sourcePath)> openStream;
    // A buffer for the engine larger than this is treated as one that cannot
    // be allocated (the picture is skipped); no picture the image library
    // reads comes near it.
    std::size_t engineMemoryLimit = std::size_t{4} << 30;

    // The destination check of one folder group (write test, overwrite
    // question), called on the worker thread with the group's paths in
    // queue order. Unset: every group is written.
    std::function<EGroupDecision(CBatchWorker& job, const std::list<std::string>& group)> checkFolderGroup;

    // A front end's view of the job, called on the worker thread: the job's
    // first source as decoded for framing (`framed` false), then every framed
    // picture once written. The picture is only lent for the call: a window
    // scales it there and posts the result, so its own thread never decodes.
    std::function<void(const CImage& picture, bool framed)> previewReady;

    // Reset before a job: closes the engine and empties the job's state.
    void Reset();

    // Takes out of the queue, before Start(), every picture whose own output
    // (the file marked as framed from it) exists already, each with a
    // Skipped report. From then on the job keeps every existing file that is
    // not a picture's own output: such a picture takes the next free name.
    // Returns how many were taken out.
    int SkipPicturesWithOutputs();

    // Decides every picture's output name for the queue as it stands
    // (sorted); Start() does it when nobody has. Idempotent until Reset().
    void PlanOutputs();
    // The output of `sourcePath` by the job's plan (planned alone when the
    // job has not planned it).
    COutputAssignment PlannedOutput(const std::string& sourcePath);

    // --- Per-image pipeline (worker thread) ---------------------------------
    // True when inputImage now holds the picture, as 3 planes of 8 or 16 bits.
    bool LoadPicture(const std::string& sourcePath);
    // LoadPicture's second half, for a picture decoded already (perhaps
    // ahead, on another thread): keeps it as inputImage, or reports it.
    bool AcceptPicture(CDecodedPicture picture);
    // Frames inputImage and writes it.
    [[nodiscard]] EJobResult RunAndSave(int width, int height, const std::string& sourcePath);
    // The picture is framed at every size: its decoded block goes to the
    // picture decoded after the next one, rather than fresh memory.
    void PictureDone();
    // Releases the pictures, the input buffer and the engine.
    void CloseEngine();

    // The output size of the job: the preset's row, or the custom size for 0.
    void GetOutputSize(int& width, int& height) const;

    // --- State visible to tests and front ends after the job ----------------
    std::string statusText;
    float progress = 0.0f;
    float progressShare = 0.0f;
    int lastWidth = -1;
    int lastHeight = -1;
    bool engineReady = false;
    std::unique_ptr<CImage> inputImage;
    // The record inputImage was read with: what its output takes from the
    // source, so writing it never goes back to the file.
    CSourcePicture inputSource;
    CSampleBuffer engineInput;
    // A picture decoded straight into the engine's form, until it becomes
    // engineInput; and the blocks such pictures are decoded into.
    CSampleBuffer decodedSamples;
    CSampleBufferPool inputPool;
    CSampleBuffer engineOutput;
    // The current picture when it streams into the engine instead.
    std::unique_ptr<CPictureStream> inputStream;
    // Every picture's output, decided before the first is written.
    COutputPlan outputPlan;
    bool outputsPlanned = false;
    // Further sizes: each picture is read once, then framed at the job's own
    // size and at each of these in turn, each into its own folder.
    std::vector<CJobTarget> moreTargets;
    std::size_t TargetCount() const { return 1 + moreTargets.size(); }
    // Makes size `target` (0: the job's own, i: moreTargets[i - 1]) the one
    // that the size, folder and plan members above describe.
    void SelectTarget(std::size_t target);
    // PlanOutputs for every size.
    void PlanAllTargets();
    // Whether the job makes its output folders: the subfolders beside the
    // sources, and the folder of each size inside a designated folder. A
    // designated folder of one size is the user's, and one that went is
    // reported rather than made again.
    bool MakesItsOutputFolders() const { return saveType == kSaveSubfolder || !moreTargets.empty(); }
    // Set before Start() to keep files that are no picture's own output
    // (SkipPicturesWithOutputs sets it).
    bool keepUnmarkedFiles = false;
    // Folders the job made for its outputs; those still empty at its end
    // are removed again, so a job whose pictures all failed leaves nothing.
    std::vector<std::string> madeFolders;
    // Set when a write found the disk full: the job stops there, since every
    // later picture would fail the same way. The text names the file.
    bool diskFull = false;
    std::string diskFullMessage;
    // Why the destination check skipped the last group ("cannot write to
    // /photos/Framira_1920x1080: Permission denied"), for its pictures' reports.
    std::string skippedGroupReason;
    // The output folders the destination check has settled in this job
    // (NormalPathKey), each with its not-writable reason ("" when accepted):
    // groups that write into the same folder are neither asked nor told twice.
    std::map<std::string, std::string> checkedOutputFolders;
    // The path of the last written picture ("" when the last one failed).
    std::string lastOutputPath;
    // Counts of the job's pictures, for front ends' summaries. Written
    // includes those framed from damaged sources; Failed counts every
    // picture neither written nor skipped (Missing, Unreadable and Failed
    // reports).
    int picturesWritten = 0;
    int picturesFailed = 0;
    int picturesSkipped = 0;

    // Every picture that did not end cleanly written, with its reason, in the
    // order the job met them. Safe to call from any thread while the job runs.
    std::vector<CPictureReport> GetPictureReports() const;
    // The same with the pictures written cleanly, each with its output's
    // size and time: every picture the job dealt with, in order.
    std::vector<CPictureReport> GetAllReports() const;
    // The report of `source`, if the job has made one.
    bool FindPictureReport(const std::string& source, CPictureReport& report) const;
    // Pictures announced in the current folder group: only the first one's
    // announcement carries its path, for the window to preview.
    int announcedInGroup = 0;

protected:
    int Run() override;

private:
    int RunJob();
    // PictureWritten when the engine is ready, EngineCannotOpen, or
    // WritingFailed when the buffers for this picture cannot be had.
    [[nodiscard]] EJobResult OpenEngine();
    EJobResult ReportWriteFailure(const std::string& sourcePath, const std::string& outputPath,
                                  const std::string& reason);
    void Post(int message, int param);
    void RemoveEmptyMadeFolders();
    void AddReport(CPictureReport report);

    std::size_t currentTarget = 0;
    CJobTarget ownTarget;  // the job's own size while another one is selected
    // The engine's input buffer holds the current picture already (framed
    // at an earlier size), in 8-bit samples.
    bool engineInputIsCurrent = false;
    // engineInput is the block a picture was decoded into (not one made for
    // the engine): once that picture is framed, it goes to the next decode.
    bool engineInputDecoded = false;
    // The run RunAndSave is about to make is the job's last (its last
    // picture at its last size): what the engine keeps for a next run goes
    // back before the output is written rather than at the job's end.
    bool lastRunOfJob = false;
    // When the current picture's turn began, for its report's time.
    std::chrono::steady_clock::time_point pictureStart;
    mutable std::mutex reportLock;
    std::vector<CPictureReport> reports;
};
