#include "framira_dlg.h"

#include "about_dlg.h"
#include "bevel_progress.h"
#include "cursor_hotspots.h"
#include "picture_list.h"
#include "dialog_layout.h"
#include "job_settings.h"
#include "destination_check.h"
#include "output_path.h"
#include "platform_services.h"
#include "picture_conversion.h"
#include "preset_sizes.h"
#include "preview_layout.h"
#include "qt_image.h"
#include "resolution_list.h"
#include "source_colour.h"
#include "textured_button.h"
#include "transparent_text.h"
#include "window_message.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolTip>

#include <cerrno>
#include <set>
#include <system_error>

namespace {

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

// The bar colour of a running job.
constexpr QRgb kJobBarColour = qRgb(75, 142, 168);
// The buttons' faces: a tinted texture with a lighter hover face; the two
// destination choices swap a green and a blue tint.
constexpr int kFaceTexture = 7;
constexpr int kFaceNoise = 4;
constexpr int kFaceHoverTint = 10;
constexpr int kFaceColourTint = 20;
constexpr QRgb kButtonTint = qRgb(200, 200, 255);
constexpr QRgb kChoiceOnTint = qRgb(0, 255, 0);
constexpr QRgb kChoiceOffTint = qRgb(64, 64, 255);

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

CImage CopyOf(const CImage& picture)
{
    CImage copy(picture.cols, picture.rows, picture.planes, picture.sampleType);
    if (copy.planes != picture.planes)
        return CImage();
    const std::size_t bytes = picture.PixelCount() * picture.BytesPerSample();
    for (int p = 0; p < picture.planes; ++p)
        std::memcpy(copy.plane[p], picture.plane[p], bytes);
    return copy;
}

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

// "Processing Complete." (or the stop's headline), and when not every
// picture was framed cleanly, which ones and why, so nothing is lost
// without a word.
std::string CompletionMessage(const std::vector<CPictureReport>& reports, const std::string& diskFullMessage,
                              const std::string& headline = kProcessingCompleteMessage)
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

void CWindowNotifier::PostNotification(CNotification notification)
{
    QCoreApplication::postEvent(window, new CWindowMessageEvent(notification.message, notification.param, 0,
                                                                ToQt(notification.text)));
}

CFramiraDlg::CFramiraDlg(CPlatformServices& platform, std::string helpFile, QWidget* parent)
    : QDialog(parent), platform(platform), helpFile(std::move(helpFile)), destination(platform), inputList(platform)
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
    CreateControls();
    OpenWindow();
}

CFramiraDlg::~CFramiraDlg()
{
    // The worker may be framing: it must have ended before the engine and the
    // pictures it works on are released.
    worker.StopAndWait();
    worker.CloseEngine();
    worker.queue.clear();
}

CTexturedButton* CFramiraDlg::AddButton(int id, const QString& caption, QRect rect)
{
    auto* button = new CTexturedButton(id, this);
    button->setText(caption);
    button->setGeometry(rect);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->UseBalloonTooltip();
    button->GenerateFaces(kFaceTexture, kFaceNoise, kFaceHoverTint, kFaceColourTint, kButtonTint);
    controls[id] = button;
    return button;
}

CTransparentText* CFramiraDlg::AddLabel(int id, const QString& text, QRect rect, bool pathEllipsis)
{
    auto* label = new CTransparentText(
        text, pathEllipsis ? CTransparentText::EEllipsis::Path : CTransparentText::EEllipsis::None, this);
    label->setGeometry(rect);
    controls[id] = label;
    return label;
}

