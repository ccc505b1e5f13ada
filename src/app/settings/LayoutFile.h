#pragma once
// "ui.sav": the main window's docks and bars as QMainWindow::saveState gives them, then
// "TvL1" and the SHA-1 of that state. Qt's reader of the state trusts what it reads (a dock
// position past its array, a tab index past its list and the like crash it), so a state
// reaches it only when its hash matches and its structure is one this window writes: the
// markers in their order, positions, counts, orientations and corners in range, every
// frame and bar named once and known to the window, and nothing after the end.

#include <QByteArray>
#include <QStringList>

class QMainWindow;

namespace LayoutFile {

// A layout of a few frames and bars takes a few hundred bytes.
constexpr qint64 kMaxBytes = 1 << 20;

QByteArray Compose(const QByteArray &state);
// The state of a whole file; false (and `state` untouched) for anything else, a file
// written before the hash was added among them.
bool Parse(const QByteArray &file, QByteArray &state);
// Whether `state` is laid out as saveState writes it for a window whose dock widgets and
// tool bars have these object names.
bool IsPlausible(const QByteArray &state, const QStringList &docks, const QStringList &toolBars);
// Parse, IsPlausible against the window's own docks and bars, then restoreState. False,
// with the window as it was, when the file is refused or Qt refuses the state.
bool Restore(QMainWindow &window, const QByteArray &file);

}  // namespace LayoutFile
