#pragma once
// How large a picture may say it is before any of it is decoded. A file of a few hundred
// bytes can declare billions of pixels; its header is read first and the size refused
// there, so that neither time nor memory goes into decoding it.

#include <QImage>
#include <QSize>
#include <QString>

namespace General {

// Pictures that are scaled down as they load (stamps and stencils to 1024 x 1024, the
// browser's thumbnails): 8192 x 8192, what any photograph or painted map holds.
constexpr qint64 kMaxScaledPixels = 8192LL * 8192;
// Pictures kept at their size: as many pixels of 4 bytes as Qt's image allocation limit
// allows (QImageReader::allocationLimit, 256 MB unless changed).
qint64 MaxImagePixels();

// The message for a picture whose declared size passes the bound.
QString ImageTooLarge(const QString &fileName, qint64 width, qint64 height);

// Reads `fileName` through Qt's readers: a declared size past `maxPixels` is refused before
// decoding; a picture larger than `fit` (when valid) in either direction is decoded at
// `fit` (`keepAspect`: fitting within it) where the decoder scales as it reads, and at
// its own size otherwise (the caller scales it).
// `declared` (optional) gets the size in the file and `depth` (optional) its bits per
// pixel. A null image, with `error` set, when the file is refused or unreadable.
QImage ReadBoundedImage(const QString &fileName, qint64 maxPixels, const QSize &fit, bool keepAspect,
                        QString *error = nullptr, QSize *declared = nullptr, int *depth = nullptr);

}  // namespace General
