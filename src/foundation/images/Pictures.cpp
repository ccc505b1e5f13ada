#include "foundation/images/Pictures.h"

#include "foundation/Diagnostics.h"
#include "foundation/images/ImageLimits.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QSvgRenderer>

namespace General::Pictures {

namespace {

constexpr const char *kFolder = ":/pictures";
// The largest side a button draws a user's picture at.
constexpr int kIconSide = 128;

// The file name a path ends with, without folder and extension, in lower case.
QString BaseName(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    QString name = path.mid(slash + 1).toLower();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

// A grey square with a darker frame: visibly a picture that is missing, never mistaken for one.
QImage Placeholder()
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(150, 150, 150));
    QPainter painter(&image);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(0, 0, 15, 15);
    return image;
}

// Drawn at `size`, or at the picture's own size when `size` is empty.
QImage Render(const QString &file, QSize size)
{
    QSvgRenderer renderer(file);
    if (!renderer.isValid())
        return {};
    QImage image(size.isEmpty() ? renderer.defaultSize() : size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

struct Cache {
    QMutex mutex;
    QHash<QString, QImage> images;  // by base name and size ("lock@0x0" at its own size)
};

Cache &TheCache()
{
    static Cache cache;
    return cache;
}

QImage Installed(const QString &path, QSize size = {})
{
    Cache &cache = TheCache();
    const QString name = BaseName(path);
    const QString key = QStringLiteral("%1@%2x%3").arg(name).arg(size.width()).arg(size.height());
    QMutexLocker lock(&cache.mutex);
    auto found = cache.images.constFind(key);
    if (found != cache.images.constEnd())
        return *found;
    const QString file = Resolve(path);
    QImage image = file.isEmpty() ? QImage() : Render(file, size);
    if (image.isNull()) {
        if (size.isEmpty())
            Log("Picture %s is missing; a placeholder is shown\n", qUtf8Printable(path));
        image = Placeholder();
        if (!size.isEmpty())
            image = image.scaled(size);
    }
    cache.images.insert(key, image);
    return image;
}

// A user's picture shown scaled down (a tray button, a thumbnail-sized view): read through
// the bounded reader, so that a file too large for that is refused at its header with one
// log line naming it, rather than decoded whole (and, behind an icon, again at every paint).
QImage UsersPicture(const QString &path, QSize fit)
{
    BoundedImage read = ReadBoundedImage(path, kMaxScaledPixels, fit, true);
    if (read.image.isNull())
        Log("%s\n", qUtf8Printable(read.error));
    return read.image;
}

}  // namespace

bool IsInstalled(const QString &path)
{
    return path.size() > 6 && path.left(5).compare(QLatin1String("icons"), Qt::CaseInsensitive) == 0 &&
           (path[5] == QLatin1Char('/') || path[5] == QLatin1Char('\\'));
}

QString Resolve(const QString &path)
{
    if (!IsInstalled(path))
        return {};
    const QString file = QStringLiteral("%1/%2.svg").arg(QLatin1String(kFolder), BaseName(path));
    return QFileInfo::exists(file) ? file : QString();
}

QImage Image(const QString &path)
{
    return IsInstalled(path) ? Installed(path) : ReadBoundedImage(path, MaxImagePixels()).image;
}

QPixmap Pixmap(const QString &path) { return QPixmap::fromImage(Image(path)); }

QPixmap Pixmap(const QString &path, QSize size)
{
    if (IsInstalled(path))
        return QPixmap::fromImage(Installed(path, size));
    const QImage image = UsersPicture(path, size);
    return image.isNull() ? QPixmap()
                          : QPixmap::fromImage(image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QIcon Icon(const QString &path)
{
    if (!IsInstalled(path)) {
        QImage image = UsersPicture(path, QSize(kIconSide, kIconSide));
        if (image.width() > kIconSide || image.height() > kIconSide)
            image = image.scaled(kIconSide, kIconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
    }
    QIcon icon;
    const QImage own = Installed(path);
    icon.addPixmap(QPixmap::fromImage(own));
    icon.addPixmap(QPixmap::fromImage(Installed(path, own.size() * 2)));
    return icon;
}

QStringList Shipped()
{
    QStringList names;
    for (const QFileInfo &file : QDir(QLatin1String(kFolder)).entryInfoList({QStringLiteral("*.svg")}, QDir::Files))
        names.append(file.completeBaseName());
    return names;
}

}  // namespace General::Pictures
