#include "app/settings/Preferences.h"

#include "app/settings/SettingsWriter.h"
#include "app/startup/CommandSwitches.h"
#include "foundation/Diagnostics.h"
#include "platform/WholeFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <pwd.h>
#include <unistd.h>

Preferences *Preferences::s_pInstance = nullptr;

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("Preferences", text); }

QString LoginName()
{
    for (const char *name : {"USER", "LOGNAME"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    if (const passwd *entry = getpwuid(getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return QStringLiteral("user");
}

QString Absolute(const QString &folder) { return QDir(folder).absolutePath(); }

// Creates `folder` under the data folder when it is missing and copies the plain files of
// the program's folder of that name into it; an existing folder is left as it is.
void ProvideDataFolder(const QString &dataFolder, const QString &programFolder, const QString &name)
{
    const QDir target(dataFolder + QLatin1Char('/') + name);
    if (target.exists())
        return;
    QDir().mkpath(target.path());
    const QDir source(programFolder + QLatin1Char('/') + name);
    if (!source.exists())
        return;
    for (const QFileInfo &file : source.entryInfoList(QDir::Files))
        QFile::copy(file.absoluteFilePath(), target.filePath(file.fileName()));
}

QString SearchSettings(const QString &folder, int depth, QSet<QString> &seen)
{
    const QString real = QFileInfo(folder).canonicalFilePath();
    if (real.isEmpty() || seen.contains(real))
        return QString();
    seen.insert(real);
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(QStringLiteral("settings.sav"))).isFile())
        return dir.absolutePath();
    if (depth <= 0)
        return QString();
    for (const QString &sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        const QString found = SearchSettings(dir.filePath(sub), depth - 1, seen);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

}  // namespace

void SplitKeyValue(const QString &line, QString &key, QString &value)
{
    key.clear();
    value.clear();
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return;
    key = line.left(colon);
    value = line.mid(colon + 1).trimmed();
}

bool IsWritableFolder(const QString &folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    // Permission bits say too little (read-only mounts, ACLs): try a file.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".write-test-XXXXXX")));
    return probe.open();
}

QString Preferences::DefaultDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString Preferences::DefaultTempFolder() { return DefaultDataFolder() + QStringLiteral("/Temp"); }

QString Preferences::ConfigFolder()
{
    return Absolute(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

QString Preferences::DefaultSettingsFolder() { return ConfigFolder() + QStringLiteral("/settings"); }

Preferences::Preferences(PreferencesPrompts *prompts, const QString &programFolder)
{
    // Code run from here on (the folder questions) may already ask for the object.
    s_pInstance = this;
    MirrorNormals.Add(General::Vector(0.0f, 0.0f, 0.0f));
    MirrorOffsets.Add(General::Vector(0.0f, 0.0f, 0.0f));
    if (CommandSwitches::s_bBenchmark || CommandSwitches::s_bSaveBenchmark)
        BenchmarkSceneFlag1 = BenchmarkSceneFlag2 = true;
    UserName = LoginName();
    SetUpFolders(prompts, programFolder.isEmpty() && QCoreApplication::instance()
                              ? QCoreApplication::applicationDirPath()
                              : programFolder);
}

Preferences::~Preferences()
{
    if (s_pInstance == this)
        s_pInstance = nullptr;
}

void Preferences::SetUpFolders(PreferencesPrompts *prompts, const QString &programFolder)
{
    const QString config = ConfigFolder();
    const QString proposed = DefaultSettingsFolder();
    QDir().mkpath(config);
    DataFolder = Absolute(DefaultDataFolder());
    // The folder dialog accepts only folders that exist: the proposed ones must.
    QDir().mkpath(DataFolder);
    SettingFiles = proposed;

    const bool known = !ReadPathsFile();
    if (!known || !QFileInfo(SettingFiles + QStringLiteral("/settings.sav")).isFile()) {
        QDir().mkpath(proposed);
        QString found = FindSettingsFile(config);
        if (found.isEmpty())
            found = FindSettingsFile(DataFolder);
        if (!found.isEmpty() && found != Absolute(proposed)) {
            if (prompts && prompts->TakeOverSettings(found))
                QFile::copy(found + QStringLiteral("/settings.sav"), proposed + QStringLiteral("/settings.sav"));
            else
                found.clear();
        }
        SettingFiles = proposed;
        if (found.isEmpty() && prompts)
            prompts->ChooseFolders(*this);
        PathsJustSet = true;
    }
    // Folders chosen in the dialog that cannot be made or written fall back to the defaults.
    DataFolder = Absolute(DataFolder);
    QDir().mkpath(DataFolder);
    if (!IsWritableFolder(DataFolder))
        DataFolder = Absolute(DefaultDataFolder());
    QDir().mkpath(SettingFiles);
    if (!IsWritableFolder(SettingFiles))
        SettingFiles = proposed;
    if (PathsJustSet)
        AppendToPathsFile();

    for (const char *name : {"Stencils", "Stamps", "Shaders"})
        ProvideDataFolder(DataFolder, programFolder, QString::fromLatin1(name));
    StampFiles = DataFolder + QStringLiteral("/Stamps/");
    StencilFiles = DataFolder + QStringLiteral("/Stencils/");
    ShaderFiles = DataFolder + QStringLiteral("/Shaders/");
    TempFiles = DataFolder + QStringLiteral("/Temp");
    LogFiles = DataFolder + QStringLiteral("/Logs");
    // A folder that cannot be made is reported by whoever first writes into it.
    for (const QString &folder : {TempFiles, LogFiles, SettingFiles, SettingFiles + QStringLiteral("/trays")})
        QDir().mkpath(folder);
}

void Preferences::AppendToPathsFile() const
{
    // Written whole with the new line at its end: a full disk keeps the old file.
    const SmallFile old = ReadSmallFile(PathsFile(), kMaxPathsBytes, kMaxPathsLine);
    QString error;
    if (old.outcome == SmallFile::Refused)
        error = old.error;
    else if (!SaveWholeFile(PathsFile(), old.bytes + (UserName + QStringLiteral(": ") + SettingFiles).toUtf8() + '\n',
                            &error))
        error = error.isEmpty() ? PathsFile() : error;
    // A refused file was named when it was read.
    if (!error.isEmpty() && old.outcome != SmallFile::Refused)
        TellRefused(PathsFile(), error, false);
}

bool Preferences::ReadPathsFile()
{
    const SmallFile file = ReadSmallFile(PathsFile(), kMaxPathsBytes, kMaxPathsLine);
    // The user is told: a lost paths file loses the way to every other setting.
    if (file.outcome == SmallFile::Refused)
        TellRefused(PathsFile(), Tr("%1\nThe settings folder it names is not used in this run.").arg(file.error), true);
    if (file.outcome != SmallFile::Read)
        return true;
    QString why = NotTextReason(file.bytes);
    if (why.isEmpty() && !file.bytes.trimmed().isEmpty() && !file.bytes.contains(':'))
        why = Tr("no line names a user and a folder");
    if (!why.isEmpty()) {
        const QString kept = KeepAside(PathsFile());
        TellRefused(PathsFile(),
                    kept.isEmpty() ? Tr("%1 was not read: %2.").arg(PathsFile(), why)
                                   : Tr("%1 was not read: %2. It was moved to %3.").arg(PathsFile(), why, kept),
                    kept.isEmpty());
        return true;
    }
    bool found = false;
    QString key, value;
    for (QString line : QString::fromUtf8(file.bytes).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        SplitKeyValue(line, key, value);
        // A folder that has gone (or cannot be written) does not count: the set-up runs again.
        if (key == UserName && IsWritableFolder(value)) {
            SettingFiles = value;
            found = true;
        }
    }
    return !found;
}

QString Preferences::FindSettingsFile(const QString &folder)
{
    QSet<QString> seen;
    return SearchSettings(folder, kSearchDepth, seen);
}
