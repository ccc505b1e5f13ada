#include "app/settings/Settings.h"

#include "app/settings/Preferences.h"
#include "app/settings/RecentFiles.h"
#include "app/startup/CommandSwitches.h"
#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "scene/Brush.h"

namespace {

bool Benchmarking() { return CommandSwitches::s_bBenchmark || CommandSwitches::s_bSaveBenchmark; }

QString SettingsPath(const QString &name)
{
    const Preferences *preferences = Preferences::Get();
    return preferences ? preferences->SettingFiles + QLatin1Char('/') + name : QString();
}

}  // namespace

SettingsLoad LoadSettings(const SettingsParts &parts)
{
    SettingsLoad result;
    if (!Benchmarking() && parts.preferences) {
        result = LoadSettingsFile(parts.preferences->SettingFiles + QStringLiteral("/settings.sav"), parts);
        if (result.outcome == SettingsLoad::Refused)
            General::Shell().CriticalMessage(result.message);
    }
    // Whatever the settings held, the tool list gets the program's own fix-ups.
    FixUpTools();
    return result;
}

void LoadRecentFiles(RecentFiles &recent)
{
    if (Benchmarking())
        return;
    const QString path = SettingsPath(QStringLiteral("recent.sav"));
    if (!path.isEmpty() && !recent.Load(path))
        Log("The recent files list %s is damaged and was not read\n", path.toUtf8().constData());
}

bool SaveSettings(const SettingsParts &parts, const RecentFiles &recent)
{
    if (Benchmarking() || !parts.preferences)
        return true;
    const bool settings = SaveSettingsFile(parts.preferences->SettingFiles + QStringLiteral("/settings.sav"), parts);
    const QString recentPath = SettingsPath(QStringLiteral("recent.sav"));
    const bool files = recentPath.isEmpty() || recent.Save(recentPath);
    if (!settings || !files)
        Log("The settings could not be saved in %s\n", parts.preferences->SettingFiles.toUtf8().constData());
    return settings && files;
}
