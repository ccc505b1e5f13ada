#include "app/startup/RunLog.h"

#include "app/settings/Preferences.h"
#include "app/startup/Console.h"
#include "app/startup/LeftoverTempFiles.h"
#include "foundation/Diagnostics.h"
#include "foundation/LogFile.h"

#include <QDir>
#include <QFile>

namespace RunLog {

bool CheckCrashLogs(const QString &logFolder, const QString &tempFolder, const QDateTime &now)
{
    const LeftoverTempFiles leftovers = FindLeftoverTempFiles(tempFolder);
    for (const QString &file : leftovers.orphaned)
        QFile::remove(file);
    if (leftovers.unsuffixed.isEmpty())
        return false;
    const QDir logs(logFolder);
    const QFileInfoList crashLogs = logs.entryInfoList({QStringLiteral("crash*.log")}, QDir::Files,
                                                       QDir::Time | QDir::IgnoreCase);
    // One old crash log goes per start.
    if (crashLogs.size() > 4)
        QFile::remove(crashLogs.back().absoluteFilePath());
    const QString crashLog = QStringLiteral("%1/crash_%2_%3.log")
                                 .arg(logFolder, now.date().toString(Qt::TextDate),
                                      now.time().toString(Qt::TextDate).replace(QLatin1Char(':'), QLatin1Char('_')));
    QFile::rename(logs.filePath(QStringLiteral("tevrin.log")), crashLog);
    for (const QString &file : leftovers.unsuffixed)
        QFile::remove(file);
    return true;
}

QString LogFilePath(const QString &logFolder, const QString &suffix)
{
    return logFolder + QStringLiteral("/tevrin") + suffix + QStringLiteral(".log");
}

bool OpenLogFile(const QString &logFolder, const QString &suffix)
{
    CloseLogFile();
    const QString path = LogFilePath(logFolder, suffix);
    Console("Logfile: %s\n", QFile::encodeName(path).constData());
    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "w");
    General::SetLogFile(file);
    if (file)
        General::SetLogFilePath(path);
    Console("Log file created.\n");
    return file != nullptr;
}

void CloseLogFile()
{
    if (std::FILE *file = General::GetLogFile()) {
        General::SetLogFile(nullptr);
        std::fclose(file);
    }
}

bool Start(const Preferences &preferences, const QString &suffix)
{
    Console("Checking crash logs...\n");
    if (suffix.isEmpty())
        CheckCrashLogs(preferences.LogFiles, preferences.TempFiles, QDateTime::currentDateTime());
    return OpenLogFile(preferences.LogFiles, suffix);
}

}  // namespace RunLog