void CFramiraDlg::CreateControls()
{
    // Group boxes first, so the controls inside them lie above them.
    sourceArea = new QGroupBox(this);
    sourceArea->setGeometry(MapDialogRect(13, 4, 253, 74));
    controls[IDC_SOURCE_AREA] = sourceArea;
    destinationArea = new QGroupBox(this);
    destinationArea->setGeometry(MapDialogRect(271, 4, 253, 74));

    addFolderButton = AddButton(IDC_ADD_FOLDER, "Add &Folder", MapDialogRect(18, 14, 50, 22));
    addButton = AddButton(IDC_ADD, "&Add", MapDialogRect(83, 13, 50, 22));
    removeButton = AddButton(IDC_REMOVE, "&Remove", MapDialogRect(147, 13, 50, 22));
    clearButton = AddButton(IDC_CLEAR_INPUTS, "Clear Inputs", MapDialogRect(211, 13, 50, 22));
    includeSubfoldersBox = new QCheckBox(this);
    includeSubfoldersBox->setGeometry(MapDialogRect(17, 40, 10, 8));
    controls[IDC_INCLUDE_SUBFOLDERS] = includeSubfoldersBox;
    AddLabel(IDC_INCLUDE_LABEL, "Include subfolders", MapDialogRect(28, 40, 65, 9));
    AddLabel(IDC_SOURCE_CAPTION, "Source:", MapDialogRect(18, 53, 26, 8));
    sourceLine = AddLabel(IDC_SOURCE_LINE, " ", MapDialogRect(16, 64, 247, 10), true);

    subfolderChoice = AddButton(IDC_SUBFOLDER_CHOICE, {}, MapDialogRect(275, 15, 12, 11));
    AddLabel(IDC_SUBFOLDER_LABEL, "Make new subfolder in source folder", MapDialogRect(292, 15, 121, 9));
    folderBox = new QLineEdit(this);
    folderBox->setGeometry(MapDialogRect(279, 28, 233, 13));
    controls[IDC_FOLDER_BOX] = folderBox;
    designatedChoice = AddButton(IDC_DESIGNATED_CHOICE, {}, MapDialogRect(275, 44, 12, 11));
    AddLabel(IDC_DESIGNATE_LABEL, "Designate Folder", MapDialogRect(294, 45, 55, 9));
    chooseFolderButton = AddButton(IDC_CHOOSE_FOLDER, "Choose Folder", MapDialogRect(351, 45, 56, 18));
    AddLabel(IDC_DESTINATION_CAPTION, "Destination:", MapDialogRect(279, 59, 40, 8));
    destinationLine = AddLabel(IDC_DESTINATION_LINE, " ", MapDialogRect(278, 67, 242, 9), true);
    viewOutputsButton = AddButton(IDC_VIEW_OUTPUTS, "View Outputs", MapDialogRect(433, 10, 79, 17));
    viewOutputsButton->setEnabled(false);
    AddLabel(IDC_RESOLUTION_CAPTION, "Screen Resolution:", MapDialogRect(437, 42, 61, 8));
    resolutionList = new QComboBox(this);
    // The template's height includes the dropped-down list; the closed box
    // is as tall as its font needs.
    const QRect resolutionRect = MapDialogRect(408, 50, 114, 103);
    resolutionList->setGeometry(resolutionRect.x(), resolutionRect.y(), resolutionRect.width(),
                                resolutionList->sizeHint().height());
    resolutionList->setMaxVisibleItems(16);
    controls[IDC_RESOLUTION_LIST] = resolutionList;

    pictureList = new CPictureList(this);
    pictureList->setGeometry(MapDialogRect(20, 87, 497, 232));
    pictureList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    pictureList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pictureList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(pictureList, &CPictureList::PathsDropped, this, &CFramiraDlg::OnDropFiles);
    pictureList->setMouseTracking(true);
    pictureList->viewport()->installEventFilter(this);
    pictureList->installEventFilter(this);
    controls[IDC_PICTURE_LIST] = pictureList;
    pictureArea = new QFrame(this);
    pictureArea->setGeometry(MapDialogRect(20, 88, 497, 230));
    pictureArea->setFrameShape(QFrame::NoFrame);
    pictureArea->setAttribute(Qt::WA_TransparentForMouseEvents);
    pictureArea->hide();
    controls[IDC_PICTURE_AREA] = pictureArea;

    progressBar = new CBevelProgressCtrl(this);
    progressBar->setGeometry(MapDialogRect(16, 329, 506, 8));
    progressBar->setTextVisible(false);
    controls[IDC_PROGRESS] = progressBar;
    processButton = AddButton(IDC_PROCESS_IMAGES, "&Process Images", MapDialogRect(217, 342, 109, 26));
    helpButton = AddButton(IDC_HELP_BUTTON, {}, MapDialogRect(23, 343, 26, 25));
    logoButton = AddButton(IDC_LOGO_BUTTON, {}, MapDialogRect(501, 343, 26, 25));

    // Hidden controls the window still uses.
    cancelButton = AddButton(IDC_CANCEL_BUTTON, "Cancel", MapDialogRect(355, 343, 109, 25));
    cancelButton->hide();
    saveTypeList = new QComboBox(this);
    saveTypeList->addItems({"Save and Close", "Absolute Path", "Relative Path"});
    saveTypeList->hide();
    controls[IDC_SAVE_TYPE_LIST] = saveTypeList;
    statusProgress = new CBevelProgressCtrl(this);
    statusProgress->hide();
    controls[IDC_STATUS_PROGRESS] = statusProgress;
    strengthText = new QLineEdit(this);
    strengthText->hide();
    controls[IDC_STRENGTH_TEXT] = strengthText;
    strengthSlider = new QSlider(Qt::Horizontal, this);
    strengthSlider->hide();
    controls[IDC_STRENGTH_SLIDER] = strengthSlider;

    connect(processButton, &QPushButton::clicked, this, &CFramiraDlg::OnProcessClicked);
    connect(cancelButton, &QPushButton::clicked, this, &CFramiraDlg::OnStop);
    connect(helpButton, &QPushButton::clicked, this, &CFramiraDlg::OnHelp);
    connect(logoButton, &QPushButton::clicked, this, &CFramiraDlg::OnAbout);
    connect(viewOutputsButton, &QPushButton::clicked, this, &CFramiraDlg::OnViewOutputs);
    connect(addButton, &QPushButton::clicked, this, &CFramiraDlg::OnAdd);
    connect(addFolderButton, &QPushButton::clicked, this, &CFramiraDlg::OnAddFolder);
    connect(removeButton, &QPushButton::clicked, this, &CFramiraDlg::OnRemove);
    connect(clearButton, &QPushButton::clicked, this, &CFramiraDlg::OnClearInputs);
    connect(includeSubfoldersBox, &QCheckBox::clicked, this, &CFramiraDlg::OnIncludeSubfolders);
    connect(subfolderChoice, &QPushButton::clicked, this, &CFramiraDlg::OnSubfolderChoice);
    connect(designatedChoice, &QPushButton::clicked, this, &CFramiraDlg::OnDesignatedChoice);
    connect(chooseFolderButton, &QPushButton::clicked, this, &CFramiraDlg::OnChooseFolder);
    connect(folderBox, &QLineEdit::textEdited, this, &CFramiraDlg::OnFolderTextEdited);
}

