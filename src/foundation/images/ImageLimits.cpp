#include "foundation/images/ImageLimits.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <array>
#include <limits>

namespace General {

namespace {

constexpr std::array<char, 8> kPngSignature{'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};

bool IsTextChunk(const char *type)
{
    return qstrncmp(type, "tEXt", 4) == 0 || qstrncmp(type, "zTXt", 4) == 0 || qstrncmp(type, "iTXt", 4) == 0;
}

quint32 BigEndian(const char *bytes)
{
    const auto *b = reinterpret_cast<const uchar *>(bytes);
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | b[3];
}

// Room beyond the pixels for what a PNG may carry besides them (colour profiles, private
// chunks): no picture the program reads needs more.
constexpr qint64 kPngRoomBeyondPixels = 16LL << 20;

// The most a PNG of the size and sample layout its header declares can take: its rows
// unfiltered and stored uncompressed, twice over for interlacing and the chunks' framing,
// and the room beyond. -1 when the header cannot be read.
qint64 PngLengthBound(QFile &file)
{
    std::array<char, 25> ihdr{};
    if (!file.seek(8) || file.read(ihdr.data(), 25) != 25 || qstrncmp(ihdr.data() + 4, "IHDR", 4) != 0)
        return -1;
    const qint64 width = BigEndian(ihdr.data() + 8), height = BigEndian(ihdr.data() + 12);
    const int depth = uchar(ihdr[16]);
    int channels = 0;
    switch (uchar(ihdr[17])) {
    case 0: case 3: channels = 1; break;
    case 4: channels = 2; break;
    case 2: channels = 3; break;
    case 6: channels = 4; break;
    default: return -1;
    }
    if (depth < 1 || depth > 16 || width > (1LL << 31) || height > (1LL << 31))
        return -1;
    const qint64 rowBytes = (width * channels * depth + 7) / 8 + 1;
    return rowBytes > (1LL << 40) / std::max<qint64>(height, 1) ? std::numeric_limits<qint64>::max() / 2
                                                              : 2 * rowBytes * height + kPngRoomBeyondPixels;
}

}  // namespace

// A PNG file read through without its text chunks: chunk headers are read as they come and
// a text chunk is skipped by a seek, so no part of the file is held beyond what the decoder
// asks for. Seeking back starts the walk again from the signature.
class PngWithoutText : public QIODevice {
public:
    PngWithoutText(const QString &fileName, qint64 keptBytes) : m_file(fileName), m_kept(keptBytes) {}

    bool Open()
    {
        return m_file.open(QIODevice::ReadOnly) && Restart() && open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_kept; }
    bool seek(qint64 pos) override
    {
        if (pos < 0 || pos > m_kept || !QIODevice::seek(pos))
            return false;
        if (pos < m_at && !Restart())
            return false;
        while (m_at < pos) {
            if (m_left == 0 && !NextChunk())
                return false;
            const qint64 step = std::min(m_left, pos - m_at);
            if (!m_file.seek(m_file.pos() + step))
                return false;
            m_left -= step;
            m_at += step;
        }
        return true;
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        qint64 done = 0;
        while (done < maxSize && m_at < m_kept) {
            if (m_left == 0 && !NextChunk())
                break;
            const qint64 got = m_file.read(data + done, std::min(m_left, maxSize - done));
            if (got <= 0)
                break;
            done += got;
            m_left -= got;
            m_at += got;
        }
        return done;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    bool Restart()
    {
        m_at = 0;
        m_left = 8;  // the signature
        return m_file.seek(0);
    }
    // Past the text chunks at the file's position, to the next chunk that is kept. A chunk
    // cut short is kept as far as it goes: the decoder says what is wrong.
    bool NextChunk()
    {
        std::array<char, 8> head{};
        for (;;) {
            const qint64 at = m_file.pos();
            const qint64 got = m_file.read(head.data(), 8);
            if (got <= 0)
                return false;
            const qint64 whole = got < 8 ? got : qint64(BigEndian(head.data())) + 12;
            if (got == 8 && IsTextChunk(head.data() + 4)) {
                if (!m_file.seek(at + whole))
                    return false;
                continue;
            }
            m_left = std::min(whole, m_file.size() - at);
            return m_file.seek(at);
        }
    }

    QFile m_file;
    qint64 m_kept;
    qint64 m_at = 0;    // the position in the bytes kept
    qint64 m_left = 0;  // the bytes left of the chunk being read
};

PictureReader::PictureReader(const QString &fileName)
{
    QFile file(fileName);
    std::array<char, 8> head{};
    if (!file.open(QIODevice::ReadOnly) || file.read(head.data(), 8) != 8 || head != kPngSignature) {
        m_reader.setFileName(fileName);
        return;
    }
    // The length first: a file far longer than its pixels can take is refused unread.
    const qint64 bound = PngLengthBound(file);
    if (bound >= 0 && file.size() > bound) {
        m_refusal = QCoreApplication::translate(
                        "ImageLimits", "The picture %1 is %2 bytes long, far more than its pixels can take.")
                        .arg(fileName)
                        .arg(file.size());
        return;
    }
    // Only chunk headers are read, to learn whether any is text and what is left without it.
    bool text = false;
    qint64 kept = 8;
    for (qint64 at = 8; at < file.size();) {
        if (file.size() - at < 8 || !file.seek(at) || file.read(head.data(), 8) != 8) {
            kept += file.size() - at;  // too short for a header: kept for the decoder to refuse
            break;
        }
        const qint64 whole = qint64(BigEndian(head.data())) + 12;
        if (IsTextChunk(head.data() + 4))
            text = true;
        else
            kept += std::min(whole, file.size() - at);
        at += whole;
    }
    if (!text) {
        m_reader.setFileName(fileName);
        return;
    }
    m_device = std::make_unique<PngWithoutText>(fileName, kept);
    if (!m_device->Open()) {
        m_device.reset();
        m_reader.setFileName(fileName);
        return;
    }
    m_reader.setDevice(m_device.get());
    m_reader.setFormat("png");
}

PictureReader::~PictureReader() = default;
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
    if (!picture.Refusal().isEmpty()) {
        result.tooLarge = true;
        result.error = picture.Refusal();
        return result;
    }
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
