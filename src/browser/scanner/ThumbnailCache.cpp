#include "browser/scanner/ThumbnailCache.h"

#include "foundation/images/ImageLimits.h"
#include "foundation/images/QTvImage.h"
#include "platform/WholeFiles.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace Thumbnails {

namespace {

const QString kSizeKey = QStringLiteral("SourceSize");
const QString kTimeKey = QStringLiteral("SourceTime");
// A cached thumbnail is a small PNG: a file past this is not one of ours.
constexpr qint64 kMaxCacheFileBytes = 4 << 20;

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
    // Another program may have put anything there: only a regular file of a thumbnail's size.
    const SmallFile bytes = ReadSmallFile(CacheFilePath(file), kMaxCacheFileBytes);
    QImage cached;
    if (bytes.outcome != SmallFile::Read || !cached.loadFromData(bytes.bytes, "PNG"))
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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    return buffer.open(QIODevice::WriteOnly) && stamped.save(&buffer, "PNG") &&
           SaveWholeFile(CacheFilePath(file), bytes, nullptr, false);
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
    // Only the thumbnail is wanted: decoded at its size where the reader can.
    General::BoundedImage read = General::ReadBoundedImage(path, General::kMaxScaledPixels, QSize(width, height), true);
    if (read.tooLarge)
        return false;
    QImage image = std::move(read.image);
    int depth = read.depth;
    QSize declared = read.declared;
    if (image.isNull()) {
        // Formats only the program's own reader knows (deep and float TIFFs).
        QTvImage loaded;
        if (!loaded.Load(path, false) || !loaded.GetImage())
            return false;
        image = *loaded.GetImage();
        depth = loaded.GetBitDepth();
        declared = image.size();
    }
    if (image.isNull())
        return false;
    record.path = path;
    record.depth = depth;
    record.width = declared.width();
    record.height = declared.height();
    record.thumbnail = FitThumbnail(image, width, height);
    return true;
}

}  // namespace Thumbnails
