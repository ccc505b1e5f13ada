#include "platform/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

QString TempFileName(const QString &folder, const QString &prefix)
{
    const QString dir = folder.isEmpty() ? QDir::tempPath() : folder;
    QTemporaryFile file(QDir(dir).filePath(prefix + QStringLiteral("XXXXXX")));
    file.setAutoRemove(false);
    if (!file.open())
        return QString();
    return file.fileName();
}

namespace {

bool SyncFile(const QString &path)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    int result = 0;
    do
        result = ::fsync(descriptor);
    while (result != 0 && errno == EINTR);
    return ::close(descriptor) == 0 && result == 0;
}

}  // namespace

bool ReplaceWithTempFile(const QString &temp, const QString &target)
{
    const QFileInfo old(target);
    const bool ok = SyncFile(temp) &&
                    QFile::setPermissions(temp, old.exists() ? old.permissions()
                                                             : QFile::ReadOwner | QFile::WriteOwner |
                                                                   QFile::ReadGroup | QFile::ReadOther) &&
                    std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok)
        QFile::remove(temp);
    return ok;
}
