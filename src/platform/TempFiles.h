#pragma once
#include <QString>

// A unique, not yet existing file name in `folder` whose name starts with `prefix`.
// The file is created empty so that two callers never receive the same name.
// Empty when the folder cannot take a new file.
QString TempFileName(const QString &folder, const QString &prefix);

// TempFileName with this process's id and a dot after the prefix, so that a later run can
// tell the files of a process that died from those of one still at work.
QString OwnTempFileName(const QString &folder, const QString &prefix);
// True when no process with id `pid` runs (ids outside the system's range name none); a
// process that runs but is not ours to signal counts as running.
bool ProcessIsGone(long long pid);
// Removes the files in `folder` that OwnTempFileName named with `prefix` for a process
// that no longer runs (a save or load that was killed).
void RemoveStaleTempFiles(const QString &folder, const QString &prefix);

// Puts a finished temporary file in the place of `target` in one step: its bytes reach the
// disk first (otherwise the rename may land before the data), it takes the old file's
// permission bits (a new file those the umask leaves of 0666), then it is renamed over
// the target. A target that exists and is not a regular file (a link, device, FIFO or
// folder) is not replaced.
// On failure the temporary file is removed and the target is as it was. Without `sync`
// the bytes may reach the disk after the rename: for caches, which are checked when read.
bool ReplaceWithTempFile(const QString &temp, const QString &target, bool sync = true);
