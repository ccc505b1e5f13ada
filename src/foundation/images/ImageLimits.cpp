#include "foundation/images/ImageLimits.h"

#include <QCoreApplication>
#include <QImageReader>

namespace General {

qint64 MaxImagePixels()
{
    const qint64 megabytes = QImageReader::allocationLimit();
    // No limit set: the default's worth.
    return (megabytes > 0 ? megabytes : 256) * 1024 * 1024 / 4;
}

QString ImageTooLarge(const QString &fileName, qint64 width, qint64 height)
{
    return QCoreApplication::translate("ImageLimits", "The picture %1 declares %2 x %3 pixels, more than can be read.")
        .arg(fileName)
        .arg(width)
        .arg(height);
}

BoundedImage ReadBoundedImage(const QString &fileName, qint64 maxPixels, const QSize &fit, bool keepAspect)
{
    BoundedImage result;
    QImageReader reader(fileName);
    const QSize size = reader.size();
    result.declared = size;
    // Only where the decoder itself scales as it reads (JPEG): the other readers that take
    // a size decode the whole picture anyway and then filter it unlike the callers' scaling.
    const bool scaled = fit.isValid() && size.isValid() &&
                        (size.width() > fit.width() || size.height() > fit.height()) && reader.format() == "jpeg";
    if (size.isValid() && qint64(size.width()) * size.height() > (scaled ? kMaxScaledReadPixels : maxPixels)) {
        result.tooLarge = true;
        result.error = ImageTooLarge(fileName, size.width(), size.height());
        return result;
    }
    if (scaled)
        reader.setScaledSize(keepAspect ? size.scaled(fit, Qt::KeepAspectRatio) : fit);
    result.image = reader.read();
    if (result.image.isNull()) {
        result.error = QCoreApplication::translate("ImageLimits", "The picture %1 cannot be read: %2")
                           .arg(fileName, reader.errorString());
        return result;
    }
    if (!size.isValid())
        result.declared = result.image.size();
    result.depth = result.image.depth();
    return result;
}

}  // namespace General
