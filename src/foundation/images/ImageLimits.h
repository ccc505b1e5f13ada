#pragma once
// How large a picture may say it is before any of it is decoded. A file of a few hundred
// bytes can declare billions of pixels; its header is read first and the size refused
// there, so that neither time nor memory goes into decoding it.

#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QString>

#include <memory>

namespace General {

// Pictures that are scaled down as they load (stamps and stencils to 1024 x 1024, the
// browser's thumbnails) but must be decoded whole first: 4096 x 4096. A PNG of some
// 100 kB can declare that much; decoding it whole costs about a second.
constexpr qint64 kMaxScaledPixels = 4096LL * 4096;
// The same pictures where the decoder scales as it reads (JPEG, at an eighth of the side
// at most): 8192 x 8192, what any photograph holds.
constexpr qint64 kMaxScaledReadPixels = 8192LL * 8192;
// Pictures kept at their size: as many pixels of 4 bytes as Qt's image allocation limit
// allows (QImageReader::allocationLimit, 256 MB unless changed).
qint64 MaxImagePixels();

// The message for a picture whose declared size passes the bound.
QString ImageTooLarge(const QString &fileName, qint64 width, qint64 height);

class PngWithoutText;

// Qt's reader of a picture file that never sees a PNG's text chunks: a compressed one of a
// few kilobytes can inflate to hundreds of megabytes, read (twice) even for the size alone,
// and the pictures need none of them. A PNG with text is read through a device that skips
// them as it goes. A PNG longer than the pixels its header declares could take is refused
// before any of it is read (Refusal() says so, naming the file; the reader then reads nothing).
class PictureReader {
public:
    explicit PictureReader(const QString &fileName);
    ~PictureReader();
    PictureReader(const PictureReader &) = delete;
    PictureReader &operator=(const PictureReader &) = delete;

    QImageReader &Reader() { return m_reader; }
    const QString &Refusal() const { return m_refusal; }

private:
    std::unique_ptr<PngWithoutText> m_device;
    QImageReader m_reader;
    QString m_refusal;
};

// The size a picture file declares (invalid when its header cannot be read).
QSize DeclaredImageSize(const QString &fileName);

struct BoundedImage {
    QImage image;       // null when refused or unreadable
    QSize declared;     // the size in the file, when its header tells it
    int depth = 0;      // bits per pixel of the decoded picture
    bool tooLarge = false;
    QString error;      // why the image is null, naming the file
};

// Reads `fileName` through Qt's readers: a picture larger than `fit` (when valid) in either
// direction is decoded at `fit` (`keepAspect`: fitting within it) where the decoder scales
// as it reads, and at its own size otherwise (the caller scales it). A declared size past
// `maxPixels` (kMaxScaledReadPixels when decoded scaled) is refused before decoding.
BoundedImage ReadBoundedImage(const QString &fileName, qint64 maxPixels, const QSize &fit = QSize(),
                              bool keepAspect = false);

}  // namespace General
