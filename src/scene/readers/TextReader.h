#pragma once
// Reading of large text files in blocks of whole lines, with numbers parsed straight out
// of the block. A delivered line is terminated in place (its CR or LF becomes a zero), so
// the token readers stop at the zero without copying anything.
//
// Lines end at LF, CR or CR LF (one line each); a last line without a line end is still
// delivered, and a byte-order mark before the first line is skipped. A block is cut after
// a line end, never inside a CR LF pair, so that each block's lines can be split on their
// own (by several threads at once). A line longer than a block grows the block, up to
// kMaxLineLength; a longer one stops the reading with an error that names the line.

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

// A run of whole lines as TextReader::ReadBlock cuts it from the file.
struct TextBlock {
    // What ended the reading right after this block's lines.
    enum class Stop { None, LongLine, ReadFailed, NoMemory };

    std::vector<char> text;  // the lines, and one spare byte after them for a last terminator
    uint32_t size = 0;       // bytes of lines in text
    uint64_t offset = 0;     // file offset of text[0]
    Stop stop = Stop::None;
};

// The lines of one block, each terminated in place as it is taken.
class TextLines {
public:
    TextLines() = default;
    explicit TextLines(TextBlock &block);
    // The next line, or null after the last one.
    inline char *Next();

private:
    char *m_pNext = nullptr;
    char *m_pEnd = nullptr;
    bool m_bCR = false;         // the block holds a CR: lines may end at one
    bool m_bFileStart = false;  // the next line is the file's first (it may begin with a byte-order mark)
};

class TextReader {
public:
    static constexpr unsigned kBufferSize = 65536;
    static constexpr unsigned kMaxLineLength = 64u << 20;

    TextReader() = default;
    ~TextReader();
    TextReader(const TextReader &) = delete;
    TextReader &operator=(const TextReader &) = delete;

    // Opens the file; false when it cannot.
    bool Open(const char *path);
    bool IsOpen() const { return m_iFile >= 0; }
    uint64_t GetFileSize() const { return m_iFileSize; }
    // Starts over before the first line.
    bool Rewind();

    // Fills `block` with the next lines: about `chunk` bytes of them, more when one line
    // is longer. False when nothing is left; a block that ends the reading early says why
    // in its stop (its lines still count). Calls must not overlap; the block's lines may
    // then be split on any thread.
    bool ReadBlock(TextBlock &block, unsigned chunk);
    // Why the reading stopped, given how many lines were delivered before.
    static QString StopMessage(TextBlock::Stop stop, uint64_t linesBefore);

    // Line by line: makes the next line current; false at the end of the file or on an error.
    bool NextLine();
    // The reason NextLine stopped early; empty when it reached the end of the file.
    const QString &GetError() const { return m_sError; }
    // 1-based number of the current line.
    uint64_t GetLineNumber() const { return m_iLineNumber; }
    // Bytes of the file before the current read position.
    uint64_t Tell() const { return m_pPos ? m_cBlock.offset + uint64_t(m_pPos - m_cBlock.text.data()) : 0; }

    // The current read position inside the current line (a zero at its end).
    const char *Current() const { return m_pPos; }
    char Peek() const { return *m_pPos; }
    void Skip(int count) { m_pPos += count; }
    bool AtLineEnd() const { return Peek() == 0; }

    // Moves the read position to `position`, a place inside the current line.
    void SetCurrent(const char *position) { m_pPos = const_cast<char *>(position); }

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
    int m_iFile = -1;
    uint64_t m_iFileSize = 0;
    uint64_t m_iReadOffset = 0;   // file offset of the next byte to read
    std::vector<char> m_aCarry;   // the start of a line that the last block could not hold whole
    bool m_bEndOfFile = false;
    bool m_bStopped = false;      // a block ended the reading early
    // Line by line.
    TextBlock m_cBlock;
    TextLines m_cLines;
    char *m_pPos = nullptr;
    uint64_t m_iLineNumber = 0;
    QString m_sError;
};

inline char *TextLines::Next()
{
    if (m_pNext >= m_pEnd)
        return nullptr;
    char *line = m_pNext;
    char *stop = static_cast<char *>(std::memchr(line, '\n', size_t(m_pEnd - line)));
    if (!stop)
        stop = m_pEnd;
    if (m_bCR)
        if (char *cr = static_cast<char *>(std::memchr(line, '\r', size_t(stop - line))))
            stop = cr;
    m_pNext = stop + 1;
    // The LF of a CR LF pair belongs to the line the CR ended.
    if (stop < m_pEnd && *stop == '\r' && m_pNext < m_pEnd && *m_pNext == '\n')
        ++m_pNext;
    *stop = 0;
    if (m_bFileStart) {
        m_bFileStart = false;
        if (uint8_t(line[0]) == 0xEF && uint8_t(line[1]) == 0xBB && uint8_t(line[2]) == 0xBF)
            line += 3;
    }
    return line;
}

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
