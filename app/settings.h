#pragma once
// The user's choices kept between runs, group "Settings": read once when
// the program starts, written once when its window closes.

#include <string>

class CPlatformServices;

inline constexpr const char* kSettingsSection = "Settings";

struct CStoredSettings {
    std::string browsePath;
    bool recurseDirectories = false;
    int saveType = 2;
    std::string ignoreFilter = "Framira";
    bool ignoreFolder = false;
    std::string outputFolderName;  // written, never read back
};

CStoredSettings ReadStoredSettings(CPlatformServices& platform);
// In the order "BrowsePath", "RecurseDirectories", "OutputFolderName",
// "SaveType", "IgnoreFilter", "IgnoreFolder"; booleans as 0 or 1.
void WriteStoredSettings(CPlatformServices& platform, const CStoredSettings& settings);