void CFramiraDlg::OpenWindow()
{
    // Pictures, cursors and the skin.
    startPicture = QImageToImage(QImage(":/ui/start.png"));
    logoPicture = QImageToImage(QImage(":/ui/logo.png"));
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

    for (int id : {IDC_SOURCE_CAPTION, IDC_DESTINATION_CAPTION, IDC_RESOLUTION_CAPTION, IDC_DESIGNATE_LABEL,
                   IDC_SUBFOLDER_LABEL, IDC_DESTINATION_LINE, IDC_SOURCE_LINE, IDC_INCLUDE_LABEL})
        static_cast<CTransparentText*>(controls[id])->SetTextColor(Qt::black);

    platform.WriteMachineSettingOnce(kMachineVersionGroup, "Version", kMachineFileVersion);
    setWindowIcon(QIcon(":/ui/icons/app.png"));

    // The window always opens with the subfolder choice.
    saveTypeList->setCurrentIndex(kSaveSubfolder);
    RefreshDestination();

    strengthSlider->setRange(0, 100);
    strengthSlider->setValue(0);
    strengthSlider->setSingleStep(1);
    strengthSlider->setPageStep(5);
    strengthSlider->setTickInterval(5);

    for (const std::string& entry : ResolutionListEntries())
        resolutionList->addItem(ToQt(entry));
    resolutionList->setCurrentIndex(0);
    presetIndex = 0;
    const CScreenSize screen = platform.GetScreenSize();
    customWidth = screen.width;
    customHeight = screen.height;
    destination.ChangeResolution(0);
    folderBox->setText(ToQt(destination.GetFolderText()));
    RefreshDestination();
    connect(resolutionList, &QComboBox::currentIndexChanged, this, &CFramiraDlg::OnResolutionChanged);

    resolutionList->setToolTip("Screen aspect for final images.");
    pictureList->setToolTip("Drag and Drop into this window all files and folders to be processed \n"
                            "This is the list of image files to process.");
    folderBox->setToolTip("Subfolder directory name for outputs.");
    sourceArea->setToolTip("Source control area.");
    sourceLine->setToolTip("Directory path of source images.");
    controls[IDC_SUBFOLDER_LABEL]->setToolTip("Have output in a subfolder of source folder.");
    controls[IDC_DESIGNATE_LABEL]->setToolTip("Check this box to specify the complete path for an output folder.");
    destinationLine->setToolTip("Directory path to output files.");
    includeSubfoldersBox->setToolTip("Check if you want to process all images in the folder and subfolders.");

    SetButtonLook(helpButton, {}, ":/ui/icons/help.png", "Clicking on button goes to detail help.");
    SetCancelLook(EButtonLook::Close);
    SetButtonLook(logoButton, {}, ":/ui/icons/logo.png", {});
    SetButtonLook(addButton, "&Add", ":/ui/icons/add.png", "Add highlighted image files to the list to process.");
    SetButtonLook(addFolderButton, "Add &Folder", ":/ui/icons/add_folder.png",
                  "Add an entire folder of images to the list to process.");
    SetButtonLook(removeButton, "&Remove", ":/ui/icons/remove.png",
                  "Remove highlighted image files from list to process.");
    SetButtonLook(clearButton, "Clear Inputs", {}, "Clear list of image files to process.");
    SetButtonLook(chooseFolderButton, "Choose Folder", ":/ui/icons/choose_folder.png",
                  "Browse to desired output location.");
    SetButtonLook(viewOutputsButton, "View Outputs", ":/ui/icons/view_outputs.png", "View output location.");
    SetProcessLook(EButtonLook::Process);
    SetChoiceLooks();
    chooseFolderButton->setEnabled(false);

    previewArea = pictureArea->geometry();
    strengthText->setText("50");
    strengthSlider->setValue(50);
    previewSteps = 0.0f;

    pictureList->hide();
    pictureArea->setEnabled(true);
    pictureArea->show();
    startPictureShown = true;
    ShowPicture(startPicture);
    UpdateCursor();
}

