#pragma once
// Writing and keeping the files of the settings folder.

#include "platform/WholeFiles.h"

#include <QString>

#include <functional>

class Stream;

// Writes a version-228 stream through `write` into a temporary file beside `path` and
// puts it in the place of `path` (see SaveWholeFile) once every write succeeded;
// `beforeReplace` (may be empty) runs just before that. False, with `path` as it was, on
// any failure.
bool WriteReplacing(const QString &path, const std::function<void()> &beforeReplace,
                    const std::function<void(Stream &)> &write, QString *error = nullptr);


// Tells the user (a warning, also logged) that a file of the settings folder was not read
// or not written, and remembers it: a file refused where it is (a link to nothing, a FIFO,
// a device, a folder, one too large) is then neither written nor named again by a save of
// this run.
void TellRefused(const QString &path, const QString &text, bool leftInPlace);
bool WasLeftInPlace(const QString &path);
// A new run (a new main window) starts with no file refused.
void ForgetRefused();
