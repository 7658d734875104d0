#include "settings.h"

#include "platform_services.h"

CStoredSettings ReadStoredSettings(CPlatformServices& platform)
{
    CStoredSettings stored;
    stored.browsePath = platform.ReadSettingString(kSettingsSection, "BrowsePath", "");
    stored.recurseDirectories = platform.ReadSettingInt(kSettingsSection, "RecurseDirectories", 0) != 0;
    stored.saveType = platform.ReadSettingInt(kSettingsSection, "SaveType", 2);
    stored.ignoreFilter = platform.ReadSettingString(kSettingsSection, "IgnoreFilter", "Framira");
    stored.ignoreFolder = platform.ReadSettingInt(kSettingsSection, "IgnoreFolder", 0) != 0;
    return stored;
}

void WriteStoredSettings(CPlatformServices& platform, const CStoredSettings& stored)
{
    platform.WriteSettingString(kSettingsSection, "BrowsePath", stored.browsePath);
    platform.WriteSettingInt(kSettingsSection, "RecurseDirectories", stored.recurseDirectories ? 1 : 0);
    platform.WriteSettingString(kSettingsSection, "OutputFolderName", stored.outputFolderName);
    platform.WriteSettingInt(kSettingsSection, "SaveType", stored.saveType);
    platform.WriteSettingString(kSettingsSection, "IgnoreFilter", stored.ignoreFilter);
    platform.WriteSettingInt(kSettingsSection, "IgnoreFolder", stored.ignoreFolder ? 1 : 0);
}
