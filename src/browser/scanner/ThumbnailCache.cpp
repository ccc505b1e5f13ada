#include "browser/scanner/ThumbnailCache.h"

#include "foundation/images/QTvImage.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace Thumbnails {

namespace {

const QString kSizeKey = QStringLiteral("SourceSize");
const QString kTimeKey = QStringLiteral("SourceTime");

QString TimeStamp(const QFileInfo &file)
{
    return QString::number(file.lastModified().toMSecsSinceEpoch());
}

}  // namespace

QString CacheFilePath(const QFileInfo &file)
{
    return file.absolutePath() + QStringLiteral("/.thumbs/") + file.fileName() + QStringLiteral(".png");
}

bool ReadCache(const QFileInfo &file, QImage &thumbnail)
{
    QImage cached;
    if (!cached.load(CacheFilePath(file), "PNG"))
        return false;
    if (cached.text(kSizeKey) != QString::number(file.size()) || cached.text(kTimeKey) != TimeStamp(file))
        return false;
    thumbnail = cached;
    return true;
}

bool WriteCache(const QFileInfo &file, const QImage &thumbnail)
{
    if (thumbnail.isNull() || !QDir(file.absolutePath()).mkpath(QStringLiteral(".thumbs")))
        return false;
    QImage stamped = thumbnail;
    stamped.setText(kSizeKey, QString::number(file.size()));
    stamped.setText(kTimeKey, TimeStamp(file));
    // A reader on another thread sees the old file or the new one, never half of one.
    QSaveFile out(CacheFilePath(file));
    return out.open(QIODevice::WriteOnly) && stamped.save(&out, "PNG") && out.commit();
}

QImage FitThumbnail(const QImage &image, int width, int height)
{
    if (width >= 1 && height >= 1 && (image.width() > width || image.height() > height))
        return image.scaled(width, height, Qt::KeepAspectRatio, Qt::FastTransformation);
    return image;
}

bool MakeRecord(const QFileInfo &file, int width, int height, ImgInfo &record)
{
    const QString path = file.absoluteFilePath();
    if (path.isEmpty())
        return false;
    QImage image;
    int depth = 0;
    if (image.load(path)) {
        depth = image.depth();
    } else {
        QTvImage loaded;
        if (!loaded.Load(path, false) || !loaded.GetImage())
            return false;
        image = *loaded.GetImage();
        depth = loaded.GetBitDepth();
    }
    if (image.isNull())
        return false;
    record.path = path;
    record.depth = depth;
    record.width = image.width();
    record.height = image.height();
    record.thumbnail = FitThumbnail(image, width, height);
    return true;
}

}  // namespace Thumbnails
