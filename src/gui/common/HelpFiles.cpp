#include "gui/common/HelpFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace GUI {

QString HelpFile(const QString &relative)
{
    const QString local = QStringLiteral("help/") + relative;
    if (QCoreApplication::instance()) {
        const QString installed = QCoreApplication::applicationDirPath() + QLatin1Char('/') + local;
        if (QFileInfo::exists(installed))
            return installed;
    }
    return local;
}

}  // namespace GUI
