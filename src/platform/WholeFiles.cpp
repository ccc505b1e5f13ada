#include "platform/WholeFiles.h"

#include "platform/TempFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QUtf8StringView>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("WholeFiles", text); }

void SetError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

bool WriteAll(int descriptor, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

bool ReadAll(int descriptor, qint64 maxBytes, QByteArray &bytes)
{
    // One byte past the bound tells a file that grew since it was measured.
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (bytes.size() + got > maxBytes)
            return false;
        bytes.append(buffer, got);
    }
}

bool LinesWithin(const QByteArray &bytes, qint64 maxLine)
{
    qint64 start = 0;
    while (start <= bytes.size()) {
        qint64 end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        if (end - start > maxLine)
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

QString SaveTargetOf(const QString &path, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat link {};
    if (::lstat(name.constData(), &link) != 0)
        return errno == ENOENT ? path : (SetError(error, Tr("%1 cannot be reached.").arg(path)), QString());
    QString target = path;
    if (S_ISLNK(link.st_mode))
        target = QFileInfo(path).canonicalFilePath();  // empty when the link leads nowhere
    struct stat info {};
    if (target.isEmpty() || ::stat(QFile::encodeName(target).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        SetError(error, Tr("%1 is not a regular file; it was not written.").arg(path));
        return QString();
    }
    return target;
}

QString SavePrefixOf(const QString &path)
{
    return QStringLiteral(".") + QFileInfo(path).fileName() + QStringLiteral(".");
}

bool SaveWholeFile(const QString &path, const std::function<bool(const QString &temp)> &write, QString *error,
                   bool sync)
{
    const QString target = SaveTargetOf(path, error);
    if (target.isEmpty())
        return false;
    const QString folder = QFileInfo(target).absolutePath();
    RemoveStaleTempFiles(folder, SavePrefixOf(target));
    const QString temp = OwnTempFileName(folder, SavePrefixOf(target));
    if (temp.isEmpty()) {
        SetError(error, Tr("No file can be made beside %1; it was not written.").arg(path));
        return false;
    }
    if (!write(temp)) {
        QFile::remove(temp);
        SetError(error, Tr("%1 could not be written whole (is the disk full?); the old file stays.").arg(path));
        return false;
    }
    if (!ReplaceWithTempFile(temp, target, sync)) {
        SetError(error, Tr("%1 could not be replaced; the old file stays.").arg(path));
        return false;
    }
    return true;
}

bool SaveWholeFile(const QString &path, const QByteArray &bytes, QString *error, bool sync)
{
    return SaveWholeFile(
        path,
        [&bytes](const QString &temp) {
            const int descriptor = ::open(QFile::encodeName(temp).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
            if (descriptor < 0)
                return false;
            const bool written = WriteAll(descriptor, bytes);
            return ::close(descriptor) == 0 && written;
        },
        error, sync);
}

SmallFile ReadSmallFile(const QString &path, qint64 maxBytes, qint64 maxLine)
{
    SmallFile file;
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        const bool missing = errno == ENOENT || errno == ENOTDIR;
        // A link that leads nowhere is not a missing file: a save could not replace it either.
        struct stat link {};
        if (missing && !(::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode)))
            return file;
        file.outcome = SmallFile::Refused;
        file.error = missing ? Tr("%1 is a link to nothing and was not read.").arg(path)
                             : Tr("%1 cannot be read.").arg(path);
        return file;
    }
    file.outcome = SmallFile::Refused;
    if (!S_ISREG(info.st_mode)) {
        file.error = Tr("%1 is not a regular file and was not read.").arg(path);
        return file;
    }
    // Without O_NONBLOCK a FIFO put in the file's place since the check would wait for a writer.
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0 || ::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (descriptor >= 0)
            ::close(descriptor);
        file.error = Tr("%1 cannot be read.").arg(path);
        return file;
    }
    const bool whole = info.st_size <= maxBytes && ReadAll(descriptor, maxBytes, file.bytes);
    ::close(descriptor);
    if (!whole) {
        file.bytes.clear();
        file.error = Tr("%1 is larger than %2 bytes and was not read.").arg(path).arg(maxBytes);
        return file;
    }
    if (maxLine > 0 && !LinesWithin(file.bytes, maxLine)) {
        file.bytes.clear();
        file.error = Tr("%1 has a line longer than %2 bytes and was not read.").arg(path).arg(maxLine);
        return file;
    }
    file.outcome = SmallFile::Read;
    return file;
}

QString NotTextReason(const QByteArray &bytes, bool utf8)
{
    if (bytes.contains('\0'))
        return Tr("it holds a NUL byte");
    if (utf8 && !QUtf8StringView(bytes).isValidUtf8())
        return Tr("it is not UTF-8 text");
    return QString();
}

QString KeepAside(const QString &path)
{
    for (int i = 1; i < 1000; ++i) {
        const QString kept = path + (i == 1 ? QStringLiteral(".kept") : QStringLiteral(".kept%1").arg(i));
        if (QFileInfo::exists(kept) || QFileInfo(kept).isSymLink())
            continue;
        // Never a copy: a refused file may be gigabytes, sparse or not.
        return std::rename(QFile::encodeName(path).constData(), QFile::encodeName(kept).constData()) == 0 ? kept
                                                                                                      : QString();
    }
    return QString();
}
