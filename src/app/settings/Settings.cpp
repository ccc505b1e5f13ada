#include "app/settings/Settings.h"

#include "app/settings/Preferences.h"
#include "app/settings/RecentFiles.h"
#include "app/settings/SettingsWriter.h"
#include "app/startup/CommandSwitches.h"
#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "platform/TempFiles.h"
#include "platform/WholeFiles.h"
#include "scene/Brush.h"

#include <QCoreApplication>

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
        const QString &folder = parts.preferences->SettingFiles;
        if (!IsWritableFolder(folder))
            General::Shell().ShowMessage(
                General::ShellServices::kWarning, QString::fromLatin1(General::ProgramTitle()),
                QCoreApplication::translate("Settings", "The settings folder %1 cannot be written: the settings, "
                                                        "hotkeys and trays of this run will not be saved.")
                    .arg(folder));
        for (const char *name : {"settings.sav", "recent.sav", "hotkeys.txt", "ui.sav", "ImageBrowser.txt"})
            RemoveStaleTempFiles(folder, SavePrefixOf(QString::fromLatin1(name)));
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
    if (path.isEmpty() || recent.Load(path))
        return;
    // Kept aside, so that the list written at exit does not replace it unseen.
    const QString kept = KeepAside(path);
    const QString text =
        kept.isEmpty()
            ? QCoreApplication::translate("Settings", "The recent files list %1 is damaged or of a newer version "
                                                      "and was not read.")
                  .arg(path)
            : QCoreApplication::translate("Settings", "The recent files list %1 is damaged or of a newer version "
                                                      "and was not read; it was moved to %2.")
                  .arg(path, kept);
    Log("%s\n", text.toUtf8().constData());
    General::Shell().ShowMessage(General::ShellServices::kWarning, QString::fromLatin1(General::ProgramTitle()), text);
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
