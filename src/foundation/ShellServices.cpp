#include "foundation/ShellServices.h"

#include <QDir>

namespace General {

QString ShellServices::TempFolder() const { return QDir::tempPath(); }

}  // namespace General
