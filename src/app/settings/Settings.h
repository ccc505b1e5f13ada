#pragma once
// The main window's calls for its settings: load "settings.sav" once the 3D view exists,
// read "recent.sav" once the controller exists, and save both on close (and right after
// a first start chose the folders). Benchmark playback and recording neither read nor
// write them: such runs use the defaults.

#include "app/settings/SettingsFile.h"

class RecentFiles;

// Loads from the preferences' settings folder; a refused file is reported to the user.
SettingsLoad LoadSettings(const SettingsParts &parts);
// Appends the stored recent files to `recent`.
void LoadRecentFiles(RecentFiles &recent);
// Writes both files; false when either could not be written.
bool SaveSettings(const SettingsParts &parts, const RecentFiles &recent);
