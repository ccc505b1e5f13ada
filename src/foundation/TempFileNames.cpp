#include "foundation/TempFileNames.h"

#include "foundation/Globals.h"
#include "foundation/ShellServices.h"
#include "platform/TempFiles.h"

namespace General {

QString NewTempFile(const QString &prefix)
{
    return TempFileName(Shell().TempFolder(), prefix + InstanceSuffix() + QLatin1Char('.'));
}

}  // namespace General
