#include "platform/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <climits>
#include <cstdio>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
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

QString OwnTempFileName(const QString &folder, const QString &prefix)
{
    return TempFileName(folder, prefix + QString::number(::getpid()) + QLatin1Char('.'));
}

bool ProcessIsGone(long long pid)
{
    if (pid <= 0 || pid > INT_MAX)
        return true;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

void RemoveStaleTempFiles(const QString &folder, const QString &prefix)
{
    const QDir dir(folder.isEmpty() ? QDir::tempPath() : folder);
    const QStringList names =
        dir.entryList({prefix + QStringLiteral("*")}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString &name : names) {
        // prefix, process id, ".", the six characters TempFileName adds; libzip writes its
        // own temporary beside ours with "." and six more.
        const QString rest = name.mid(prefix.size());
        const qsizetype dot = rest.indexOf(QLatin1Char('.'));
        bool number = false;
        const long pid = rest.left(dot).toLong(&number);
        const qsizetype tail = rest.size() - dot - 1;
        const bool ownTail = tail == 6 || (tail == 13 && rest.at(dot + 7) == QLatin1Char('.'));
        if (dot < 1 || !number || pid <= 0 || !ownTail)
            continue;
        if (!ProcessIsGone(pid))
            continue;
        QFile::remove(dir.filePath(name));
    }
}

namespace {

// The permission bits a new file gets: 0666 less the process's umask.
mode_t NewFileMode()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (!line.startsWith("Umask:"))
                continue;
            bool ok = false;
            const unsigned mask = line.mid(6).trimmed().toUInt(&ok, 8);
            if (ok)
                return mode_t(0666 & ~mask);
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mode_t(0666 & ~mask);
}

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

bool ReplaceWithTempFile(const QString &temp, const QString &target, bool sync)
{
    // Only a regular file is replaced, and only one gives its permission bits: a device or
    // FIFO in the target's place stays, and its bits never reach the new file.
    struct stat old {};
    const bool exists = ::lstat(QFile::encodeName(target).constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        QFile::remove(temp);
        return false;
    }
    const mode_t mode = exists ? mode_t(old.st_mode & 07777) : NewFileMode();
    const bool ok = (!sync || SyncFile(temp)) && ::chmod(QFile::encodeName(temp).constData(), mode) == 0 &&
                    std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok)
        QFile::remove(temp);
    return ok;
}
