#pragma once
// Little-endian bytes of a stored record, written field by field from the record's table,
// so that a test compares our reader and writer with the format rather than with each other.
#include <QByteArray>

#include <cstdint>
#include <cstring>

class Bytes {
public:
    Bytes &I32(int32_t v) { return Raw(&v, 4); }
    Bytes &U8(uint8_t v) { return Raw(&v, 1); }
    Bytes &F32(float v) { return Raw(&v, 4); }
    // A stream string: 4-byte length, then the bytes.
    Bytes &Str(const char *text)
    {
        I32(int32_t(std::strlen(text)));
        m_Bytes.append(text);
        return *this;
    }
    Bytes &Raw(const void *data, int size)
    {
        m_Bytes.append(static_cast<const char *>(data), size);
        return *this;
    }
    Bytes &Append(const QByteArray &bytes)
    {
        m_Bytes.append(bytes);
        return *this;
    }
    const QByteArray &Get() const { return m_Bytes; }

private:
    QByteArray m_Bytes;
};

#include "support/StreamAtVersion.h"
#include "support/TempDir.h"

#include <memory>

// The record as our writer makes it at version v in the file `path`, without the stream header.
template <class Record>
QByteArray WrittenAt(Record &record, int v, const QString &path)
{
    {
        StreamAtVersion stream(path, v);
        if (!record.Serialize(stream))
            return QByteArray("refused");
    }
    return TempDir::Read(path).mid(4);
}

// A loading stream on the header of version v followed by the record's bytes.
inline std::unique_ptr<Stream> ReadingAt(int v, const QByteArray &record, const QString &path)
{
    TempDir::Write(path, Bytes().I32(v).Get() + record);
    return std::make_unique<Stream>(path, false);
}
