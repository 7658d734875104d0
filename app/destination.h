#pragma once
// The output destination as the main window (and the command line) drive it:
// the two choices, the folder text each keeps, the default subfolder name
// taken from the screen resolution, the destination line, the checks of
// Process Images and View Outputs. The window mirrors its controls into this
// object (SetFolderText on every edit) and shows what it reads back.

#include "output_path.h"
#include "platform_services.h"

#include <string>

inline constexpr const char* kNoOutputFolderMessage = "Please select an output folder for the corrected images";
inline constexpr const char* kMissingOutputFolderMessage = "Selected output folder does not exist";
inline constexpr const char* kChooseOutputFolderTitle = "Select folder for the corrected images";
inline constexpr const char* kProductName = "Framira";

class CDestination {
public:
    // Opens as the window does: the subfolder choice, the default subfolder
    // name for `presetIndex` (0: the screen), both remembered texts empty and
    // a destination line of a single space.
    explicit CDestination(CPlatformServices& platform, int presetIndex = 0);

    // "Framira_1024x768".
    static std::string MakeDefaultSubfolderName(CScreenSize outputSize);
    // The output size of a preset row; row 0 (and any row outside the table)
    // is the primary screen.
    CScreenSize GetOutputSize(int presetIndex) const;

    int GetSaveType() const { return saveType; }
    bool IsSubfolderMode() const { return saveType == kSaveSubfolder; }
    int GetPresetIndex() const { return presetIndex; }
    const std::string& GetFolderText() const { return folderText; }
    const std::string& GetSourceFolder() const { return sourceFolder; }
    const std::string& GetDestinationLine() const { return destinationLine; }
    const std::string& GetRememberedSubfolder() const { return rememberedSubfolder; }
    const std::string& GetRememberedDesignatedFolder() const { return rememberedDesignatedFolder; }

    // Typing in the folder box.
    void SetFolderText(const std::string& text);
    // The folder last added to the list ("" when none); refreshes the line.
    void SetSourceFolder(const std::string& folder);

    // The two choice buttons; false (nothing changes) when already in effect.
    bool ChooseSubfolderMode();
    bool ChooseDesignatedFolderMode();
    // The resolution list: in subfolder mode the folder text becomes the
    // default name for the new preset; a designated folder stays.
    void ChangeResolution(int newPresetIndex);
    // Choose Folder (designated folder only): asks the platform's folder
    // browser, starting at `browsePath`. True when a folder was picked.
    bool ChooseFolder(const std::string& browsePath);

    // Recomputes the destination line and returns it.
    const std::string& UpdateDestination();

    // The checks of Process Images: a folder text must be given, and a
    // designated folder must exist (otherwise its text is emptied). Shows the
    // message and returns false when the job must not start.
    bool CheckDestinationOnStart();

    // The folder text with trailing separators removed, as the job takes it;
    // the folder text itself is trimmed the same way.
    std::string TakeJobOutputFolder();

    // The folder View Outputs opens: the designated folder, or the source
    // folder's subfolder; "" when it is not known yet.
    std::string GetOutputsFolder() const;
    // Opens it in the file manager; false when there is none to open.
    bool ViewOutputs();

private:
    void UpdateChoice(int selection);

    CPlatformServices& platform;
    int saveType = kSaveSubfolder;
    int presetIndex = 0;
    std::string folderText;
    std::string sourceFolder;
    std::string destinationLine = " ";
    // The text of the choice not in effect, restored when switching back.
    // One window per process, so these live with it.
    std::string rememberedSubfolder;
    std::string rememberedDesignatedFolder;
};
