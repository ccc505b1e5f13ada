#pragma once
// "ui.sav": the main window's docks and bars as QMainWindow::saveState gives them, then
// "TvL1" and the SHA-1 of that state. Qt's reader of the state trusts what it reads (two
// changed bytes of a real file crash it), so a file whose state does not match its hash
// never reaches it: a damaged layout is refused and the default one stays.

#include <QByteArray>

namespace LayoutFile {

// A layout of a few frames and bars takes a few hundred bytes.
constexpr qint64 kMaxBytes = 1 << 20;

QByteArray Compose(const QByteArray &state);
// The state of a whole file; false (and `state` untouched) for anything else, a file
// written before the hash was added among them.
bool Parse(const QByteArray &file, QByteArray &state);

}  // namespace LayoutFile
