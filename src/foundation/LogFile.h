#pragma once
// Where the open log file lives, for the log windows that show it: the shell names the
// path after it opened the file; closing the file (SetLogFile with null) forgets it.

#include <QString>

namespace General {

void SetLogFilePath(const QString &path);
// Empty while no log file is open.
QString GetLogFilePath();

}  // namespace General
