#include "app/settings/Preferences.h"

#include <QDir>
#include <QStandardPaths>

Preferences *Preferences::s_pInstance = nullptr;

QString Preferences::DefaultDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString Preferences::DefaultTempFolder() { return DefaultDataFolder() + QStringLiteral("/Temp"); }

Preferences::Preferences()
{
    // Code run from here on (folder set-up) may already ask for the object.
    s_pInstance = this;
    DataFolder = QDir(DefaultDataFolder()).absolutePath();
    SettingFiles = QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).absolutePath();
    StampFiles = DataFolder + QStringLiteral("/Stamps/");
    StencilFiles = DataFolder + QStringLiteral("/Stencils/");
    ShaderFiles = DataFolder + QStringLiteral("/Shaders/");
    TempFiles = DataFolder + QStringLiteral("/Temp");
    LogFiles = DataFolder + QStringLiteral("/Logs");
    // A folder that cannot be made is reported by whoever first writes into it.
    for (const QString &folder : {StampFiles, StencilFiles, ShaderFiles, TempFiles, LogFiles, SettingFiles,
                                  SettingFiles + QStringLiteral("/Trays")})
        QDir().mkpath(folder);
}

Preferences::~Preferences()
{
    if (s_pInstance == this)
        s_pInstance = nullptr;
}
