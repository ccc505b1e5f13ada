#include "foundation/ShellServices.h"

#include <QDir>

namespace General {

QString ShellServices::TempFolder() const { return QDir::tempPath(); }

namespace {
ShellServices s_quiet;
ShellServices *s_pShell = &s_quiet;
}  // namespace

ShellServices &Shell() { return *s_pShell; }
void InstallShell(ShellServices *services) { s_pShell = services ? services : &s_quiet; }

}  // namespace General
