#pragma once
// The destination panel: the subfolder and designated-folder choices, the
// folder box, Choose Folder, the destination line, View Outputs and the
// screen size, over the destination model (CDestination).

#include "control_kit.h"
#include "destination.h"

#include <functional>
#include <string>

class CPlatformServices;
class CTexturedButton;
class QComboBox;
class QLineEdit;
struct CJobSettings;

class CDestinationPanel : public CControlPanel {
    Q_OBJECT
public:
    // `destination`: the model shown, shared with the source panel.
    CDestinationPanel(QWidget* window, CPlatformServices& platform, CDestination& destination);

    CDestination& Destination() { return destination; }
    const CDestination& Destination() const { return destination; }
    // Where Choose Folder starts browsing.
    std::function<std::string()> browsePath;

    // The destination line again, after the source folder or a choice changed.
    void Refresh();
    QString Line() const;
    // False (the folder box and line showing why) when the job cannot start.
    bool CheckOnStart();
    // The job's destination into `settings`: its save type and folder.
    void TakeJobFolder(CJobSettings& settings);
    void DisableForJob();
    // Idle again; `withChoiceLabels` also wakes the choices' labels.
    void EnableIdle(bool withChoiceLabels);
    void EnableViewOutputs() ;

    void OnSubfolderChoice();
    void OnDesignatedChoice();
    void OnChooseFolder();
    void OnResolutionChanged(int index);
    void OnFolderTextEdited(const QString& text);
    void OnViewOutputs();

signals:
    // The screen size row changed (0: the screen's own size).
    void SizeChanged(int presetIndex);

private:
    void SetChoiceLooks();
    void SetChoiceControls();
    void ShowFolderText();

    CPlatformServices& platform;
    CDestination& destination;
    CTexturedButton* subfolderChoice = nullptr;
    QLineEdit* folderBox = nullptr;
    CTexturedButton* designatedChoice = nullptr;
    CTexturedButton* chooseFolderButton = nullptr;
    CTransparentText* destinationLine = nullptr;
    CTexturedButton* viewOutputsButton = nullptr;
    QComboBox* resolutionList = nullptr;
};
