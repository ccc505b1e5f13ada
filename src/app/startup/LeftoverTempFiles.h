#pragma once
// Telling the program's own temporary files from anything else in the temporary folder,
// and which of them no running copy owns any more.
//
// Names, with S the instance suffix of the copy that made the file ("" or "." and its
// process id): "undoS.tmp", "redoS.tmp", "tempLS.tmp", "tempHS.tmp", the partial-level
// swap files "tmp<id>[_<n>]<kind>S.tmp", and the unique files "tmpS.XXXXXX" and
// "tevloadS.XXXXXX".

#include <QStringList>

// True when `fileName` (no folder) is one of the program's temporary files; `pid` is the
// process id its suffix names, 0 when it has none.
bool ParseOwnTempFile(const QString &fileName, long long &pid);

struct LeftoverTempFiles {
    // Files without a suffix: the first copy's, left by one that ended abnormally.
    QStringList unsuffixed;
    // Files of a further copy whose process is gone.
    QStringList orphaned;
};

// The program's files in `folder` that no running copy owns, as the first copy sees them
// (absolute paths). Files of a running further copy and other programs' files are not listed.
LeftoverTempFiles FindLeftoverTempFiles(const QString &folder);
