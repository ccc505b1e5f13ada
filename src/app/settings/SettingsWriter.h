#pragma once
// Writing and keeping the files of the settings folder.

#include <QString>

#include <functional>

class Stream;

// Writes a version-228 stream through `write` into a temporary file beside `path` and
// renames it over `path` once every write succeeded; `beforeReplace` (may be empty) runs
// just before the rename. False, with `path` as it was, on any failure.
bool WriteReplacing(const QString &path, const std::function<void()> &beforeReplace,
                    const std::function<void(Stream &)> &write);

// Copies `path` to a free name beside it ("settings.sav.kept", "settings.sav.kept2", ...)
// so that a file this program will not read survives the next save; the copy's name, or
// empty when it could not be made.
QString KeepCopyOf(const QString &path);
