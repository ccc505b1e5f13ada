#pragma once
// "settings.sav": the preferences record, the tool list, the first material, the main
// window's placement, the 3D view's toggles and the falloff curves, in one versioned
// stream. A load reads everything into scratch objects first and changes nothing unless
// the whole file arrived; a damaged, cut, versionless, too old or too new file leaves the
// defaults, is moved aside (renamed, never copied), and a message says why. A path that is
// no regular file (a link to nothing, a FIFO, a device, a folder) is refused where it is. A save writes a temporary
// file and renames it over the old one, so a crash while writing leaves the old file.

#include <QString>

#include <functional>

class Preferences;
class QWidget;
struct ViewToggles;

// The main window's placement as the settings file keeps it.
struct WindowPlacement {
    bool maximized = false;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The window's placement now (its normal geometry while maximized).
WindowPlacement PlacementOf(const QWidget &window);
// A stored placement: a window that was not maximized gets its size and position back
// (a size of 0 or less keeps the current one). Returns whether to show it maximized.
bool ApplyPlacement(QWidget &window, const WindowPlacement &placement);

// What a settings file fills besides the global tool, material and falloff lists.
struct SettingsParts {
    Preferences *preferences = nullptr;
    WindowPlacement *window = nullptr;
    ViewToggles *view = nullptr;  // null: no view; its block is read over (and written as defaults)
};

struct SettingsLoad {
    enum Outcome { Loaded, Missing, Refused };
    Outcome outcome = Missing;
    QString message;   // why a file was refused
    QString keptCopy;  // where the refused file was moved to (empty when it could not be)
};

// The oldest stream version whose settings are read.
constexpr int kOldestSettingsVersion = 88;

SettingsLoad LoadSettingsFile(const QString &path, const SettingsParts &parts);
// `beforeReplace` runs once the temporary file is complete, before it replaces the target.
bool SaveSettingsFile(const QString &path, const SettingsParts &parts,
                      const std::function<void()> &beforeReplace = nullptr, QString *error = nullptr);
