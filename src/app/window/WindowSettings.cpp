#include "app/window/WindowSettings.h"

#include "app/settings/Preferences.h"

WindowSettings WindowSettings::Current()
{
    WindowSettings settings;
    const Preferences *preferences = Preferences::Get();
    if (!preferences) {
        settings.settingFolder = settings.logFolder = Preferences::DefaultDataFolder();
        settings.tempFolder = Preferences::DefaultTempFolder();
        return settings;
    }
    settings.pressureLow = preferences->PressureLow;
    settings.pressureHigh = preferences->PressureHigh;
    settings.saveReminder = preferences->SaveReminder;
    settings.settingFolder = preferences->SettingFiles;
    settings.logFolder = preferences->LogFiles;
    settings.tempFolder = preferences->TempFiles;
    return settings;
}
