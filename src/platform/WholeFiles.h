#pragma once
// The program's own small files (settings, lists, caches): written whole or not at all,
// read only when they are regular files of a size their format can hold.
//
// A save writes a temporary file in the folder of the file it replaces, syncs it and
// renames it over that file. A symbolic link to a regular file is followed and its target
// replaced, so the link stays; a path that is, or links to, anything else (a device, a
// FIFO, a folder, a link that leads nowhere) is refused and nothing is written.

#include <QByteArray>
#include <QString>

#include <functional>

// The file a save to `path` replaces: `path` itself, or the regular file its links lead
// to. Empty, with `error` set, when `path` names anything but a regular file or a new name.
QString SaveTargetOf(const QString &path, QString *error = nullptr);

// `write` fills the temporary file it is given (a name; the file exists, empty) and says
// whether every byte went out; the file then replaces the target. What earlier saves of
// the same file that were killed left beside it is removed first. False, with the target
// as it was and `error` set, on any failure.
// A cache (whose reader checks what it finds) may pass `sync` false: the rename then does
// not wait for the disk.
bool SaveWholeFile(const QString &path, const std::function<bool(const QString &temp)> &write,
                   QString *error = nullptr, bool sync = true);
bool SaveWholeFile(const QString &path, const QByteArray &bytes, QString *error = nullptr, bool sync = true);

// The hidden files a save of `path` leaves while it runs: "." + file name + ".".
QString SavePrefixOf(const QString &path);

struct SmallFile {
    enum Outcome { Read, Missing, Refused };
    Outcome outcome = Missing;
    QByteArray bytes;
    QString error;  // why a file was refused, naming it
};

// Reads `path` whole when it is a regular file (links followed) of at most `maxBytes`
// whose lines are all at most `maxLine` bytes long (0: no line bound). A FIFO, device or
// folder is refused without being opened for long: nothing here waits on a writer. A link
// that leads nowhere is refused too, not missing: nothing could be saved in its place.
SmallFile ReadSmallFile(const QString &path, qint64 maxBytes, qint64 maxLine = 0);

// Why `bytes` cannot be a text file a person or this program wrote: a NUL byte, or (when
// `utf8`) bytes that are not UTF-8. Empty when it can.
QString NotTextReason(const QByteArray &bytes, bool utf8 = true);

// Renames `path` to a free name beside it ("settings.sav.kept", "settings.sav.kept2", ...)
// so that a file this program will not read survives the next save, however large it is;
// the new name, or empty when it could not be moved.
QString KeepAside(const QString &path);
