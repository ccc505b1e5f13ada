#pragma once
// What the main window reads of the preferences: the tablet's pressure range, the save
// indicator switch, the 3D view's grid and the folders of settings, logs and temporary files.

#include <QString>

struct WindowSettings {
    int pressureLow = 0;
    int pressureHigh = 1;
    bool saveReminder = true;
    // The 3D view's grid: lines per direction and their spacing in the linear unit.
    int gridLines = 20;
    float gridSpacing = 100.0f;
    QString settingFolder;
    QString logFolder;
    QString tempFolder;

    // The values of the preferences object, or the defaults while there is none.
    static WindowSettings Current();
};
