#include "app/window/WindowSettings.h"

#include <QDir>
#include <QStandardPaths>

WindowSettings WindowSettings::Current()
{
    WindowSettings settings;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    settings.settingFolder = data;
    settings.logFolder = data;
    settings.tempFolder = QDir::tempPath();
    return settings;
}