// --- Looks -------------------------------------------------------------------

void CFramiraDlg::SetButtonLook(CTexturedButton* button, const QString& caption, const QString& icon,
                                const QString& tooltip)
{
    button->setText(caption);
    // Icons are drawn at 32 pixels; beside a caption, or on a small button,
    // they are shown smaller so the caption keeps its room.
    QImage image = icon.isEmpty() ? QImage() : QImage(icon);
    int side = std::min({caption.isEmpty() ? 32 : 20, button->width() - 4, button->height() - 4});
    if (!caption.isEmpty()) {
        // The caption keeps to one line: the icon gives way to it, and goes
        // when too little of it would be left.
        const int captionWidth = button->fontMetrics().horizontalAdvance(QString(caption).remove('&'));
        side = std::min(side, button->width() - captionWidth - 3 * CHoverButton::kIconMargin - 4);
        if (side < 12)
            image = QImage();
    }
    if (!image.isNull() && image.width() > side)
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    button->SetIcon(image, CHoverButton::kDarkenedIcon);
    if (!tooltip.isEmpty())
        button->SetTooltipText(tooltip);
}

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

void CFramiraDlg::SetChoiceLooks()
{
    const bool subfolder = destination.IsSubfolderMode();
    SetButtonLook(subfolderChoice, {}, subfolder ? ":/ui/icons/choice_on.png" : ":/ui/icons/choice_off.png",
                  "Have output in a subfolder of source folder.");
    SetButtonLook(designatedChoice, {}, subfolder ? ":/ui/icons/choice_off.png" : ":/ui/icons/choice_on.png",
                  "Check this box to specify the complete path for an output folder.");
    subfolderChoice->GenerateFaces(kFaceTexture, kFaceNoise, kFaceHoverTint, kFaceColourTint,
                                   subfolder ? kChoiceOnTint : kChoiceOffTint);
    designatedChoice->GenerateFaces(kFaceTexture, kFaceNoise, kFaceHoverTint, kFaceColourTint,
                                    subfolder ? kChoiceOffTint : kChoiceOnTint);
    folderBox->setToolTip(subfolder ? "Subfolder directory name for outputs." : "Output path name.");
}

