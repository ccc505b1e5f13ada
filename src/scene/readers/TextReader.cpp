#include "scene/readers/TextReader.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

inline bool IsDigit(char c) { return unsigned(c - '0') < 10u; }

// Exact powers of ten in double precision; beyond them std::pow takes over.
constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double Scale(double value, int exponent)
{
    if (exponent >= 0)
        return exponent <= 22 ? value * kPowers[exponent] : value * std::pow(10.0, exponent);
    return exponent >= -22 ? value / kPowers[-exponent] : value * std::pow(10.0, exponent);
}

}  // namespace

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

int32_t TextReader::ReadInt()
{
    const char *b = m_aBuffer.GetBuffer();
    bool negative = false;
    if (b[m_iPos] == '+')
        ++m_iPos;
    else if (b[m_iPos] == '-') {
        negative = true;
        ++m_iPos;
    }
    int64_t value = 0;
    while (IsDigit(b[m_iPos])) {
        if (value <= int64_t(std::numeric_limits<int32_t>::max()) + 1)
            value = value * 10 + (b[m_iPos] - '0');
        ++m_iPos;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

float TextReader::ReadFloat()
{
    const char *b = m_aBuffer.GetBuffer();
    bool negative = false;
    if (b[m_iPos] == '-') {
        negative = true;
        ++m_iPos;
    } else if (b[m_iPos] == '+') {
        ++m_iPos;
    }
    // Up to 19 significant digits fit the 64-bit accumulator exactly; further integer
    // digits raise the exponent and further fraction digits are below float precision.
    constexpr uint64_t kFull = 1000000000000000000ull;
    uint64_t mantissa = 0;
    int exponent = 0;
    while (IsDigit(b[m_iPos])) {
        if (mantissa < kFull)
            mantissa = mantissa * 10 + uint64_t(b[m_iPos] - '0');
        else
            ++exponent;
        ++m_iPos;
    }
    if (b[m_iPos] == '.') {
        ++m_iPos;
        while (IsDigit(b[m_iPos])) {
            if (mantissa < kFull) {
                mantissa = mantissa * 10 + uint64_t(b[m_iPos] - '0');
                --exponent;
            }
            ++m_iPos;
        }
    }
    const char e = b[m_iPos];
    if ((e == 'e' || e == 'E') &&
        (IsDigit(b[m_iPos + 1]) || ((b[m_iPos + 1] == '-' || b[m_iPos + 1] == '+') && IsDigit(b[m_iPos + 2])))) {
        ++m_iPos;
        // Clamped so that the sum cannot overflow; anything this far out is 0 or infinite anyway.
        int32_t written = ReadInt();
        written = written > 100000 ? 100000 : written < -100000 ? -100000 : written;
        exponent += written;
    }
    const double value = mantissa ? Scale(double(mantissa), exponent) : 0.0;
    return float(negative ? -value : value);
}

void TextReader::ReadCorner(int32_t &p, int32_t &t, int32_t &n)
{
    const char *b = m_aBuffer.GetBuffer();
    p = ReadInt();
    t = n = 0;
    if (b[m_iPos] != '/')
        return;
    ++m_iPos;
    t = ReadInt();
    if (b[m_iPos] != '/')
        return;
    ++m_iPos;
    n = ReadInt();
}
