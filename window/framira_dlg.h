#pragma once
// CFramiraDlg: the main window. The list of pictures and the source
// controls on the left, the destination and screen size on the right, the
// centre area that shows the list or a picture (start picture, hover
// picture, the job's preview), the progress bar and Process Images below.
// The window drives a CBatchWorker and listens to its notifications, which
// arrive as posted CWindowMessageEvents on the window's thread.

#include "batch_worker.h"
#include "destination.h"
#include "image.h"
#include "input_list.h"
#include "settings.h"
#include "skin_bitmap.h"

#include <QDialog>
#include <QCursor>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>

#include <map>
#include <memory>
#include <string>

class CPlatformServices;
class CTransparentText;
class CWindowMessageEvent;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class CPictureList;
class CTexturedButton;
class CBevelProgressCtrl;
class QSlider;

inline constexpr const char* kProductVersion = "1.0.0";
// The version record kept machine-wide: group "<major>.0", value "Version".
inline constexpr const char* kMachineVersionGroup = "1.0";
inline constexpr const char* kMachineFileVersion = "1.0.0.0";
inline constexpr const char* kProcessingCompleteMessage = "Processing Complete.";
inline constexpr const char* kNoImagesMessage = "No images to process";

// Posts the job's notifications to the window as CWindowMessageEvents.
class CWindowNotifier : public CNotificationTarget {
public:
    explicit CWindowNotifier(QObject* window) : window(window) {}
    void PostNotification(CNotification notification) override;

private:
    QObject* window;
};

// A preview the worker scaled to the centre area, carried to the window by
// value (posted: the window's thread draws it and never decodes a file).
class CPreviewEvent : public QEvent {
public:
    explicit CPreviewEvent(CImage&& picture) : QEvent(Type()), picture(std::move(picture)) {}
    static QEvent::Type Type()
    {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    CImage picture;
};

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
    void OnViewOutputs();
    void OnAdd();
    void OnAddFolder();
    void OnRemove();
    void OnClearInputs();
    void OnIncludeSubfolders();
    void OnSubfolderChoice();
    void OnDesignatedChoice();
    void OnChooseFolder();
    void OnResolutionChanged(int index);
    void OnFolderTextEdited(const QString& text);
    // Dropped files and folders, in the drop's order.
    void OnDropFiles(const std::vector<std::string>& paths);
    // Files and folders the program was started with: added as a drop would
    // add them, the list comes into view, the last folder becomes the source
    // folder, and paths that cannot be opened are reported in one message.
    void OnOpenPaths(const std::vector<std::string>& paths);

    // --- State, for the application object and tests --------------------------
    bool IsRunning() const { return running; }
    bool IsPaused() const { return paused; }
    float PreviewSteps() const { return previewSteps; }
    bool IsStartPictureShown() const { return startPictureShown; }
    const CImage& PreviewImage() const { return previewImage; }
    QRect PreviewImageRect() const;
    QRect PreviewAreaRect() const { return previewArea; }
    std::string FolderText() const;
    CBatchWorker& Job() { return worker; }
    CInputList& InputList() { return inputList; }
    CDestination& Destination() { return destination; }
    QWidget* Control(int id) const;
    EButtonLook ProcessLook() const { return processLook; }
    EButtonLook CancelLook() const { return cancelLook; }
    QString SourceLine() const;
    QString DestinationLine() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void accept() override {}  // Enter does nothing
    void reject() override { OnCancel(); }

private:
    void CreateControls();
    void OpenWindow();
    CTexturedButton* AddButton(int id, const QString& caption, QRect rect);
    CTransparentText* AddLabel(int id, const QString& text, QRect rect, bool pathEllipsis = false);
    void SetButtonLook(CTexturedButton* button, const QString& caption, const QString& icon, const QString& tooltip);
    void SetProcessLook(EButtonLook look);
    void SetCancelLook(EButtonLook look);
    void SetChoiceLooks();
    void SetDestinationControls();
    void EnableIdleControls(bool withChoiceLabels);
    void RefreshDestination();
    void RefreshListView();
    void SetSourceLine(const std::string& folder);
    void ShowFolderText();
    void UpdateCursor();

    void OnWindowMessage(const CWindowMessageEvent& message);
    void OnJobDone();
    void OnJobStopped();
    void OnPicture(int progress, const QString& text);
    void StartJob();
    void StopJob();
    bool CheckOutputFoldersOnStart();
    void EndJob(const std::string& summary, bool warn);

    void ShowList();
    void ShowHoverPicture(int buttonId);
    void ShowPicture(const CImage& picture);
    void ShowJobPreview();
    void OnJobPreview(CImage&& picture);
    bool AskFolderOptions(const std::string& folder, bool& toAll, std::vector<std::string>& keywords);
    void ShieldOutputFolders();
    float Strength() const;

    CPlatformServices& platform;
    std::string helpFile;
    CWindowNotifier notifier{this};
    CBatchWorker worker;
    CDestination destination;
    CInputList inputList;

    // Controls.
    QGroupBox* sourceArea = nullptr;
    QGroupBox* destinationArea = nullptr;
    CTexturedButton* addFolderButton = nullptr;
    CTexturedButton* addButton = nullptr;
    CTexturedButton* removeButton = nullptr;
    CTexturedButton* clearButton = nullptr;
    QCheckBox* includeSubfoldersBox = nullptr;
    CTransparentText* sourceLine = nullptr;
    CTexturedButton* subfolderChoice = nullptr;
    QLineEdit* folderBox = nullptr;
    CTexturedButton* designatedChoice = nullptr;
    CTexturedButton* chooseFolderButton = nullptr;
    CTransparentText* destinationLine = nullptr;
    CTexturedButton* viewOutputsButton = nullptr;
    QComboBox* resolutionList = nullptr;
    CPictureList* pictureList = nullptr;
    QFrame* pictureArea = nullptr;
    CBevelProgressCtrl* progressBar = nullptr;
    CTexturedButton* processButton = nullptr;
    CTexturedButton* helpButton = nullptr;
    CTexturedButton* logoButton = nullptr;
    CTexturedButton* cancelButton = nullptr;
    QComboBox* saveTypeList = nullptr;
    CBevelProgressCtrl* statusProgress = nullptr;
    QLineEdit* strengthText = nullptr;
    QSlider* strengthSlider = nullptr;
    std::map<int, QWidget*> controls;

    // Pictures.
    CSkinBitmap skin;
    CImage startPicture;  // the explained window, shown at opening and over Help
    CImage logoPicture;   // shown over the logo button
    QCursor busyCursor;
    QCursor idleCursor;

    // Job and centre area state.
    bool running = false;
    bool paused = false;
    bool closing = false;
    bool stopKeepsWindow = false;
    int jobPictureCount = 0;
    QElapsedTimer jobStartClick;
    float previewSteps = 0.0f;
    bool startPictureShown = false;
    CImage jobPreview;  // the worker's latest preview, already at its size
    CImage previewImage;
    QPoint previewPosition;
    QRect previewArea;
    int presetIndex = 0;
    int customWidth = 0;
    int customHeight = 0;
    bool includeSubfolders = false;
    bool recurseDirectories = false;
    std::string ignoreFilter = "Framira";
    bool ignoreFolder = false;
    EButtonLook processLook = EButtonLook::Process;
    EButtonLook cancelLook = EButtonLook::Close;
    int hoveredListRow = -1;
};
