#pragma once
#include <QString>

// A unique, not yet existing file name in `folder` whose name starts with `prefix`.
// The file is created empty so that two callers never receive the same name.
// Empty when the folder cannot take a new file.
QString TempFileName(const QString &folder, const QString &prefix);
