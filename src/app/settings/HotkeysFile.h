#pragma once
// "hotkeys.txt": one line per handler, "<name>: <code>" with the code in signed decimal, in
// the handler table's order (the order name look-ups search), so what is written reads
// back to the same table and is written again byte for byte.

#include <QByteArray>
#include <QString>

class EventHandler;

namespace HotkeysFile {

struct ReadResult {
    bool opened = false;  // false: no file, or it could not be read
    int applied = 0;      // lines that set a handler's code
    int ignored = 0;      // lines naming no handler or holding no base-10 number
};

// Sets the codes the file names; other handlers keep theirs. Ignored lines are counted
// and logged in one line for the file; nothing is ever shown to the user.
ReadResult Read(EventHandler &handlers, const QString &path);
// Every handler's line in table order.
QByteArray Compose(EventHandler &handlers);
// Written to a temporary file and renamed over `path`; false when that fails.
bool Write(EventHandler &handlers, const QString &path);

}  // namespace HotkeysFile
