#pragma once
// The data shipped with the program (help pages, the default stamp, base meshes, curves):
// first beside the executable, so that it is found wherever the program is started from,
// then in the current folder. The current folder itself is never changed for it, so that
// every other relative path stays the caller's.

#include <QString>
#include <QStringList>

namespace General {

// The path of `relative` (such as "Stamps/cells01.jpg") beside the executable when a file
// or folder is there, else `relative` itself (the current folder's).
QString ShippedFile(const QString &relative);

// The base names of the files matching `pattern` in the shipped `folder`: those beside the
// executable, then those of the current folder's `folder` under names not yet listed.
QStringList ShippedBaseNames(const QString &folder, const QString &pattern);

}  // namespace General
