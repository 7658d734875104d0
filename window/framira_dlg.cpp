#include "framira_dlg.h"

#include "about_dlg.h"
#include "bevel_progress.h"
#include "cursor_hotspots.h"
#include "destination_panel.h"
#include "dialog_layout.h"
#include "picture_list.h"
#include "platform_services.h"
#include "preview_pane.h"
#include "qt_image.h"
#include "source_panel.h"
#include "textured_button.h"
#include "window_message.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

namespace {

struct CLook {
    const char* caption;
    const char* icon;
    const char* tooltip;
};

CLook LookOf(EButtonLook look)
{
    switch (look) {
    case EButtonLook::Process: return {"&Process Images", ":/ui/icons/process.png", "Start processing images."};
    case EButtonLook::Pause: return {"&Pause Processing", ":/ui/icons/pause.png", "Pause processing images."};
    case EButtonLook::Resume: return {"&Resume Processing", ":/ui/icons/resume.png", "Resume processing images."};
    case EButtonLook::Stop:
        return {"&Stop Processing", ":/ui/icons/stop.png",
                "Stop after the picture in hand; the list stays for another run."};
    case EButtonLook::Close: return {"&Close Framira", ":/ui/icons/close.png", "Closes entire application."};
    }
    return {"", "", ""};
}

CPreviewPicture PictureOf(const QString& resource)
{
    return std::make_shared<const CImage>(QImageToImage(QImage(resource)));
}

} // namespace

CFramiraDlg::CFramiraDlg(CPlatformServices& platform, std::string helpFile, QWidget* parent)
    : QDialog(parent), platform(platform), helpFile(std::move(helpFile)), controller(platform), destination(platform)
{
    setWindowTitle(QString::fromUtf8("Framira\u2122 - ") + kProductVersion);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    QFont font = this->font();
    font.setFamily("DejaVu Sans");
    // The controls were laid out for a narrow 8-point dialog font.
    font.setStretch(QFont::Condensed);
    font.setPixelSize(11);
    setFont(font);
    CreateParts();
    ConnectController();
    OpenWindow();
}

CFramiraDlg::~CFramiraDlg()
{
    // The parts outlive this object's own members while QWidget deletes
    // them: nothing they say may reach the window any more.
    disconnect(sourcePanel, nullptr, this, nullptr);
    disconnect(previewPane, nullptr, this, nullptr);
    disconnect(&controller, nullptr, this, nullptr);
}

void CFramiraDlg::CreateParts()
{
    sourcePanel = new CSourcePanel(this, platform, destination);
    destinationPanel = new CDestinationPanel(this, platform, destination);
    destinationPanel->browsePath = [this] { return sourcePanel->InputList().GetBrowsePath(); };
    listArea = MapDialogRect(20, 87, 497, 232);
    sourcePanel->List()->setGeometry(listArea);
    previewPane = new CPreviewPane(this);
    previewPane->setGeometry(MapDialogRect(20, 88, 497, 230));
    previewPane->hide();
    // A look beside the list: the list keeps room for a file's name, and the
    // look the larger share so its mat can be judged.
    narrowedList = MapDialogRect(20, 87, 170, 232);
    lookArea = MapDialogRect(194, 88, 323, 230);

    progressBar = new CBevelProgressCtrl(this);
    progressBar->setGeometry(MapDialogRect(16, 329, 506, 8));
    progressBar->setTextVisible(false);
    processButton = MakeButton(IDC_PROCESS_IMAGES, "&Process Images", MapDialogRect(217, 342, 109, 26), this);
    helpButton = MakeButton(IDC_HELP_BUTTON, {}, MapDialogRect(23, 343, 26, 25), this);
    logoButton = MakeButton(IDC_LOGO_BUTTON, {}, MapDialogRect(501, 343, 26, 25), this);
    // Shown only while a job runs, as its Stop button.
    cancelButton = MakeButton(IDC_CANCEL_BUTTON, "Cancel", MapDialogRect(355, 343, 109, 25), this);
    cancelButton->hide();

    connect(processButton, &QPushButton::clicked, this, &CFramiraDlg::OnProcessClicked);
    connect(cancelButton, &QPushButton::clicked, this, &CFramiraDlg::OnStop);
    connect(helpButton, &QPushButton::clicked, this, &CFramiraDlg::OnHelp);
    connect(logoButton, &QPushButton::clicked, this, &CFramiraDlg::OnAbout);
    connect(sourcePanel, &CSourcePanel::DestinationChanged, destinationPanel, &CDestinationPanel::Refresh);
    connect(sourcePanel, &CSourcePanel::ListWanted, this, &CFramiraDlg::ShowList);
    connect(sourcePanel, &CSourcePanel::SelectionChanged, this, &CFramiraDlg::OnSelectionChanged);
    connect(destinationPanel, &CDestinationPanel::SizeChanged, this, [this](int presetIndex) {
        controller.Settings().presetIndex = presetIndex;
        // The look at the selection, on show or on its way, follows the size.
        if (!IsRunning())
            controller.PreviewSelection(sourcePanel->List()->SoleSelectedPath());
    });
}

