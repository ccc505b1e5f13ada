#pragma once
// Temporary files of this copy of the program in the shell's temporary folder.

#include <QString>

namespace General {

// A new, empty, unique file named `prefix`, the instance suffix, "." and six random
// letters or digits, so that start-up can tell which copy left it behind. Empty when the
// folder cannot take a new file.
QString NewTempFile(const QString &prefix);

}  // namespace General
