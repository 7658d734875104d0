#include "destination_panel.h"

#include "dialog_layout.h"
#include "job_settings.h"
#include "platform_services.h"
#include "resolution_list.h"
#include "textured_button.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

namespace {

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

} // namespace

CDestinationPanel::CDestinationPanel(QWidget* window, CPlatformServices& platform, CDestination& destination)
    : CControlPanel(window, MapDialogRect(271, 4, 253, 74)), platform(platform), destination(destination)
{
    // The group box first, so the controls inside it lie above it.
    auto* area = new QGroupBox(this);
    area->setGeometry(rect());
    subfolderChoice = AddButton(IDC_SUBFOLDER_CHOICE, {}, MapDialogRect(275, 15, 12, 11));
    AddLabel(IDC_SUBFOLDER_LABEL, "Make new subfolder in source folder", MapDialogRect(292, 15, 121, 9));
    folderBox = new QLineEdit(this);
    Place(IDC_FOLDER_BOX, folderBox, MapDialogRect(279, 28, 233, 13));
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
    Place(IDC_RESOLUTION_LIST, resolutionList,
          QRect(resolutionRect.topLeft(), QSize(resolutionRect.width(), resolutionList->sizeHint().height())));
    resolutionList->setMaxVisibleItems(16);
    for (int id : {IDC_DESTINATION_CAPTION, IDC_RESOLUTION_CAPTION, IDC_DESIGNATE_LABEL, IDC_SUBFOLDER_LABEL,
                   IDC_DESTINATION_LINE})
        static_cast<CTransparentText*>(Control(id))->SetTextColor(Qt::black);

    // The window always opens with the subfolder choice, at the screen's size.
    Refresh();
    for (const std::string& entry : ResolutionListEntries())
        resolutionList->addItem(ToQt(entry));
    resolutionList->setCurrentIndex(0);
    destination.ChangeResolution(0);
    folderBox->setText(ToQt(destination.GetFolderText()));
    Refresh();
    connect(resolutionList, &QComboBox::currentIndexChanged, this, &CDestinationPanel::OnResolutionChanged);

    resolutionList->setToolTip("Screen aspect for final images.");
    folderBox->setToolTip("Subfolder directory name for outputs.");
    Control(IDC_SUBFOLDER_LABEL)->setToolTip("Have output in a subfolder of source folder.");
    Control(IDC_DESIGNATE_LABEL)->setToolTip("Check this box to specify the complete path for an output folder.");
    destinationLine->setToolTip("Directory path to output files.");
    SetButtonLook(chooseFolderButton, "Choose Folder", ":/ui/icons/choose_folder.png",
                  "Browse to desired output location.");
    SetButtonLook(viewOutputsButton, "View Outputs", ":/ui/icons/view_outputs.png", "View output location.");
    SetChoiceLooks();
    chooseFolderButton->setEnabled(false);

    connect(viewOutputsButton, &QPushButton::clicked, this, &CDestinationPanel::OnViewOutputs);
    connect(subfolderChoice, &QPushButton::clicked, this, &CDestinationPanel::OnSubfolderChoice);
    connect(designatedChoice, &QPushButton::clicked, this, &CDestinationPanel::OnDesignatedChoice);
    connect(chooseFolderButton, &QPushButton::clicked, this, &CDestinationPanel::OnChooseFolder);
    connect(folderBox, &QLineEdit::textEdited, this, &CDestinationPanel::OnFolderTextEdited);
}

void CDestinationPanel::Refresh()
{
    const std::string line = destination.UpdateDestination();
    // A designated choice without its folder says what is missing.
    if (!destination.IsSubfolderMode() && destination.GetFolderText().empty())
        destinationLine->SetText(" Click Choose Folder to pick the folder the outputs go into.");
    else
        destinationLine->SetText(ToQt(line));
}

QString CDestinationPanel::Line() const { return destinationLine->Text(); }

