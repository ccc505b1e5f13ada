#include "foundation/images/ImageLimits.h"

#include <QCoreApplication>
#include <QFile>

#include <array>

namespace General {

namespace {

constexpr std::array<char, 8> kPngSignature{'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};

bool IsTextChunk(const char *type)
{
    return qstrncmp(type, "tEXt", 4) == 0 || qstrncmp(type, "zTXt", 4) == 0 || qstrncmp(type, "iTXt", 4) == 0;
}

// The PNG file without its text chunks, or an empty array when it is no PNG or has none
// (then it is read as it is). Only chunk headers are read until a text chunk is seen.
QByteArray PngWithoutText(const QString &fileName)
{
    QFile file(fileName);
    std::array<char, 8> head{};
    if (!file.open(QIODevice::ReadOnly) || file.read(head.data(), 8) != 8 || head != kPngSignature)
        return QByteArray();
    const auto chunkSize = [](const char *header) {
        const auto *b = reinterpret_cast<const uchar *>(header);
        return qint64((quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | b[3]) + 12;
    };
    bool text = false;
    while (!text && file.read(head.data(), 8) == 8) {
        text = IsTextChunk(head.data() + 4);
        if (!file.seek(file.pos() - 8 + chunkSize(head.data())))
            break;
    }
    if (!text || !file.seek(8))
        return QByteArray();
    QByteArray kept(kPngSignature.data(), 8);
    while (file.read(head.data(), 8) == 8) {
        const qint64 size = chunkSize(head.data());
        if (IsTextChunk(head.data() + 4)) {
            if (!file.seek(file.pos() - 8 + size))
                break;
            continue;
        }
        // A chunk cut short is kept as far as it goes: the decoder says what is wrong.
        kept.append(head.data(), 8);
        kept.append(file.read(std::min(size - 8, file.size() - file.pos())));
    }
    return kept;
}

}  // namespace

PictureReader::PictureReader(const QString &fileName) : m_bytes(PngWithoutText(fileName))
{
    if (m_bytes.isEmpty()) {
        m_reader.setFileName(fileName);
        return;
    }
    m_buffer.setData(m_bytes);
    m_buffer.open(QIODevice::ReadOnly);
    m_reader.setDevice(&m_buffer);
    m_reader.setFormat("png");
}

QSize DeclaredImageSize(const QString &fileName)
{
    PictureReader picture(fileName);
    return picture.Reader().size();
}

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
    PictureReader picture(fileName);
    QImageReader &reader = picture.Reader();
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
