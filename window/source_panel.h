#pragma once
// The source panel: Add Folder, Add, Remove, Clear Inputs, Include
// subfolders and the source line, over the input list (CInputList), with
// the list of pictures that shows it through a list model. The list itself
// lies in the window's centre area, where the window places it.

#include "control_kit.h"
#include "input_list.h"
#include "settings.h"

#include <list>
#include <string>
#include <vector>

class CDestination;
class CInputListModel;
class CPictureList;
class CPlatformServices;
class CTexturedButton;
class QCheckBox;

class CSourcePanel : public CControlPanel {
    Q_OBJECT
public:
    // `destination`: the model the source folder is given to, and whose
    // output folders a walk passes over.
    CSourcePanel(QWidget* window, CPlatformServices& platform, CDestination& destination);

    CInputList& InputList() { return inputList; }
    CPictureList* List() const { return pictureList; }
    std::list<std::string> Queue() const;
    QString Line() const;

    void ApplySettings(const CStoredSettings& stored);
    // The source part of the stored choices.
    void CollectSettings(CStoredSettings& stored) const;

    void DisableForJob();
    void EnableIdle();

    void OnAdd();
    void OnAddFolder();
    void OnRemove();
    void OnClearInputs();
    void OnIncludeSubfolders();
    // Dropped files and folders, in the drop's order.
    void OnDropFiles(const std::vector<std::string>& paths);
    // Files and folders the program was started with: added as a drop would
    // add them, the list comes into view, the last folder becomes the source
    // folder, and paths that cannot be opened are reported in one message.
    void OnOpenPaths(const std::vector<std::string>& paths);

signals:
    // The source folder changed: the destination line follows it.
    void DestinationChanged();
    // The list should come into view.
    void ListWanted();
    // The one entry selected ("" with none or several).
    void SelectionChanged(const std::string& path);

private:
    void SetLine(const std::string& folder);
    void RefreshList();
    void ShieldOutputFolders();
    bool AskFolderOptions(const std::string& folder, bool& toAll, std::vector<std::string>& keywords);

    CPlatformServices& platform;
    CDestination& destination;
    CInputList inputList;
    CInputListModel* model = nullptr;
    CPictureList* pictureList = nullptr;
    CTexturedButton* addFolderButton = nullptr;
    CTexturedButton* addButton = nullptr;
    CTexturedButton* removeButton = nullptr;
    CTexturedButton* clearButton = nullptr;
    QCheckBox* includeSubfoldersBox = nullptr;
    CTransparentText* sourceLine = nullptr;
    bool includeSubfolders = false;
    bool recurseDirectories = false;
    std::string ignoreFilter = "Framira";
    bool ignoreFolder = false;
};
