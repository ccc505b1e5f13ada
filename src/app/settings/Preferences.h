#pragma once
// The program-wide settings object: the folders the program works in and the user's
// settings, reachable through Preferences::Get() while it lives. The main window (or the
// batch road) creates it once; the settings file fills in the stored values later.

#include <QString>

class Preferences {
public:
    // Sets every default, makes Get() refer to this object and creates the folders.
    Preferences();
    ~Preferences();
    Preferences(const Preferences &) = delete;
    Preferences &operator=(const Preferences &) = delete;

    static Preferences *Get() { return s_pInstance; }

    // The per-user folder of the program's data (stamps, stencils, shaders, temporary
    // files, logs) before any setting moves it.
    static QString DefaultDataFolder();
    // Its temporary folder: usable before the preferences exist.
    static QString DefaultTempFolder();

    // --- interface ---------------------------------------------------------------------
    // Tablet pressure range: a pressure p maps to (p - low) / (high - low), clamped to 0..1.
    int PressureLow = 0;
    int PressureHigh = 1;
    // Largest texture side used; the main window sets it at start-up.
    int MaximumTextureSize = 0;
    // Whether the status bar carries the save indicator.
    bool SaveReminder = true;

    // --- folders (absolute; the file folders end with a separator) ----------------------
    QString DataFolder;
    QString SettingFiles;  // settings, window layout, hotkeys, recent files, trays, bookmarks
    QString TempFiles;     // undo, redo and level swap files
    QString LogFiles;      // log and crash logs
    QString StampFiles;
    QString StencilFiles;
    QString ShaderFiles;

private:
    static Preferences *s_pInstance;
};
