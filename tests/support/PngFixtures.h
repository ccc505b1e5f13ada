#pragma once
// PNG files written byte by byte, for the picture readers' bounds: chunks with their CRC,
// a picture whose header declares a size, and one far longer than its pixels.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace testsupport {

inline QByteArray BigEndian(quint32 v)
{
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

inline QByteArray PngChunk(const char *type, const QByteArray &data)
{
    QByteArray body = QByteArray(type, 4) + data;
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : body) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return BigEndian(quint32(data.size())) + body + BigEndian(crc ^ 0xFFFFFFFFu);
}

// The signature and the header of an 8-bit picture (`colourType` 0 grey, 6 RGBA).
inline QByteArray PngStart(quint32 width, quint32 height, char colourType)
{
    return QByteArray::fromHex("89504e470d0a1a0a") +
           PngChunk("IHDR", BigEndian(width) + BigEndian(height) + QByteArray(1, '\x08') + QByteArray(1, colourType) +
                                QByteArray(3, '\0'));
}

// An RGBA picture of `side` x `side` black pixels: a few kilobytes that decode to side² x 4 bytes.
inline bool WriteLargePng(const QString &fileName, int side)
{
    const QByteArray rows(qsizetype(side) * (1 + 4 * qsizetype(side)), '\0');
    QFile out(fileName);
    return out.open(QIODevice::WriteOnly) &&
           out.write(PngStart(quint32(side), quint32(side), '\x06') + PngChunk("IDAT", qCompress(rows, 9).mid(4)) +
                     PngChunk("IEND", QByteArray())) > 0;
}

// An 8 x 8 grey picture with a small text chunk and, before its pixels, a private chunk of
// `privateBytes` (written as a hole: the file is that long without taking the disk).
inline bool WriteLongPng(const QString &fileName, qint64 privateBytes)
{
    QFile out(fileName);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(PngStart(8, 8, '\0') + PngChunk("tEXt", QByteArray("Comment\0hi", 10)));
    out.write(BigEndian(quint32(privateBytes)) + "prVt");
    if (!out.seek(out.pos() + privateBytes + 4))
        return false;
    const QByteArray rows(8 * 9, '\0');
    return out.write(PngChunk("IDAT", qCompress(rows).mid(4)) + PngChunk("IEND", QByteArray())) > 0;
}

}  // namespace testsupport
