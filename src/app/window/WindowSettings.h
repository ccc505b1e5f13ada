#pragma once
// What the main window reads of the preferences, also before they exist: the tablet's
// pressure range, the save indicator switch and the folders of settings, logs and temporary files.

#include <QString>

struct WindowSettings {
    int pressureLow = 0;
    int pressureHigh = 0;
    bool saveReminder = false;
    QString settingFolder;
    QString logFolder;
    QString tempFolder;

    // The values of the preferences object, or the defaults while there is none.
    static WindowSettings Current();
};