void CFramiraDlg::ConnectController()
{
    connect(&controller, &CJobController::PictureAnnounced, this, [this](int progress) { OnPicture(progress); });
    connect(&controller, &CJobController::Progress, progressBar, &QProgressBar::setValue);
    connect(&controller, &CJobController::Preview, this, &CFramiraDlg::OnJobPreview);
    connect(&controller, &CJobController::SelectionPreview, this, &CFramiraDlg::OnSelectionPreview);
    connect(&controller, &CJobController::Done, this, &CFramiraDlg::OnJobDone);
    connect(&controller, &CJobController::Stopped, this, &CFramiraDlg::OnJobStopped);
}

void CFramiraDlg::OpenWindow()
{
    // Pictures, cursors and the skin.
    startPicture = PictureOf(":/ui/start.png");
    logoPicture = PictureOf(":/ui/logo.png");
    const QPixmap busy(":/ui/cursors/busy.png");
    const QPixmap idle(":/ui/cursors/idle.png");
    busyCursor = busy.isNull() ? QCursor(Qt::BusyCursor) : QCursor(busy, kBusyCursorHotX, kBusyCursorHotY);
    idleCursor = idle.isNull() ? QCursor(Qt::ArrowCursor) : QCursor(idle, kIdleCursorHotX, kIdleCursorHotY);
    skin = CSkinBitmap(QImage(":/ui/skin.png"));

    // Size and place the window by its skin, and cut its outline.
    const CScreenRect work = platform.GetWorkArea();
    const int skinWidth = skin.IsNull() ? 814 : skin.Width();
    const int skinHeight = skin.IsNull() ? 665 : skin.Height();
    setFixedSize(skinWidth, skinHeight);
    move((work.right - work.left) / 2 - skinWidth / 2, (work.bottom - work.top) / 2 - skinHeight / 2);
    // A skin without the key colour keeps the plain rectangle.
    const std::optional<QRegion> region = skin.RegionFromColorKey(0xFF00FF);
    if (region && *region != QRegion(rect()))
        setMask(*region);

    platform.WriteMachineSettingOnce(kMachineVersionGroup, "Version", kMachineFileVersion);
    setWindowIcon(QIcon(":/ui/icons/app.png"));

    // Row 0 of the sizes is the screen's own.
    const CScreenSize screen = platform.GetScreenSize();
    controller.Settings().customWidth = screen.width;
    controller.Settings().customHeight = screen.height;

    SetButtonLook(helpButton, {}, ":/ui/icons/help.png", "Clicking on button goes to detail help.");
    SetCancelLook(EButtonLook::Close);
    SetButtonLook(logoButton, {}, ":/ui/icons/logo.png", {});
    SetProcessLook(EButtonLook::Process);

    previewArea = previewPane->geometry();
    controller.SetPreviewBox(previewArea.size());
    controller.SetSelectionBox(lookArea.size());
    previewSteps = 0.0f;
    ShowPictureArea();
    startPictureShown = true;
    previewPane->ShowPicture(startPicture);
    UpdateCursor();
}