void CDestinationPanel::ShowFolderText()
{
    if (folderBox->text() != ToQt(destination.GetFolderText()))
        folderBox->setText(ToQt(destination.GetFolderText()));
}

bool CDestinationPanel::CheckOnStart()
{
    if (destination.CheckDestinationOnStart())
        return true;
    folderBox->setText(ToQt(destination.GetFolderText()));
    Refresh();
    return false;
}

void CDestinationPanel::TakeJobFolder(CJobSettings& settings)
{
    settings.outputFolder = destination.TakeJobOutputFolder();
    folderBox->setText(ToQt(destination.GetFolderText()));
    settings.saveType = destination.GetSaveType();
}

void CDestinationPanel::DisableForJob()
{
    for (QWidget* control : std::initializer_list<QWidget*>{viewOutputsButton, resolutionList, subfolderChoice,
                                                            designatedChoice, folderBox, chooseFolderButton})
        control->setEnabled(false);
}

void CDestinationPanel::EnableIdle(bool withChoiceLabels)
{
    resolutionList->setEnabled(true);
    if (withChoiceLabels) {
        Control(IDC_DESIGNATE_LABEL)->setEnabled(true);
        Control(IDC_SUBFOLDER_LABEL)->setEnabled(true);
    }
    SetChoiceControls();
}

void CDestinationPanel::EnableViewOutputs() { viewOutputsButton->setEnabled(true); }

void CDestinationPanel::SetChoiceLooks()
{
    const bool subfolder = destination.IsSubfolderMode();
    SetButtonLook(subfolderChoice, {}, subfolder ? ":/ui/icons/choice_on.png" : ":/ui/icons/choice_off.png",
                  "Have output in a subfolder of source folder.");
    SetButtonLook(designatedChoice, {}, subfolder ? ":/ui/icons/choice_off.png" : ":/ui/icons/choice_on.png",
                  "Check this box to specify the complete path for an output folder.");
    TintButton(subfolderChoice, subfolder ? kChoiceOnTint : kChoiceOffTint);
    TintButton(designatedChoice, subfolder ? kChoiceOffTint : kChoiceOnTint);
    folderBox->setToolTip(subfolder ? "Subfolder directory name for outputs." : "Output path name.");
}

void CDestinationPanel::SetChoiceControls()
{
    const bool subfolder = destination.IsSubfolderMode();
    subfolderChoice->setEnabled(true);
    designatedChoice->setEnabled(true);
    chooseFolderButton->setEnabled(!subfolder);
    folderBox->setEnabled(subfolder);
}

void CDestinationPanel::OnSubfolderChoice()
{
    if (!destination.ChooseSubfolderMode())
        return;
    ShowFolderText();
    SetChoiceLooks();
    chooseFolderButton->setEnabled(false);
    folderBox->setEnabled(true);
    Refresh();
}

void CDestinationPanel::OnDesignatedChoice()
{
    if (!destination.ChooseDesignatedFolderMode())
        return;
    // No folder designated yet: the subfolder's name is no folder, so the
    // field is emptied and the destination line says what to do.
    if (!platform.IsDirectory(destination.GetFolderText()))
        destination.SetFolderText({});
    ShowFolderText();
    SetChoiceLooks();
    chooseFolderButton->setEnabled(true);
    folderBox->setEnabled(false);
    Refresh();
}

void CDestinationPanel::OnChooseFolder()
{
    if (destination.ChooseFolder(browsePath ? browsePath() : std::string()))
        ShowFolderText();
    Refresh();
}

void CDestinationPanel::OnResolutionChanged(int index)
{
    if (index < 0)
        return;
    destination.ChangeResolution(index);
    ShowFolderText();
    Refresh();
    emit SizeChanged(index);
}

void CDestinationPanel::OnFolderTextEdited(const QString& text)
{
    destination.SetFolderText(text.toStdString());
    Refresh();
}

void CDestinationPanel::OnViewOutputs() { destination.ViewOutputs(); }
