#pragma once
// "hotkeys.txt": one line per handler, "<name>: <code>" with the code in signed decimal, in
// the handler table's order (the order name look-ups search), so what is written reads
// back to the same table and is written again byte for byte.

#include <QByteArray>
#include <QString>

class EventHandler;

namespace HotkeysFile {

// A file past these bounds is refused whole: the table has a few hundred handlers with
// names of a few dozen bytes.
constexpr qint64 kMaxBytes = 1 << 20;
constexpr qint64 kMaxLine = 1024;

struct ReadResult {
    bool opened = false;      // false: no file, or it could not be read
    QString refusal;          // why a file that is there was not read (also logged)
    bool notHotkeys = false;  // read, but not a hotkeys file: a NUL byte, not UTF-8, or no line that parses
    int applied = 0;      // lines that set a handler's code
    int ignored = 0;      // lines naming no handler or holding no base-10 number
};

// Sets the codes the file names; other handlers keep theirs. Ignored lines are counted
// and logged in one line for the file. A file that is not a regular file within the
// bounds, or whose bytes are no hotkeys text, sets no code and says why in `refusal`.
ReadResult Read(EventHandler &handlers, const QString &path);
// Every handler's line in table order.
QByteArray Compose(EventHandler &handlers);
// Written whole or not at all (SaveWholeFile); false, logged, when that fails.
bool Write(EventHandler &handlers, const QString &path);

}  // namespace HotkeysFile
