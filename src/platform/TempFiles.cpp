#include "platform/TempFiles.h"

#include <QDir>
#include <QTemporaryFile>

QString TempFileName(const QString &folder, const QString &prefix)
{
    const QString dir = folder.isEmpty() ? QDir::tempPath() : folder;
    QTemporaryFile file(QDir(dir).filePath(prefix + QStringLiteral("XXXXXX")));
    file.setAutoRemove(false);
    if (!file.open())
        return QString();
    return file.fileName();
}
