#pragma once
// The program's log file and the crash logs, as the main window and the batch road open
// them at start-up.

#include <QDateTime>
#include <QString>

class Preferences;

namespace RunLog {

// The crash-log check of the first copy. When the temporary folder holds files that a
// first copy left (it did not end normally): the oldest crash log is deleted when more
// than four exist, the previous "tevrin.log" becomes "crash_<date>_<time>.log" (Qt's
// text date, the time with "_" for ":"), and those files go. Files of further copies
// whose process is gone are removed too; nothing else in the folder is touched.
// True when a crash was found.
bool CheckCrashLogs(const QString &logFolder, const QString &tempFolder, const QDateTime &now);

// "tevrin" + instance suffix + ".log" in the log folder.
QString LogFilePath(const QString &logFolder, const QString &suffix);

// Opens the log file for writing (truncated) and makes it the program's log; false (no
// log file) when it cannot be opened. Prints "Logfile: <path>" and "Log file created.".
bool OpenLogFile(const QString &logFolder, const QString &suffix);
// Closes the log file, if open.
void CloseLogFile();

// Start-up's two steps in order: "Checking crash logs...", the check (first copy only,
// i.e. an empty suffix), then the log file in the preferences' folders.
bool Start(const Preferences &preferences, const QString &suffix);

}  // namespace RunLog
