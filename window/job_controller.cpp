#include "job_controller.h"

#include "platform_services.h"
#include "preset_sizes.h"
#include "preview_layout.h"

#include <QCoreApplication>

namespace {

inline constexpr const char* kProcessingComplete = "Processing Complete.";

const char* OutcomeWord(EPictureOutcome outcome)
{
    switch (outcome) {
    case EPictureOutcome::Written: return "written";
    case EPictureOutcome::Damaged: return "damaged";
    case EPictureOutcome::Missing: return "missing";
    case EPictureOutcome::Unreadable: return "unreadable";
    case EPictureOutcome::Failed: return "not written";
    case EPictureOutcome::Skipped: return "skipped";
    }
    return "";
}

// The headline, and when not every picture was framed cleanly, which ones
// and why, so nothing is lost without a word.
std::string CompletionMessage(const std::vector<CPictureReport>& reports, const std::string& diskFullMessage,
                              const std::string& headline)
{
    std::string text = headline;
    if (!diskFullMessage.empty())
        text += "\n\nStopped because the disk is full (" + diskFullMessage + "); the pictures after it were not framed.";
    if (reports.empty())
        return text;
    constexpr std::size_t kShown = 8;
    text += "\n\n" + std::to_string(reports.size()) +
            (reports.size() == 1 ? " picture was" : " pictures were") + " not framed cleanly:";
    for (std::size_t i = 0; i < reports.size() && i < kShown; ++i)
        text += "\n" + std::string(OutcomeWord(reports[i].outcome)) + ": " + reports[i].source +
                (reports[i].reason.empty() ? "" : " (" + reports[i].reason + ")");
    if (reports.size() > kShown)
        text += "\nand " + std::to_string(reports.size() - kShown) + " more.";
    return text;
}

} // namespace

CJobController::CJobController(CPlatformServices& platform, QObject* parent)
    : QObject(parent), platform(platform),
      previewer([this](std::uint64_t ticket, CFramedPreview preview) {
          CPreviewPicture picture(std::move(preview.picture));
          QMetaObject::invokeMethod(
              this,
              [this, ticket, picture] {
                  // A newer selection, or a job, has taken the centre area since.
                  if (ticket == selectionTicket && !running && picture)
                      emit SelectionPreview(picture);
              },
              Qt::QueuedConnection);
      })
{
    qRegisterMetaType<CPreviewPicture>();
    // The window always opens with the subfolder choice; the strength is the
    // middle of its range.
    settings.presetIndex = 0;
    settings.saveType = kSaveSubfolder;
    settings.strength = 1.75f;
}

CJobController::~CJobController()
{
    previewer.CancelAndWait();
    // The worker may be framing: it must have ended before the engine and the
    // pictures it works on are released.
    worker.StopAndWait();
    worker.CloseEngine();
    worker.queue.clear();
}

void CJobController::PostNotification(CNotification notification)
{
    QMetaObject::invokeMethod(
        this, [this, notification = std::move(notification)] { OnNotification(notification); },
        Qt::QueuedConnection);
}

bool CJobController::Start(std::list<std::string> queue)
{
    // The engine frames for one thread at a time: the look at a selection
    // gives way before the job's first picture.
    CancelSelectionPreview();
    previewer.CancelAndWait();
    CJobSettings job = settings;
    job.queue = std::move(queue);
    pictureCount = static_cast<int>(job.queue.size());
    SetUpJob(worker, job, platform, *this);
    // The worker scales each preview to the box on its own thread (the first
    // source as the print will sit on the chosen screen, framed pictures to
    // fit); the window only draws.
    const CScreenSize screen = PresetOutputSize(job.presetIndex, CScreenSize{job.customWidth, job.customHeight});
    const float aspect = screen.height > 0 ? static_cast<float>(screen.width) / screen.height : 1.0f;
    worker.previewReady = [this, w = previewBox.width(), h = previewBox.height(), aspect](const CImage& picture,
                                                                                          bool framed) {
        const float scale = PreviewScale(w, h, picture.cols, picture.rows, !framed, aspect);
        std::unique_ptr<CImage> scaled = picture.Resize(scale, scale, kResizeBilinear);
        if (!scaled || scaled->planes != 3)
            return;
        CPreviewPicture shared(std::move(scaled));
        QMetaObject::invokeMethod(
            this,
            [this, shared] {
                // A preview still on its way when the job ended is not shown.
                if (running)
                    emit Preview(shared);
            },
            Qt::QueuedConnection);
    };
    running = true;
    paused = false;
    if (!worker.Start()) {
        platform.ShowMessage("The job could not be started: no worker thread could be created.",
                             EMessageIcon::Error);
        return false;
    }
    return true;
}

void CJobController::Pause()
{
    // Suspend only asks: the worker halts at its next checkpoint on its own.
    paused = true;
    worker.Suspend();
}

void CJobController::Resume()
{
    paused = false;
    worker.Resume();
}

void CJobController::Stop()
{
    if (paused)
        Resume();
    running = false;
    // The worker finishes the picture in hand; a question it is asking is
    // answered No as soon as the stop is requested, so this wait ends.
    worker.RequestStop();
    worker.Wait(CWorkerThread::kInfinite);
}

void CJobController::PreviewSelection(const std::string& path)
{
    if (running || path.empty() || selectionBox.isEmpty()) {
        CancelSelectionPreview();
        return;
    }
    CFramePreviewRequest request;
    request.path = path;
    request.presetIndex = settings.presetIndex;
    request.customWidth = settings.customWidth;
    request.customHeight = settings.customHeight;
    request.strength = settings.strength;
    request.boxWidth = selectionBox.width();
    request.boxHeight = selectionBox.height();
    selectionTicket = previewer.Request(std::move(request));
}

void CJobController::CancelSelectionPreview()
{
    // A result already on its way is dropped by its old ticket.
    selectionTicket = 0;
}

void CJobController::OnNotification(const CNotification& notification)
{
    const QString text = QString::fromStdString(notification.text);
    switch (notification.message) {
    case UWM_STATUS: emit Status(text); break;
    case UWM_PICTURE: emit PictureAnnounced(notification.param, text); break;
    case UWM_PICTURE_DONE: emit Progress(notification.param); break;
    case UWM_DONE: {
        running = paused = false;
        const std::string summary = CompletionMessage(
            worker.GetPictureReports(), worker.diskFull ? worker.diskFullMessage : "", kProcessingComplete);
        emit Done(QString::fromStdString(summary), worker.diskFull);
        break;
    }
    case UWM_STOPPED: {
        const bool requested = !running;
        if (running)
            Stop();
        const std::string headline = "Processing stopped: " + std::to_string(worker.picturesWritten) + " of " +
                                     std::to_string(pictureCount) + (pictureCount == 1 ? " picture" : " pictures") +
                                     " framed.";
        emit Stopped(QString::fromStdString(CompletionMessage(worker.GetPictureReports(), {}, headline)),
                     requested);
        break;
    }
    default: break;
    }
}
