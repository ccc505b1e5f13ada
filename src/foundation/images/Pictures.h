#pragma once
// The installation's pictures (fold arrows, buttons, tool pictures, the roll picture, the
// splash) by the paths the program names them with: "Icons/lock.png", "icons/roll.png",
// "icons\Off.png". Those paths resolve whatever the current folder and in any case, to the
// pictures compiled into the program. Each is read once; a missing one is drawn as a neutral
// placeholder, with one log line for its path. Other paths are the user's files, read from disk.

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace General::Pictures {

// True for a path in the installation's picture folder ("Icons/", "icons\", any case).
bool IsInstalled(const QString &path);

// The compiled-in picture an installation path names, or an empty string when none is shipped.
QString Resolve(const QString &path);

// The picture at its own size. Installation paths are cached (a placeholder when missing);
// other paths are read from disk each time (a null image when unreadable).
QImage Image(const QString &path);
QPixmap Pixmap(const QString &path);
// Drawn at `size` (a user's picture is scaled into it, keeping its shape).
QPixmap Pixmap(const QString &path, QSize size);
// Sharp at the sizes buttons ask for: drawn at the picture's size and at twice that.
QIcon Icon(const QString &path);

// The names of every shipped picture ("lock", "tool_sculpting", ...), for checks.
QStringList Shipped();

}  // namespace General::Pictures
