#pragma once
// Line-by-line reading of large text files through one buffer, with numbers parsed
// straight out of it. A delivered line is terminated in place (its CR or LF becomes a
// zero), so the token readers stop at the zero without copying anything.
//
// Lines end at LF, CR or CR LF (one line each); a last line without a line end is still
// delivered, and a byte-order mark before the first line is skipped. A line longer than
// the buffer grows the buffer, up to kMaxLineLength; a longer one stops the reading with
// an error that names the line.

#include "foundation/Containers.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

class TextReader {
public:
    static constexpr unsigned kBufferSize = 65536;
    static constexpr unsigned kMaxLineLength = 64u << 20;

    TextReader();
    ~TextReader();
    TextReader(const TextReader &) = delete;
    TextReader &operator=(const TextReader &) = delete;

    // Opens the file (binary, so that every line end is seen as written); false when it cannot.
    bool Open(const char *path);
    bool IsOpen() const { return m_pFile != nullptr; }
    uint64_t GetFileSize() const { return m_iFileSize; }
    // Starts over before the first line.
    bool Rewind();

    // Makes the next line current; false at the end of the file or on an error.
    bool NextLine();
    // The reason reading stopped early; empty when it reached the end of the file.
    const QString &GetError() const { return m_sError; }
    // 1-based number of the current line.
    uint64_t GetLineNumber() const { return m_iLineNumber; }
    // Bytes of the file before the current read position.
    uint64_t Tell() const { return m_iBufferOffset + uint64_t(m_iPos < 0 ? 0 : m_iPos); }

    // The current read position inside the current line (a zero at its end).
    const char *Current() const { return m_aBuffer.GetBuffer() + m_iPos; }
    char Peek() const { return m_aBuffer.GetBuffer()[m_iPos]; }
    void Skip(int count) { m_iPos += count; }
    bool AtLineEnd() const { return Peek() == 0; }

    // Moves the read position to `position`, a place inside the current line.
    void SetCurrent(const char *position) { m_iPos = int32_t(position - m_aBuffer.GetBuffer()); }

    void SkipBlanks()
    {
        const char *c = Current();
        SkipBlanks(c);
        SetCurrent(c);
    }
    int32_t ReadInt()
    {
        const char *c = Current();
        const int32_t value = ParseInt(c);
        SetCurrent(c);
        return value;
    }
    float ReadFloat()
    {
        const char *c = Current();
        const float value = ParseFloat(c);
        SetCurrent(c);
        return value;
    }
    void ReadCorner(int32_t &p, int32_t &t, int32_t &n)
    {
        const char *c = Current();
        ParseCorner(c, p, t, n);
        SetCurrent(c);
    }

    // The token readers work on a cursor into the current line, which they advance; the
    // hot loops of the importers keep the cursor in a register this way.
    static bool IsDigit(char c) { return unsigned(c - '0') < 10u; }
    static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
    static void SkipBlanks(const char *&c)
    {
        while (IsBlank(*c))
            ++c;
    }
    // An optional sign and decimal digits; 0 when no digit follows (nothing more consumed).
    // Values beyond the 32-bit range saturate.
    static inline int32_t ParseInt(const char *&c);
    // An optional sign, digits with an optional fraction, and an optional exponent (e or E).
    // Digits past the 19th significant one only scale the value. 0 when no number follows.
    static inline float ParseFloat(const char *&c);
    // One face corner: p, p/t, p/t/n or p//n, with no blanks inside. A missing or empty
    // field reads as 0, which no valid index has.
    static inline void ParseCorner(const char *&c, int32_t &p, int32_t &t, int32_t &n);
    // Steps over the rest of a corner (slashes, signs and digits).
    static void SkipCornerRest(const char *&c)
    {
        while (*c == '/' || IsDigit(*c) || *c == '-' || *c == '+')
            ++c;
    }

private:
    void Reset();
    // Moves the unread tail to the front and reads more; false when nothing was added.
    bool Refill(unsigned &scan);
    // Counts the line that now stands at m_iPos and steps over a leading byte-order mark.
    bool Deliver();

    std::FILE *m_pFile = nullptr;
    uint64_t m_iFileSize = 0;
    General::Array<char> m_aBuffer{"textreader buffer"};
    int32_t m_iPos = -1;            // current read position; -1 before the first line
    int32_t m_iBufferSize = 0;      // valid bytes in the buffer
    int32_t m_iLineEnd = -1;        // the terminator of the current line
    uint64_t m_iBufferOffset = 0;   // file offset of the buffer's first byte
    uint64_t m_iLineNumber = 0;
    bool m_bEndedByCR = false;      // the current line ended with CR: an LF right after belongs to it
    bool m_bEndOfFile = false;
    QString m_sError;
};

// value × 10^exponent, exact powers of ten where double precision holds them.
inline double ScaleByPowerOfTen(double value, int exponent)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (exponent >= 0)
        return exponent <= 22 ? value * kPowers[exponent] : value * std::pow(10.0, exponent);
    return exponent >= -22 ? value / kPowers[-exponent] : value * std::pow(10.0, exponent);
}

inline int32_t TextReader::ParseInt(const char *&c)
{
    bool negative = false;
    if (*c == '+')
        ++c;
    else if (*c == '-') {
        negative = true;
        ++c;
    }
    int64_t value = 0;
    // Past the 32-bit range the value only saturates, so the accumulator cannot overflow.
    for (; IsDigit(*c); ++c)
        if (value <= std::numeric_limits<int32_t>::max())
            value = value * 10 + (*c - '0');
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

inline float TextReader::ParseFloat(const char *&c)
{
    bool negative = false;
    if (*c == '-') {
        negative = true;
        ++c;
    } else if (*c == '+') {
        ++c;
    }
    // Up to 19 significant digits fit the 64-bit accumulator exactly; further integer
    // digits raise the exponent and further fraction digits are below float precision.
    constexpr uint64_t kFull = 1000000000000000000ull;
    uint64_t mantissa = 0;
    int exponent = 0;
    for (; IsDigit(*c); ++c) {
        if (mantissa < kFull)
            mantissa = mantissa * 10 + uint64_t(*c - '0');
        else
            ++exponent;
    }
    if (*c == '.') {
        for (++c; IsDigit(*c); ++c)
            if (mantissa < kFull) {
                mantissa = mantissa * 10 + uint64_t(*c - '0');
                --exponent;
            }
    }
    if ((*c == 'e' || *c == 'E') && (IsDigit(c[1]) || ((c[1] == '-' || c[1] == '+') && IsDigit(c[2])))) {
        ++c;
        // Clamped so that the sum cannot overflow; anything this far out is 0 or infinite anyway.
        int32_t written = ParseInt(c);
        written = written > 100000 ? 100000 : written < -100000 ? -100000 : written;
        exponent += written;
    }
    const double value = mantissa ? ScaleByPowerOfTen(double(mantissa), exponent) : 0.0;
    return float(negative ? -value : value);
}

inline void TextReader::ParseCorner(const char *&c, int32_t &p, int32_t &t, int32_t &n)
{
    p = ParseInt(c);
    t = n = 0;
    if (*c != '/')
        return;
    ++c;
    t = ParseInt(c);
    if (*c != '/')
        return;
    ++c;
    n = ParseInt(c);
}
