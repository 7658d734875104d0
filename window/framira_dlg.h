#pragma once
// CFramiraDlg: the main window. It assembles the source panel (left, with
// the list of pictures in the centre area), the destination panel (right),
// the preview pane over the centre area, the progress bar and the Process
// Images, Help and logo buttons, and paints the skin. The job is the job
// controller's: the window starts, pauses and stops it and follows its
// signals.

#include "destination.h"
#include "image.h"
#include "job_controller.h"
#include "settings.h"
#include "skin_bitmap.h"

#include <QCursor>
#include <QDialog>
#include <QElapsedTimer>

#include <string>
#include <vector>

class CBevelProgressCtrl;
class CDestinationPanel;
class CInputList;
class CPlatformServices;
class CPreviewPane;
class CSourcePanel;
class CTexturedButton;
class CWindowMessageEvent;

inline constexpr const char* kProductVersion = "1.0.0";
// The version record kept machine-wide: group "<major>.0", value "Version".
inline constexpr const char* kMachineVersionGroup = "1.0";
inline constexpr const char* kMachineFileVersion = "1.0.0.0";
inline constexpr const char* kNoImagesMessage = "No images to process";

// The looks of the Process Images and Cancel buttons.
enum class EButtonLook { Process, Pause, Resume, Stop, Close };

class CFramiraDlg : public QDialog {
    Q_OBJECT
public:
    // `helpFile`: the help's table of contents (index.html).
    CFramiraDlg(CPlatformServices& platform, std::string helpFile, QWidget* parent = nullptr);
    ~CFramiraDlg() override;

    // --- The stored choices, given before the window opens and taken when it
    // has closed (the save type and folder text are only written back).
    void ApplySettings(const CStoredSettings& stored);
    CStoredSettings CollectSettings() const;

    // --- Commands (the buttons call these; tests may too) ----------------------
    void OnProcessImages();
    // The Process button's click: a second click of a double click does not
    // pause the job the first one started.
    void OnProcessClicked();
    void OnCancel();
    // The Stop button: the job ends after the picture in hand, and the window
    // stays open with the list and a summary.
    void OnStop();
    void OnHelp();
    void OnAbout();
    void OnOpenPaths(const std::vector<std::string>& paths);

    // --- The parts, for the application object and tests ----------------------
    CJobController& Controller() { return controller; }
    CSourcePanel& Source() { return *sourcePanel; }
    CDestinationPanel& DestinationPanel() { return *destinationPanel; }
    CPreviewPane& Preview() { return *previewPane; }
    QWidget* Control(int id) const;

    // --- State, for the application object and tests --------------------------
    bool IsRunning() const { return controller.IsRunning(); }
    bool IsPaused() const { return controller.IsPaused(); }
    float PreviewSteps() const { return previewSteps; }
    bool IsStartPictureShown() const { return startPictureShown; }
    bool IsSelectionShown() const { return selectionShown; }
    QRect PreviewImageRect() const;
    QRect PreviewAreaRect() const { return previewArea; }
    QRect LookAreaRect() const { return lookArea; }
    CBatchWorker& Job() { return controller.Worker(); }
    CInputList& InputList();
    CDestination& Destination() { return destination; }
    EButtonLook ProcessLook() const { return processLook; }
    EButtonLook CancelLook() const { return cancelLook; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

public slots:
    void accept() override {}  // Enter does nothing
    void reject() override { OnCancel(); }

private:
    void CreateParts();
    void ConnectController();
    void OpenWindow();
    void SetProcessLook(EButtonLook look);
    void SetCancelLook(EButtonLook look);
    void UpdateCursor();

    // The job's course, as the controller reports it.
    void StartJob();
    void StopJob();
    bool CheckOutputFoldersOnStart();
    void ShowStoppedControls();
    void OnPicture(int progress);
    void OnJobPreview(const CPreviewPicture& picture);
    void OnJobDone(const QString& summary, bool warn);
    void OnJobStopped(const QString& summary, bool requested);
    void EndJob(const QString& summary, bool warn);

    // The centre area: the list, the list beside a selection's look, or a
    // picture over it.
    void ShowList();
    void ShowPictureArea();
    void ShowLook();
    // Idle again with one entry selected: its look comes back.
    void RestoreLook();
    void ShowHoverPicture(int buttonId);
    void ShowJobPreview();
    void OnSelectionChanged(const std::string& path);
    void OnSelectionPreview(const CPreviewPicture& picture);

    CPlatformServices& platform;
    std::string helpFile;
    CJobController controller;
    CDestination destination;  // the destination panel's model; the source folder comes from the source panel

    // The parts.
    CSourcePanel* sourcePanel = nullptr;
    CDestinationPanel* destinationPanel = nullptr;
    CPreviewPane* previewPane = nullptr;
    CBevelProgressCtrl* progressBar = nullptr;
    CTexturedButton* processButton = nullptr;
    CTexturedButton* helpButton = nullptr;
    CTexturedButton* logoButton = nullptr;
    CTexturedButton* cancelButton = nullptr;

    // Pictures.
    CSkinBitmap skin;
    CPreviewPicture startPicture;  // the explained window, shown at opening and over Help
    CPreviewPicture logoPicture;   // shown over the logo button
    QCursor busyCursor;
    QCursor idleCursor;

    // The job's course and the centre area.
    bool closing = false;
    bool stopKeepsWindow = false;
    QElapsedTimer jobStartClick;
    float previewSteps = 0.0f;
    bool startPictureShown = false;
    bool selectionShown = false;
    CPreviewPicture jobPreview;  // the job's latest preview, already at its size
    QRect previewArea;
    QRect listArea;       // the whole list
    QRect narrowedList;   // the list beside a look
    QRect lookArea;       // the look beside the list
    EButtonLook processLook = EButtonLook::Process;
    EButtonLook cancelLook = EButtonLook::Close;
};