void CFramiraDlg::SetDestinationControls()
{
    const bool subfolder = destination.IsSubfolderMode();
    subfolderChoice->setEnabled(true);
    designatedChoice->setEnabled(true);
    chooseFolderButton->setEnabled(!subfolder);
    folderBox->setEnabled(subfolder);
}

void CFramiraDlg::EnableIdleControls(bool withChoiceLabels)
{
    for (QWidget* control : {static_cast<QWidget*>(addButton), static_cast<QWidget*>(addFolderButton),
                             static_cast<QWidget*>(removeButton), static_cast<QWidget*>(clearButton),
                             static_cast<QWidget*>(resolutionList), static_cast<QWidget*>(includeSubfoldersBox)})
        control->setEnabled(true);
    if (withChoiceLabels) {
        controls[IDC_DESIGNATE_LABEL]->setEnabled(true);
        controls[IDC_SUBFOLDER_LABEL]->setEnabled(true);
    }
    SetDestinationControls();
}

void CFramiraDlg::UpdateCursor()
{
    setCursor(running ? busyCursor : idleCursor);
}

QWidget* CFramiraDlg::Control(int id) const
{
    const auto found = controls.find(id);
    return found == controls.end() ? nullptr : found->second;
}

QString CFramiraDlg::SourceLine() const { return sourceLine->Text(); }
QString CFramiraDlg::DestinationLine() const { return destinationLine->Text(); }
std::string CFramiraDlg::FolderText() const { return destination.GetFolderText(); }

float CFramiraDlg::Strength() const
{
    const int value = strengthText->text().toInt();
    const int low = strengthSlider->minimum();
    const int high = strengthSlider->maximum();
    return static_cast<float>(value - low) / static_cast<float>(high - low) * 2.5f + 0.5f;
}

// --- Events ------------------------------------------------------------------

