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

QImage ReadBoundedImage(const QString &fileName, qint64 maxPixels, const QSize &fit, bool keepAspect, QString *error,
                        QSize *declared, int *depth)
{
    QImageReader reader(fileName);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > maxPixels) {
        if (error)
            *error = ImageTooLarge(fileName, size.width(), size.height());
        return QImage();
    }
    // Only where the decoder itself scales as it reads (JPEG): the other readers that take
    // a size decode the whole picture anyway and then filter it unlike the callers' scaling.
    if (fit.isValid() && size.isValid() && (size.width() > fit.width() || size.height() > fit.height()) &&
        reader.format() == "jpeg")
        reader.setScaledSize(keepAspect ? size.scaled(fit, Qt::KeepAspectRatio) : fit);
    QImage image = reader.read();
    if (image.isNull()) {
        if (error)
            *error = QCoreApplication::translate("ImageLimits", "The picture %1 cannot be read: %2")
                         .arg(fileName, reader.errorString());
        return image;
    }
    if (declared)
        *declared = size.isValid() ? size : image.size();
    if (depth)
        *depth = image.depth();
    return image;
}

}  // namespace General
