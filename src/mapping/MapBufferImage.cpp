// Map buffers in TGA files (our own writer) and in the formats of Qt's image writer.
#include "foundation/Diagnostics.h"
#include "mapping/MapBuffer.h"

#include <QImage>
#include <QSaveFile>

namespace MapExtraction {

namespace {

void Put16(unsigned char *at, unsigned value)
{
    at[0] = uint8_t(value & 0xFF);
    at[1] = uint8_t(value >> 8);
}

}  // namespace

bool MapBuffer::SaveTga(const QString &path) const
{
    // The format holds 8-bit samples in grey, BGR and BGRA texels, at most 65535 wide.
    if (m_eType != typeByte || (m_iChannelCount != 1 && m_iChannelCount != 3 && m_iChannelCount != 4)) {
        Log("A TGA file cannot hold a map of %u %s channels: %s not written\n", m_iChannelCount,
            m_eType == typeWord ? "16-bit" : m_eType == typeFloat ? "32-bit" : "8-bit", qPrintable(path));
        return false;
    }
    if (m_iWidth > 0xFFFF || m_iHeight > 0xFFFF) {
        Log("A TGA file cannot hold a map of %u x %u texels: %s not written\n", m_iWidth, m_iHeight, qPrintable(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        Log("Failed to create tga file %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    unsigned char header[18] = {};
    header[2] = m_iChannelCount == 1 ? 3 : 2;  // grey or true colour, uncompressed
    Put16(header + 12, m_iWidth);
    Put16(header + 14, m_iHeight);
    header[16] = uint8_t(m_iChannelCount * 8);
    header[17] = m_iChannelCount == 4 ? 8 : 0;  // alpha bits; origin bottom left
    file.write(reinterpret_cast<const char *>(header), sizeof header);

    // Bottom-up like the buffer: row 0 first. Colour texels go blue, green, red(, alpha).
    QByteArray row(qsizetype(RowBytes()), Qt::Uninitialized);
    for (unsigned y = 0; y < m_iHeight; ++y) {
        const unsigned char *from = Row(y);
        unsigned char *to = reinterpret_cast<unsigned char *>(row.data());
        for (unsigned x = 0; x < m_iWidth; ++x, from += m_iChannelCount, to += m_iChannelCount) {
            for (unsigned c = 0; c < m_iChannelCount; ++c)
                to[c] = from[c];
            if (m_iChannelCount >= 3)
                std::swap(to[0], to[2]);
        }
        file.write(row);
    }
    if (!file.commit()) {
        Log("Writing tga file %s failed: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

bool MapBuffer::SaveImage(const QString &path, const char *format) const
{
    if (m_iChannelCount != 1 && m_iChannelCount != 3 && m_iChannelCount != 4) {
        Log("An image file cannot hold a map of %u channels: %s not written\n", m_iChannelCount, qPrintable(path));
        return false;
    }
    // A fourth channel is alpha (a displacement kept with the normals).
    QImage image(int(m_iWidth), int(m_iHeight), m_iChannelCount == 4 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull() && m_iWidth && m_iHeight) {
        Log("No memory for the image of %s\n", qPrintable(path));
        return false;
    }
    for (unsigned y = 0; y < m_iHeight; ++y) {
        const unsigned char *from = Row(y);
        // Images run top down; buffer row 0 is the bottom.
        QRgb *to = reinterpret_cast<QRgb *>(image.scanLine(int(m_iHeight - 1 - y)));
        for (unsigned x = 0; x < m_iWidth; ++x, from += m_iChannelCount) {
            if (m_iChannelCount == 1)
                to[x] = qRgb(from[0], from[0], from[0]);
            else if (m_iChannelCount == 3)
                to[x] = qRgb(from[0], from[1], from[2]);
            else
                to[x] = qRgba(from[0], from[1], from[2], from[3]);
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, format) || !file.commit()) {
        Log("Writing image file %s failed: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

}  // namespace MapExtraction
