#include "app/window/WindowSettings.h"

#include "app/settings/Preferences.h"

WindowSettings WindowSettings::Current()
{
    static const PreferenceValues kDefaults;
    const Preferences *preferences = Preferences::Get();
    const PreferenceValues &values = preferences ? static_cast<const PreferenceValues &>(*preferences) : kDefaults;
    WindowSettings settings;
    settings.pressureLow = values.PressureLow;
    settings.pressureHigh = values.PressureHigh;
    settings.saveReminder = values.SaveReminder;
    if (!preferences) {
        settings.settingFolder = settings.logFolder = Preferences::DefaultDataFolder();
        settings.tempFolder = Preferences::DefaultTempFolder();
        return settings;
    }
    settings.settingFolder = preferences->SettingFiles;
    settings.logFolder = preferences->LogFiles;
    settings.tempFolder = preferences->TempFiles;
    return settings;
}