bool CFramiraDlg::event(QEvent* e)
{
    if (e->type() == CWindowMessageEvent::Type()) {
        OnWindowMessage(*static_cast<CWindowMessageEvent*>(e));
        return true;
    }
    if (e->type() == CPreviewEvent::Type()) {
        OnJobPreview(std::move(static_cast<CPreviewEvent*>(e)->picture));
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
    if (previewSteps >= 0.5f || startPictureShown)
        DrawPreview(&painter, previewImage, previewPosition.x(), previewPosition.y());
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

bool CFramiraDlg::eventFilter(QObject* watched, QEvent* e)
{
    // The list's tooltip names the entry under the pointer.
    if (watched == pictureList->viewport() && e->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(e);
        if (const QListWidgetItem* item = pictureList->itemAt(help->pos()))
            QToolTip::showText(help->globalPos(), item->text(), pictureList->viewport());
        else
            QToolTip::showText(help->globalPos(), pictureList->toolTip(), pictureList->viewport());
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void CFramiraDlg::OnWindowMessage(const CWindowMessageEvent& message)
{
    switch (message.message) {
    case UWM_STATUS: statusProgress->setValue(0); break;
    case UWM_DONE: OnJobDone(); break;
    case UWM_STOPPED: OnJobStopped(); break;
    case UWM_PICTURE: OnPicture(static_cast<int>(message.wParam), message.text); break;
    case UWM_PICTURE_DONE: progressBar->setValue(static_cast<int>(message.wParam)); break;
    case UWM_BUTTON_ENTER:
        if (message.wParam == IDC_HELP_BUTTON || message.wParam == IDC_LOGO_BUTTON)
            ShowHoverPicture(static_cast<int>(message.wParam));
        break;
    case UWM_BUTTON_LEAVE:
        if (message.wParam == IDC_HELP_BUTTON || message.wParam == IDC_LOGO_BUTTON)
            ShowList();
        break;
    default: break;
    }
}

// --- Job -----------------------------------------------------------------------

void CFramiraDlg::OnProcessImages()
{
    if (!running) {
        StartJob();
        return;
    }
    // Suspend only asks: the worker halts at its next checkpoint on its own.
    if (!paused) {
        paused = true;
        worker.Suspend();
        SetProcessLook(EButtonLook::Resume);
    } else {
        paused = false;
        worker.Resume();
        SetProcessLook(EButtonLook::Pause);
    }
}

void CFramiraDlg::OnProcessClicked()
{
    if (running && !paused && jobStartClick.isValid() &&
        jobStartClick.elapsed() < QApplication::doubleClickInterval())
        return;
    const bool starting = !running;
    OnProcessImages();
    if (starting && running)
        jobStartClick.start();
    else
        jobStartClick.invalidate();
}

bool CFramiraDlg::CheckOutputFoldersOnStart()
{
    // Every source folder's output folder must take a file before anything
    // is framed; otherwise the user learns why now, and what to do, instead
    // of a message per folder once the job runs.
    const int saveType = destination.GetSaveType();
    const std::string outputFolder = TrimTrailingSeparators(destination.GetFolderText());
    std::set<std::string> checked;
    std::vector<std::string> refused;
    for (const std::string& source : inputList.Entries()) {
        const std::string folder = TrimTrailingSeparators(BuildOutputFolder(saveType, outputFolder, source));
        if (!checked.insert(folder).second)
            continue;
        int error = 0;
        if (platform.IsDirectory(folder))
            error = platform.ProbeWritableFolder(folder);
        else if (const int why = WhyFolderCannotBeMade(folder, platform); why != ENOENT)
            error = why;  // ENOENT: the parent takes the new folder
        if (error == 0)
            continue;
        const std::string shown = saveType == kSaveSubfolder ? TrimTrailingSeparators(FolderOfPath(source)) : folder;
        refused.push_back(shown + ": " + std::error_code(error, std::generic_category()).message());
        if (saveType != kSaveSubfolder)
            break;
    }
    if (refused.empty())
        return true;
    std::string text;
    if (saveType == kSaveSubfolder) {
        text = refused.size() == 1 ? "The outputs cannot be written beside this source folder:\n"
                                   : "The outputs cannot be written beside these source folders:\n";
        constexpr std::size_t kShown = 8;
        for (std::size_t i = 0; i < refused.size() && i < kShown; ++i)
            text += "\n" + refused[i];
        if (refused.size() > kShown)
            text += "\nand " + std::to_string(refused.size() - kShown) + " more";
        text += "\n\nChoose Designate Folder and a folder that can be written to, or remove these pictures "
                "from the list.";
    } else {
        text = std::string(kCannotWriteMessage) + "\n\n" + refused.front() +
               "\n\nChoose Folder to pick a folder that can be written to.";
    }
    platform.ShowMessage(text, EMessageIcon::Exclamation);
    return false;
}

void CFramiraDlg::StartJob()
{
    if (!destination.CheckDestinationOnStart()) {
        folderBox->setText(ToQt(destination.GetFolderText()));
        RefreshDestination();
        return;
    }
    if (inputList.IsEmpty()) {
        platform.ShowMessage(kNoImagesMessage, EMessageIcon::None);
        return;
    }
    if (!CheckOutputFoldersOnStart())
        return;
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->SetBarColor(kJobBarColour);

    running = true;
    stopKeepsWindow = false;
    SetProcessLook(EButtonLook::Pause);
    SetCancelLook(EButtonLook::Stop);
    cancelButton->setEnabled(true);
    cancelButton->show();
    for (QWidget* control :
         {static_cast<QWidget*>(viewOutputsButton), static_cast<QWidget*>(resolutionList),
          static_cast<QWidget*>(subfolderChoice), static_cast<QWidget*>(designatedChoice),
          static_cast<QWidget*>(folderBox), static_cast<QWidget*>(chooseFolderButton),
          static_cast<QWidget*>(addButton), static_cast<QWidget*>(addFolderButton),
          static_cast<QWidget*>(removeButton), static_cast<QWidget*>(clearButton),
          static_cast<QWidget*>(includeSubfoldersBox)})
        control->setEnabled(false);

    CJobSettings settings;
    settings.strength = Strength();
    settings.outputFolder = destination.TakeJobOutputFolder();
    folderBox->setText(ToQt(destination.GetFolderText()));
    settings.saveType = destination.GetSaveType();
    settings.presetIndex = presetIndex;
    settings.customWidth = customWidth;
    settings.customHeight = customHeight;
    for (int row = 0; row < pictureList->count(); ++row)
        settings.queue.push_back(pictureList->item(row)->text().toStdString());
    jobPictureCount = static_cast<int>(settings.queue.size());
    SetUpJob(worker, settings, platform, notifier);
    // The worker scales each preview to the centre area on its own thread
    // (the first source as the print will sit on the chosen screen, framed
    // pictures to fit) and posts it; the window only draws.
    const CScreenSize screen = PresetOutputSize(presetIndex, CScreenSize{customWidth, customHeight});
    const float aspect = screen.height > 0 ? static_cast<float>(screen.width) / screen.height : 1.0f;
    worker.previewReady = [window = static_cast<QObject*>(this), w = previewArea.width(), h = previewArea.height(),
                           aspect](const CImage& picture, bool framed) {
        const float scale = PreviewScale(w, h, picture.cols, picture.rows, !framed, aspect);
        std::unique_ptr<CImage> scaled = picture.Resize(scale, scale, kResizeBilinear);
        if (scaled && scaled->planes == 3)
            QCoreApplication::postEvent(window, new CPreviewEvent(std::move(*scaled)));
    };
    UpdateCursor();
    if (!worker.Start())
        platform.ShowMessage("The job could not be started: no worker thread could be created.",
                             EMessageIcon::Error);
}

void CFramiraDlg::StopJob()
{
    if (paused) {
        worker.Resume();
        paused = false;
        SetProcessLook(EButtonLook::Pause);
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    running = false;
    // The worker finishes the picture in hand; a question it is asking is
    // answered No as soon as the stop is requested, so this wait ends.
    worker.RequestStop();
    worker.Wait(CWorkerThread::kInfinite);
    QApplication::restoreOverrideCursor();
    SetCancelLook(EButtonLook::Close);
    cancelButton->hide();
    SetProcessLook(EButtonLook::Process);
    EnableIdleControls(false);
    UpdateCursor();
}

void CFramiraDlg::OnStop()
{
    if (!running)
        return;
    stopKeepsWindow = true;
    StopJob();
}

void CFramiraDlg::OnCancel()
{
    if (running) {
        StopJob();
        return;
    }
    closing = true;
    done(QDialog::Rejected);
}

void CFramiraDlg::OnJobStopped()
{
    if (!stopKeepsWindow) {
        OnCancel();
        return;
    }
    stopKeepsWindow = false;
    const int written = worker.picturesWritten;
    const std::string headline = "Processing stopped: " + std::to_string(written) + " of " +
                                 std::to_string(jobPictureCount) + (jobPictureCount == 1 ? " picture" : " pictures") +
                                 " framed.";
    EndJob(CompletionMessage(worker.GetPictureReports(), {}, headline), false);
}

void CFramiraDlg::OnJobDone()
{
    progressBar->setValue(100);
    EndJob(CompletionMessage(worker.GetPictureReports(), worker.diskFull ? worker.diskFullMessage : ""),
           worker.diskFull);
}

void CFramiraDlg::EndJob(const std::string& summary, bool warn)
{
    platform.ShowMessage(summary, warn ? EMessageIcon::Exclamation : EMessageIcon::Information);
    progressBar->setValue(0);
    previewSteps = 0.0f;
    running = paused = false;
    SetProcessLook(EButtonLook::Process);
    SetCancelLook(EButtonLook::Close);
    cancelButton->hide();
    EnableIdleControls(true);
    pictureArea->hide();
    pictureArea->setEnabled(false);
    pictureList->show();
    previewImage = CImage();
    jobPreview = CImage();
    UpdateCursor();
    update();
}

void CFramiraDlg::OnPicture(int progress, const QString&)
{
    progressBar->setValue(progress);
    if (previewSteps < 0.5f) {
        pictureList->hide();
        pictureArea->setEnabled(true);
        pictureArea->show();
    }
    previewSteps += 0.5f;
    if (previewSteps >= 1.0f)
        viewOutputsButton->setEnabled(true);
}

void CFramiraDlg::OnJobPreview(CImage&& picture)
{
    // A preview still on its way when the job ended is not shown.
    if (!running)
        return;
    jobPreview = std::move(picture);
    ShowJobPreview();
}

// --- Centre area -------------------------------------------------------------------

QRect CFramiraDlg::PreviewImageRect() const
{
    return QRect(previewPosition, QSize(previewImage.cols, previewImage.rows));
}

void CFramiraDlg::ShowPicture(const CImage& picture)
{
    previewImage = CopyOf(picture);
    previewPosition = previewArea.topLeft() + QPoint((previewArea.width() - previewImage.cols) / 2,
                                                     (previewArea.height() - previewImage.rows) / 2);
    update(previewArea);
}

void CFramiraDlg::ShowList()
{
    startPictureShown = false;
    if (previewSteps < 0.5f) {
        pictureArea->hide();
        pictureArea->setEnabled(false);
        pictureList->setEnabled(true);
        pictureList->show();
        update(previewArea);
        return;
    }
    ShowJobPreview();
}

void CFramiraDlg::ShowHoverPicture(int buttonId)
{
    pictureList->hide();
    pictureArea->setEnabled(true);
    pictureArea->show();
    startPictureShown = true;
    ShowPicture(buttonId == IDC_HELP_BUTTON ? startPicture : logoPicture);
}

void CFramiraDlg::ShowJobPreview()
{
    pictureList->hide();
    pictureArea->setEnabled(true);
    pictureArea->show();
    ShowPicture(jobPreview);
}

// --- Help, About, View Outputs -----------------------------------------------------

void CFramiraDlg::OnHelp()
{
    platform.ShowHelp(helpFile);
}

void CFramiraDlg::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CFramiraDlg::OnViewOutputs()
{
    destination.ViewOutputs();
}
