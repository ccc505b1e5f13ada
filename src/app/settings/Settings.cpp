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
#include <QFileInfo>

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
        const QString path = parts.preferences->SettingFiles + QStringLiteral("/settings.sav");
        result = LoadSettingsFile(path, parts);
        if (result.outcome == SettingsLoad::Refused)
            TellRefused(path, result.message, result.keptCopy.isEmpty());
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
    if (!QFileInfo(path).isFile()) {
        TellRefused(path,
                    QCoreApplication::translate("Settings", "The recent files list %1 is not a regular file and was "
                                                            "not read; the list of this run is not saved there.")
                        .arg(path),
                    true);
        return;
    }
    // Kept aside, so that the list written at exit does not replace it unseen.
    const QString kept = KeepAside(path);
    const QString text =
        kept.isEmpty()
            ? QCoreApplication::translate("Settings", "The recent files list %1 is empty, damaged or of a newer "
                                                      "version and was not read.")
                  .arg(path)
            : QCoreApplication::translate("Settings", "The recent files list %1 is empty, damaged or of a newer "
                                                      "version and was not read; it was moved to %2.")
                  .arg(path, kept);
    TellRefused(path, text, kept.isEmpty());
}

bool SaveSettings(const SettingsParts &parts, const RecentFiles &recent)
{
    if (Benchmarking() || !parts.preferences)
        return true;
    QStringList errors;
    const QString settingsPath = parts.preferences->SettingFiles + QStringLiteral("/settings.sav");
    bool saved = true;
    QString error;
    // A file refused where it is was named at the start and would refuse the save again.
    if (WasLeftInPlace(settingsPath))
        saved = false;
    else if (!SaveSettingsFile(settingsPath, parts, nullptr, &error))
        errors << (error.isEmpty() ? settingsPath : error);
    const QString recentPath = SettingsPath(QStringLiteral("recent.sav"));
    error.clear();
    if (!recentPath.isEmpty()) {
        if (WasLeftInPlace(recentPath))
            saved = false;
        else if (!recent.Save(recentPath, &error))
            errors << (error.isEmpty() ? recentPath : error);
    }
    if (!errors.isEmpty())
        TellRefused(QString(), errors.join(QLatin1Char('\n')), false);
    return saved && errors.isEmpty();
}
