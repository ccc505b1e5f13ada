#pragma once
// Writing and keeping the files of the settings folder.

#include <QString>

#include <functional>

class Stream;

// Writes a version-228 stream through `write` into a temporary file beside `path` and
// puts it in the place of `path` (see SaveWholeFile) once every write succeeded;
// `beforeReplace` (may be empty) runs just before that. False, with `path` as it was, on
// any failure.
bool WriteReplacing(const QString &path, const std::function<void()> &beforeReplace,
                    const std::function<void(Stream &)> &write);

// Renames `path` to a free name beside it ("settings.sav.kept", "settings.sav.kept2", ...)
// so that a file this program will not read survives the next save, however large it is;
// the new name, or empty when it could not be moved.
QString KeepAside(const QString &path);
