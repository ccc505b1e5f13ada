#include "scene/readers/TextReader.h"

#include <cstring>


TextReader::TextReader()
{
    if (!m_aBuffer.Reallocate(kBufferSize + 1))
        throw std::bad_alloc();
    Reset();
}

TextReader::~TextReader()
{
    if (m_pFile)
        std::fclose(m_pFile);
}

bool TextReader::Open(const char *path)
{
    if (m_pFile)
        std::fclose(m_pFile);
    m_pFile = std::fopen(path, "rb");
    if (!m_pFile)
        return false;
    // 64-bit offsets: meshes of several gigabytes are expected.
    if (fseeko(m_pFile, 0, SEEK_END) == 0) {
        const off_t size = ftello(m_pFile);
        m_iFileSize = size > 0 ? uint64_t(size) : 0;
    }
    return Rewind();
}

void TextReader::Reset()
{
    m_iPos = -1;
    m_iBufferSize = 0;
    m_iLineEnd = -1;
    m_iBufferOffset = 0;
    m_iLineNumber = 0;
    m_bEndedByCR = false;
    m_bEndOfFile = false;
    m_sError.clear();
    m_aBuffer.GetBuffer()[0] = 0;
}

bool TextReader::Rewind()
{
    Reset();
    return m_pFile && fseeko(m_pFile, 0, SEEK_SET) == 0;
}

bool TextReader::Refill(unsigned &scan)
{
    char *b = m_aBuffer.GetBuffer();
    const int32_t start = m_iPos;
    if (start > 0) {
        std::memmove(b, b + start, size_t(m_iBufferSize - start));
        m_iBufferSize -= start;
        scan -= unsigned(start);
        m_iBufferOffset += uint64_t(start);
        m_iPos = 0;
        m_iLineEnd = -1;
    }
    // One byte always stays free for the terminator of a last line without a line end.
    unsigned capacity = m_aBuffer.GetCapacity() - 1;
    if (unsigned(m_iBufferSize) == capacity) {
        if (capacity >= kMaxLineLength) {
            m_sError = QStringLiteral("Line %1 is longer than %2 bytes.").arg(m_iLineNumber + 1).arg(kMaxLineLength);
            return false;
        }
        if (!m_aBuffer.Reallocate(capacity * 2 + 1)) {
            m_sError = QStringLiteral("Not enough memory to read line %1.").arg(m_iLineNumber + 1);
            return false;
        }
        b = m_aBuffer.GetBuffer();
        capacity = m_aBuffer.GetCapacity() - 1;
    }
    const size_t read = std::fread(b + m_iBufferSize, 1, capacity - unsigned(m_iBufferSize), m_pFile);
    if (read == 0) {
        if (std::ferror(m_pFile))
            m_sError = QStringLiteral("The file could not be read after line %1.").arg(m_iLineNumber);
        m_bEndOfFile = true;
        return false;
    }
    m_iBufferSize += int32_t(read);
    return true;
}

bool TextReader::NextLine()
{
    if (!m_pFile || !m_sError.isEmpty())
        return false;
    if (m_iPos < 0) {
        m_iPos = 0;
    } else {
        if (m_iLineEnd < 0)  // the last line was delivered without a line end, or the end was reached
            return false;
        m_iPos = m_iLineEnd + 1;
    }
    char *b = m_aBuffer.GetBuffer();
    unsigned scan = unsigned(m_iPos);
    for (;;) {
        if (scan == unsigned(m_iBufferSize)) {
            if (!m_bEndOfFile && Refill(scan)) {
                b = m_aBuffer.GetBuffer();
                continue;
            }
            b = m_aBuffer.GetBuffer();
            m_iLineEnd = -1;
            // The spare byte terminates a last line that has no line end.
            b[scan] = 0;
            if (!m_sError.isEmpty() || scan == unsigned(m_iPos))
                return false;
            return Deliver();
        }
        char *const end = b + m_iBufferSize;
        if (b[scan] == '\n' && m_bEndedByCR && scan == unsigned(m_iPos)) {
            // The LF of a CR LF pair: the line it ends was delivered already.
            m_bEndedByCR = false;
            m_iPos = int32_t(++scan);
            continue;
        }
        m_bEndedByCR = false;
        char *stop = static_cast<char *>(std::memchr(b + scan, '\n', size_t(end - (b + scan))));
        if (!stop)
            stop = end;
        if (char *cr = static_cast<char *>(std::memchr(b + scan, '\r', size_t(stop - (b + scan)))))
            stop = cr;
        scan = unsigned(stop - b);
        if (stop == end)
            continue;
        m_bEndedByCR = *stop == '\r';
        *stop = 0;
        m_iLineEnd = int32_t(scan);
        return Deliver();
    }
}

bool TextReader::Deliver()
{
    const char *b = m_aBuffer.GetBuffer();
    if (++m_iLineNumber == 1 && uint8_t(b[m_iPos]) == 0xEF && uint8_t(b[m_iPos + 1]) == 0xBB &&
        uint8_t(b[m_iPos + 2]) == 0xBF)
        m_iPos += 3;
    return true;
}

