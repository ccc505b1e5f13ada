#include "browser/BrowserText.h"

#include "platform/WholeFiles.h"

#include <QCoreApplication>
#include <QDir>

namespace Browser {

QString SizeText(qint64 bytes)
{
    if (bytes < 1048576)
        return QStringLiteral("%1K").arg(double(bytes) / 1024.0, 6, 'f', 2, QLatin1Char(' '));
    if (bytes < 1073741824)
        return QStringLiteral("%1M").arg(double(bytes) / 1048576.0, 6, 'f', 2, QLatin1Char(' '));
    return QString::number(double(bytes), 'g', 6);
}

QString ZoomText(double zoom) { return QStringLiteral("%1").arg(zoom * 100.0, 6, 'f', 2, QLatin1Char(' ')); }

QString ParentFolder(const QString &path)
{
    if (path.isEmpty() || path.endsWith(QLatin1Char(':')))
        return QString();
    const QString clean = QDir::cleanPath(path);
    if (clean == QLatin1String("/"))
        return QString();
    const qsizetype cut = clean.lastIndexOf(QLatin1Char('/'));
    if (cut < 0)
        return QString();
    return cut == 0 ? QStringLiteral("/") : clean.left(cut);
}

double AltZoomStep(double zoom)
{
    // The smallest bound the zoom lies under wins.
    const struct {
        double below;
        double step;
    } steps[] = {{0.1, 0.011}, {0.2, 0.012}, {0.3, 0.013}, {0.4, 0.014}, {0.5, 0.015}, {0.6, 0.017}};
    for (const auto &s : steps)
        if (zoom < s.below)
            return s.step;
    return 0.02;
}

Bookmarks ParseBookmarks(const QByteArray &bytes)
{
    Bookmarks result;
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    if (lines.isEmpty() || lines.first().isEmpty())
        return result;
    result.last = QString::fromLocal8Bit(lines.first());
    for (qsizetype i = 1; i < lines.size() && !lines[i].isEmpty(); ++i)
        result.folders << QString::fromLocal8Bit(lines[i]);
    return result;
}

QString NotBookmarksReason(const QByteArray &bytes)
{
    const QString why = NotTextReason(bytes);
    if (!why.isEmpty())
        return why;
    for (const QByteArray &line : bytes.split('\n'))
        if (line.startsWith('/'))
            return QString();
    return bytes.trimmed().isEmpty() ? QString()
                                     : QCoreApplication::translate("Browser", "no line names a folder");
}

QByteArray FormatBookmarks(const Bookmarks &bookmarks)
{
    QByteArray bytes = bookmarks.last.toLocal8Bit() + '\n';
    for (const QString &folder : bookmarks.folders)
        bytes += folder.toLocal8Bit() + '\n';
    return bytes;
}

QString BookmarksFilePath(const QString &folder) { return folder + QStringLiteral("/ImageBrowser.txt"); }

}  // namespace Browser