void CFramiraDlg::ApplySettings(const CStoredSettings& stored)
{
    sourcePanel->ApplySettings(stored);
}

CStoredSettings CFramiraDlg::CollectSettings() const
{
    CStoredSettings stored;
    sourcePanel->CollectSettings(stored);
    stored.saveType = destination.GetSaveType();
    stored.outputFolderName = destination.GetFolderText();
    return stored;
}

void CFramiraDlg::OnOpenPaths(const std::vector<std::string>& paths)
{
    sourcePanel->OnOpenPaths(paths);
}

CInputList& CFramiraDlg::InputList() { return sourcePanel->InputList(); }

QWidget* CFramiraDlg::Control(int id) const
{
    switch (id) {
    case IDC_PICTURE_LIST: return sourcePanel->List();
    case IDC_PICTURE_AREA: return previewPane;
    case IDC_PROGRESS: return progressBar;
    case IDC_PROCESS_IMAGES: return processButton;
    case IDC_HELP_BUTTON: return helpButton;
    case IDC_LOGO_BUTTON: return logoButton;
    case IDC_CANCEL_BUTTON: return cancelButton;
    default: break;
    }
    if (QWidget* control = sourcePanel->Control(id))
        return control;
    return destinationPanel->Control(id);
}

// --- Looks -------------------------------------------------------------------

void CFramiraDlg::SetProcessLook(EButtonLook look)
{
    processLook = look;
    const CLook l = LookOf(look);
    SetButtonLook(processButton, l.caption, l.icon, l.tooltip);
}

void CFramiraDlg::SetCancelLook(EButtonLook look)
{
    cancelLook = look;
    const CLook l = LookOf(look);
    SetButtonLook(cancelButton, l.caption, l.icon, l.tooltip);
}

void CFramiraDlg::UpdateCursor()
{
    setCursor(IsRunning() ? busyCursor : idleCursor);
}

// --- Events ------------------------------------------------------------------

bool CFramiraDlg::event(QEvent* e)
{
    // The Help and logo buttons say when the pointer enters and leaves them.
    if (e->type() == CWindowMessageEvent::Type()) {
        const auto& message = *static_cast<CWindowMessageEvent*>(e);
        if (message.wParam == IDC_HELP_BUTTON || message.wParam == IDC_LOGO_BUTTON) {
            if (message.message == UWM_BUTTON_ENTER)
                ShowHoverPicture(static_cast<int>(message.wParam));
            else if (message.message == UWM_BUTTON_LEAVE)
                RestoreLook();
        }
        return true;
    }
    return QDialog::event(e);
}

void CFramiraDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (skin.IsNull())
        painter.fillRect(rect(), QColor(24, 58, 64));
    else
        skin.DrawAt(&painter, (width() - skin.Width()) / 2, (height() - skin.Height()) / 2);
}

void CFramiraDlg::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: e->accept(); return;
    case Qt::Key_Escape: e->accept(); OnCancel(); return;
    case Qt::Key_F1: e->accept(); OnHelp(); return;
    default: QDialog::keyPressEvent(e);
    }
}

void CFramiraDlg::closeEvent(QCloseEvent* e)
{
    if (closing) {
        e->accept();
        return;
    }
    e->ignore();
    OnCancel();
}

void CFramiraDlg::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    menu.addAction("&About Framira", this, &CFramiraDlg::OnAbout);
    menu.exec(e->globalPos());
}

// --- Help, About -----------------------------------------------------------------

void CFramiraDlg::OnHelp()
{
    platform.ShowHelp(helpFile);
}

void CFramiraDlg::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}
