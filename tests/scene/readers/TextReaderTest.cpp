#include "scene/readers/TextReader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

#include <climits>
#include <string>
#include <vector>

namespace {

// Every line of `bytes` as the reader delivers it, with its line number.
struct Lines {
    std::vector<std::string> text;
    std::vector<uint64_t> numbers;
    QString error;
};

Lines ReadLines(const QByteArray &bytes)
{
    TempDir dir;
    const QString path = dir.File("lines.txt");
    TempDir::Write(path, bytes);
    TextReader reader;
    EXPECT_TRUE(reader.Open(QFile::encodeName(path).constData()));
    Lines lines;
    while (reader.NextLine()) {
        lines.text.emplace_back(reader.Current());
        lines.numbers.push_back(reader.GetLineNumber());
    }
    lines.error = reader.GetError();
    return lines;
}

// Opens a one-line file so that the token readers can be run on `text`.
class OneLine {
public:
    explicit OneLine(const char *text)
    {
        const QString path = m_dir.File("line.txt");
        TempDir::Write(path, QByteArray(text) + "\n");
        EXPECT_TRUE(reader.Open(QFile::encodeName(path).constData()));
        EXPECT_TRUE(reader.NextLine());
    }
    std::string Rest() const { return reader.Current(); }
    TextReader reader;

private:
    TempDir m_dir;
};

}  // namespace

TEST(TextReader, FloatsParseInPlaceAndStopAtTheFirstByteThatIsNoPartOfTheNumber)
{
    struct Case {
        const char *text;
        float value;
        const char *rest;
    };
    const Case cases[] = {
        {"12.5", 12.5f, ""},
        {"-0.25 x", -0.25f, " x"},
        {"1e3", 1000.0f, ""},
        {"1.5e-2", 0.015f, ""},
        {"1E3", 1000.0f, ""},           // upper-case exponents, as some writers print them
        {"+2", 2.0f, ""},
        {".5", 0.5f, ""},
        {"5./", 5.0f, "/"},
        {"1e", 1.0f, "e"},              // no exponent digits: the e is not part of the number
        {"2e+x", 2.0f, "e+x"},
        {"abc", 0.0f, "abc"},
        // Far more digits than 64 bits hold, in the fraction and in the integer part.
        {"0.1234567890123456789012345678", 0.12345679f, ""},
        {"123456789012345678901234567890", 1.2345679e29f, ""},
        {"0.000000000000000000000000000012345", 1.2345e-29f, ""},
        {"1e99999999999", INFINITY, ""},
    };
    for (const Case &c : cases) {
        OneLine line(c.text);
        const float value = line.reader.ReadFloat();
        EXPECT_FLOAT_EQ(value, c.value) << c.text;
        EXPECT_EQ(line.Rest(), c.rest) << c.text;
    }
}

TEST(TextReader, IntegersTakeASignAndSaturateInsteadOfOverflowing)
{
    struct Case {
        const char *text;
        int32_t value;
        const char *rest;
    };
    const Case cases[] = {
        {"+2", 2, ""},   {"-17/", -17, "/"}, {"x", 0, "x"},
        {"99999999999999999999", INT_MAX, ""}, {"-99999999999", INT_MIN, ""},
    };
    for (const Case &c : cases) {
        OneLine line(c.text);
        EXPECT_EQ(line.reader.ReadInt(), c.value) << c.text;
        EXPECT_EQ(line.Rest(), c.rest) << c.text;
    }
}

TEST(TextReader, CornersReadAMissingOrEmptyFieldAsZero)
{
    struct Case {
        const char *text;
        int32_t p, t, n;
    };
    const Case cases[] = {
        {"7", 7, 0, 0}, {"7/3", 7, 3, 0}, {"7/3/9", 7, 3, 9}, {"7//9", 7, 0, 9}, {"-1/-2/-3", -1, -2, -3},
    };
    for (const Case &c : cases) {
        OneLine line(c.text);
        int32_t p, t, n;
        line.reader.ReadCorner(p, t, n);
        EXPECT_EQ(std::vector<int32_t>({p, t, n}), std::vector<int32_t>({c.p, c.t, c.n})) << c.text;
        EXPECT_TRUE(line.reader.AtLineEnd()) << c.text;
    }
}

TEST(TextReader, EveryKindOfLineEndEndsOneLine)
{
    struct Case {
        const char *name;
        QByteArray bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"LF", "a\nb\n", {"a", "b"}},
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"CR", "a\rb\r", {"a", "b"}},
        {"empty lines stay", "a\n\r\n\nb\n", {"a", "", "", "b"}},
        {"last line without a line end", "a\nlast", {"a", "last"}},
        {"byte-order mark", "\xEF\xBB\xBFv 1\nv 2\n", {"v 1", "v 2"}},
        {"empty file", "", {}},
    };
    for (const Case &c : cases) {
        const Lines lines = ReadLines(c.bytes);
        EXPECT_EQ(lines.text, c.lines) << c.name;
        EXPECT_TRUE(lines.error.isEmpty()) << c.name;
    }
}

TEST(TextReader, LinesAcrossBufferEndsAndLongerThanTheBufferComeWhole)
{
    // A CR LF pair split by the end of the first buffer, then a line of 200 KiB.
    QByteArray bytes(int(TextReader::kBufferSize) - 1, 'x');
    bytes += "\r\nshort\r\n";
    const QByteArray longLine(200 * 1024, 'y');
    bytes += longLine + "\nend";
    const Lines lines = ReadLines(bytes);
    ASSERT_EQ(lines.text.size(), 4u);
    EXPECT_EQ(lines.text[0].size(), TextReader::kBufferSize - 1);
    EXPECT_EQ(lines.text[1], "short");
    EXPECT_EQ(lines.text[2], longLine.toStdString());
    EXPECT_EQ(lines.text[3], "end");
    EXPECT_EQ(lines.numbers, (std::vector<uint64_t>{1, 2, 3, 4}));
    EXPECT_TRUE(lines.error.isEmpty());
}

TEST(TextReader, RewindStartsOverAndTellFollowsTheLines)
{
    TempDir dir;
    const QString path = dir.File("rewind.txt");
    TempDir::Write(path, "first\nsecond\n");
    TextReader reader;
    ASSERT_TRUE(reader.Open(QFile::encodeName(path).constData()));
    EXPECT_EQ(reader.GetFileSize(), 13u);
    while (reader.NextLine()) {
    }
    EXPECT_FALSE(reader.NextLine());
    ASSERT_TRUE(reader.Rewind());
    ASSERT_TRUE(reader.NextLine());
    EXPECT_STREQ(reader.Current(), "first");
    ASSERT_TRUE(reader.NextLine());
    EXPECT_EQ(reader.Tell(), 6u);
    EXPECT_EQ(reader.GetLineNumber(), 2u);
}

TEST(TextReader, AMissingFileDoesNotOpen)
{
    TextReader reader;
    EXPECT_FALSE(reader.Open("/nonexistent/folder/file.obj"));
    EXPECT_FALSE(reader.NextLine());
}
