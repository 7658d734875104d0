// The main window's share of a job (the buttons' looks, which controls
// sleep, the summary) and its centre area: the list, the list beside a
// selection's look, or a picture over it.

#include "framira_dlg.h"

#include "bevel_progress.h"
#include "destination_check.h"
#include "destination_panel.h"
#include "dialog_layout.h"
#include "output_path.h"
#include "picture_list.h"
#include "platform_services.h"
#include "preview_pane.h"
#include "source_panel.h"
#include "textured_button.h"

#include <QApplication>

#include <cerrno>
#include <set>
#include <system_error>

namespace {

// The bar colour of a running job.
constexpr QRgb kJobBarColour = qRgb(75, 142, 168);

} // namespace

void CFramiraDlg::OnProcessImages()
{
    if (!IsRunning()) {
        StartJob();
        return;
    }
    if (!IsPaused()) {
        controller.Pause();
        SetProcessLook(EButtonLook::Resume);
    } else {
        controller.Resume();
        SetProcessLook(EButtonLook::Pause);
    }
}

void CFramiraDlg::OnProcessClicked()
{
    if (IsRunning() && !IsPaused() && jobStartClick.isValid() &&
        jobStartClick.elapsed() < QApplication::doubleClickInterval())
        return;
    const bool starting = !IsRunning();
    OnProcessImages();
    if (starting && IsRunning())
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
    for (const std::string& source : InputList().Entries()) {
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
    if (!destinationPanel->CheckOnStart())
        return;
    if (InputList().IsEmpty()) {
        platform.ShowMessage(kNoImagesMessage, EMessageIcon::None);
        return;
    }
    if (!CheckOutputFoldersOnStart())
        return;
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->SetBarColor(kJobBarColour);

    stopKeepsWindow = false;
    SetProcessLook(EButtonLook::Pause);
    SetCancelLook(EButtonLook::Stop);
    cancelButton->setEnabled(true);
    cancelButton->show();
    sourcePanel->DisableForJob();
    destinationPanel->DisableForJob();
    destinationPanel->TakeJobFolder(controller.Settings());
    // The job's previews take the centre area from the selection's.
    if (selectionShown)
        ShowList();
    controller.Start(sourcePanel->Queue());
    UpdateCursor();
}

void CFramiraDlg::StopJob()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    controller.Stop();
    QApplication::restoreOverrideCursor();
    ShowStoppedControls();
}

void CFramiraDlg::ShowStoppedControls()
{
    SetCancelLook(EButtonLook::Close);
    cancelButton->hide();
    SetProcessLook(EButtonLook::Process);
    sourcePanel->EnableIdle();
    destinationPanel->EnableIdle(false);
    UpdateCursor();
}

void CFramiraDlg::OnStop()
{
    if (!IsRunning())
        return;
    stopKeepsWindow = true;
    StopJob();
}

void CFramiraDlg::OnCancel()
{
    if (IsRunning()) {
        StopJob();
        return;
    }
    closing = true;
    done(QDialog::Rejected);
}

void CFramiraDlg::OnJobStopped(const QString& summary, bool requested)
{
    if (!stopKeepsWindow) {
        // Esc or closing asked for the stop: the window goes with the job.
        // A job that ended on its own leaves the window idle.
        if (requested)
            OnCancel();
        else
            ShowStoppedControls();
        return;
    }
    stopKeepsWindow = false;
    EndJob(summary, false);
}

void CFramiraDlg::OnJobDone(const QString& summary, bool warn)
{
    progressBar->setValue(100);
    EndJob(summary, warn);
}

void CFramiraDlg::EndJob(const QString& summary, bool warn)
{
    platform.ShowMessage(summary.toStdString(), warn ? EMessageIcon::Exclamation : EMessageIcon::Information);
    progressBar->setValue(0);
    previewSteps = 0.0f;
    SetProcessLook(EButtonLook::Process);
    SetCancelLook(EButtonLook::Close);
    cancelButton->hide();
    sourcePanel->EnableIdle();
    destinationPanel->EnableIdle(true);
    jobPreview.reset();
    RestoreLook();
    UpdateCursor();
}

void CFramiraDlg::OnPicture(int progress)
{
    progressBar->setValue(progress);
    if (previewSteps < 0.5f)
        ShowPictureArea();
    previewSteps += 0.5f;
    if (previewSteps >= 1.0f)
        destinationPanel->EnableViewOutputs();
}

void CFramiraDlg::OnJobPreview(const CPreviewPicture& picture)
{
    jobPreview = picture;
    ShowJobPreview();
}

// --- Centre area -------------------------------------------------------------------

QRect CFramiraDlg::PreviewImageRect() const
{
    return previewPane->PictureRect();
}

void CFramiraDlg::ShowPictureArea()
{
    CPictureList* list = sourcePanel->List();
    list->hide();
    list->SetFitWidth(false);
    list->setGeometry(listArea);
    previewPane->setGeometry(previewArea);
    previewPane->setEnabled(true);
    previewPane->show();
}

void CFramiraDlg::ShowLook()
{
    // The list stays in use beside the look: more entries can be selected,
    // the arrow keys move the look along, and drops still land on it.
    CPictureList* list = sourcePanel->List();
    list->setGeometry(narrowedList);
    list->SetFitWidth(true);
    list->setEnabled(true);
    list->show();
    previewPane->setGeometry(lookArea);
    previewPane->setEnabled(true);
    previewPane->show();
}

void CFramiraDlg::ShowList()
{
    startPictureShown = false;
    selectionShown = false;
    if (previewSteps < 0.5f) {
        previewPane->hide();
        previewPane->setEnabled(false);
        previewPane->ShowPicture(nullptr);
        previewPane->setGeometry(previewArea);
        CPictureList* list = sourcePanel->List();
        list->setGeometry(listArea);
        list->SetFitWidth(false);
        list->setEnabled(true);
        list->show();
        return;
    }
    ShowJobPreview();
}

void CFramiraDlg::RestoreLook()
{
    ShowList();
    if (!IsRunning() && previewSteps < 0.5f)
        controller.PreviewSelection(sourcePanel->List()->SoleSelectedPath());
}

void CFramiraDlg::ShowHoverPicture(int buttonId)
{
    ShowPictureArea();
    startPictureShown = true;
    selectionShown = false;
    previewPane->ShowPicture(buttonId == IDC_HELP_BUTTON ? startPicture : logoPicture);
}

void CFramiraDlg::ShowJobPreview()
{
    ShowPictureArea();
    previewPane->ShowPicture(jobPreview);
}

void CFramiraDlg::OnSelectionChanged(const std::string& path)
{
    if (IsRunning())
        return;
    if (path.empty()) {
        // Removed, cleared or joined by more entries: its look goes.
        controller.CancelSelectionPreview();
        if (selectionShown)
            ShowList();
        return;
    }
    controller.PreviewSelection(path);
}

void CFramiraDlg::OnSelectionPreview(const CPreviewPicture& picture)
{
    // The list may have gone since the selection was made (a hover
    // picture, a job): only a list on show takes the look beside it.
    if (IsRunning() || previewSteps >= 0.5f || startPictureShown)
        return;
    ShowLook();
    selectionShown = true;
    previewPane->ShowPicture(picture);
}
