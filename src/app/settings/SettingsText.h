#pragma once
// Texts of the settings and recent-files files: a 4-byte length, then the bytes. Written
// as UTF-8 so that folders and file names keep every character. Files of earlier writers
// hold Latin-1; bytes that are not valid UTF-8 are read as Latin-1, so those still read
// (an ASCII text is the same in both).

#include <QString>

class Stream;

// Both directions. A negative length or one past the end of the file sets the stream's
// error flag and leaves `text` as it was.
bool SerializeText(Stream &stream, QString &text);
