#pragma once
// CJobController: one job of the window, without widgets. It owns the
// worker, holds the job's settings as one value (the same CJobSettings the
// command line fills), starts, pauses, resumes and stops the job, and turns
// the worker's posted notifications into signals that carry values. It also
// frames the selected picture for a look before any job runs, on a thread
// of its own that never frames while a job does.
//
// Every signal is emitted on the controller's thread, from the event queue:
// the worker and the previewer never wait for the window.

#include "batch_worker.h"
#include "frame_preview.h"
#include "job_settings.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <memory>

class CPlatformServices;

// A picture for the centre area, shared rather than copied on its way.
using CPreviewPicture = std::shared_ptr<const CImage>;
Q_DECLARE_METATYPE(CPreviewPicture)

class CJobController : public QObject, private CNotificationTarget {
    Q_OBJECT
public:
    explicit CJobController(CPlatformServices& platform, QObject* parent = nullptr);
    ~CJobController() override;

    // The job as it will start: size, destination and strength. The queue
    // is given at Start.
    CJobSettings& Settings() { return settings; }
    const CJobSettings& Settings() const { return settings; }
    // The box the job's previews are scaled to fit.
    void SetPreviewBox(QSize box) { previewBox = box; }
    // The box the selection's look is scaled to fit (beside the list).
    void SetSelectionBox(QSize box) { selectionBox = box; }

    // Starts framing `queue` with the settings; false (and a message) when
    // no worker thread could be had.
    bool Start(std::list<std::string> queue);
    void Pause();
    void Resume();
    // The job ends after the picture in hand; returns once the worker has.
    void Stop();

    bool IsRunning() const { return running; }
    bool IsPaused() const { return paused; }
    CBatchWorker& Worker() { return worker; }

    // Frames `path` at the chosen size for SelectionPreview; the latest
    // request wins. Nothing is framed while a job runs.
    void PreviewSelection(const std::string& path);
    // Gives up any selection preview on its way.
    void CancelSelectionPreview();

signals:
    // A picture was announced, written or failed; `progress` in per cent.
    void PictureAnnounced(int progress, const QString& text);
    // A picture is finished: the bar's new value.
    void Progress(int percent);
    // A picture could not be read, or the engine not opened.
    void Status(const QString& text);
    // The job's preview, already scaled to the preview box.
    void Preview(const CPreviewPicture& picture);
    // The selected picture framed and scaled to the selection box.
    void SelectionPreview(const CPreviewPicture& picture);
    // The job finished: its summary, and whether it is a warning.
    void Done(const QString& summary, bool warn);
    // The job was stopped: `requested` when Stop asked for it (otherwise it
    // ended on its own, as when an overwrite was declined).
    void Stopped(const QString& summary, bool requested);

private:
    void PostNotification(CNotification notification) override;
    void OnNotification(const CNotification& notification);

    CPlatformServices& platform;
    CJobSettings settings;
    CBatchWorker worker;
    QSize previewBox;
    QSize selectionBox;
    bool running = false;
    bool paused = false;
    int pictureCount = 0;
    std::uint64_t selectionTicket = 0;
    CFramePreviewer previewer;
};
