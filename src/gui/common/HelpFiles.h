#pragma once
// The help pages shipped with the program: a "help" folder beside the executable, so they
// are found wherever the program is started from; without one, the "help" folder of the
// current folder.

#include <QString>

namespace GUI {

// The path of `relative` (such as "about.html") in the help folder.
QString HelpFile(const QString &relative);

}  // namespace GUI
