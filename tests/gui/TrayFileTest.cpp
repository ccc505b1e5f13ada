#include "gui/trays/TrayFile.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using GUI::TrayLine;

bool Same(const TrayLine &a, const TrayLine &b)
{
    return a.type == b.type && a.name == b.name && a.icon == b.icon && a.label == b.label;
}

TEST(TrayFile, FieldsWithSeparatorsLineFeedsAndEscapesComeBackWhole)
{
    const std::vector<TrayLine> lines = {
        {"Tool", "Soft;Hard", "Icons/tool_sculpting.png", "two\nlines"},
        {"Stamp", "C:\\stamps\\a;b.png", "C:\\stamps\\a;b.png", ""},
        {"Falloff", "3", "", "\\s is not a ;"},
        {"Tool", "Grüße\r\n", "", "ä"},
    };
    const QByteArray bytes = GUI::FormatTrayFile(lines);
    EXPECT_TRUE(bytes.startsWith(QByteArray(GUI::TrayFileMarker()) + '\n'));
    // One line per item after the marker: nothing inside a field breaks a line.
    EXPECT_EQ(bytes.count('\n'), 1 + int(lines.size()));
    const std::vector<TrayLine> back = GUI::ParseTrayFile(bytes);
    ASSERT_EQ(back.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(Same(back[i], lines[i])) << i;
}

TEST(TrayFile, UnmarkedFilesAreReadAsTheOlderPlainForm)
{
    struct Case {
        const char *what;
        QByteArray bytes;
        std::vector<TrayLine> expected;
    };
    const Case cases[] = {
        {"a last line without its line feed", "Tool;Soft;Icons/tool_sculpting.png;Soft\nFalloff;2;;2",
         {{"Tool", "Soft", "Icons/tool_sculpting.png", "Soft"}, {"Falloff", "2", "", "2"}}},
        {"carriage returns of a text-mode file", "Stamp;OFF;icons\\Off.png;\r\n",
         {{"Stamp", "OFF", "icons\\Off.png", ""}}},
        {"a ';' in a name shifts the rest, backslashes stay", "Tool;A;B;x\\s;extra\n",
         {{"Tool", "A", "B", "x\\s"}}},
        {"valid UTF-8 is read as UTF-8", "Tool;Gr\xc3\xbc\xc3\x9f\x65;;\n",
         {{"Tool", QString::fromUtf8("Grüße"), "", ""}}},
        {"anything else as Latin-1", "Tool;Gr\xfc\xdf\x65;;\n", {{"Tool", QString::fromUtf8("Grüße"), "", ""}}},
        {"a line without ';' names no kind", "Tool\n", {{"Tool\n", "", "", ""}}},
        {"empty lines add nothing", "\n\nFalloff;1;;1\n\n", {{"Falloff", "1", "", "1"}}},
        {"an empty file", "", {}},
    };
    for (const Case &c : cases) {
        const std::vector<TrayLine> back = GUI::ParseTrayFile(c.bytes);
        ASSERT_EQ(back.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < back.size(); ++i)
            EXPECT_TRUE(Same(back[i], c.expected[i])) << c.what << " line " << i << ": " << back[i].type.toStdString()
                                                      << "|" << back[i].name.toStdString();
    }
}

TEST(TrayFile, IsWrittenWholeIntoTheLowerCaseTraysFolder)
{
    TempDir dir;
    const QString path = GUI::TrayFilePath(dir.Path(), QStringLiteral("My Tools"));
    EXPECT_EQ(path, dir.Path() + QStringLiteral("/trays/My Tools.txt"));
    ASSERT_TRUE(GUI::WriteTrayFile(path, {{"Tool", "Soft", "", "Soft"}}));
    EXPECT_EQ(GUI::ReadTrayFile(path).size(), 1u);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.Path() + QStringLiteral("/trays")).entryList(QDir::Files).size(), 1);
    // A folder where the file should be: refused, nothing written.
    QDir().mkpath(GUI::TrayFilePath(dir.Path(), QStringLiteral("Blocked")));
    EXPECT_FALSE(GUI::WriteTrayFile(GUI::TrayFilePath(dir.Path(), QStringLiteral("Blocked")), {}));
    EXPECT_TRUE(GUI::ReadTrayFile(dir.File("missing.txt")).empty());
}

TEST(TrayFile, FilesPastTheBoundsOrNotRegularAreRefusedWithTheirName)
{
    TempDir dir;
    const QString fifo = dir.File("fifo.txt"), huge = dir.File("huge.txt"), many = dir.File("many.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    TempDir::Write(huge, "");
    ASSERT_EQ(::truncate(QFile::encodeName(huge).constData(), 2LL << 30), 0);
    // 20,000 tools in a file well under the size bound.
    TempDir::Write(many, QByteArray("T;a\n").repeated(20000));
    for (const QString &path : {fifo, huge, many}) {
        SCOPED_TRACE(path.toStdString());
        QString error;
        EXPECT_TRUE(GUI::ReadTrayFile(path, &error).empty());
        EXPECT_TRUE(error.contains(path));
    }
}

TEST(TrayFile, AFailedWriteKeepsTheOldFileAndALinkIsFollowedOnlyToARegularFile)
{
    TempDir dir;
    const QString path = GUI::TrayFilePath(dir.Path(), QStringLiteral("Tools"));
    ASSERT_TRUE(GUI::WriteTrayFile(path, {{"Tool", "Soft", "", "Soft"}}));
    const QByteArray old = TempDir::Read(path);
    {
        const FileSizeLimit full(8);
        QString error;
        EXPECT_FALSE(GUI::WriteTrayFile(path, {{"Tool", "Hard", "", "Hard"}}, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(TempDir::Read(path), old);

    const QString real = dir.File("real.txt");
    QFile::rename(path, real);
    ASSERT_TRUE(QFile::link(real, path));
    ASSERT_TRUE(GUI::WriteTrayFile(path, {{"Tool", "Hard", "", "Hard"}}));
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(GUI::ReadTrayFile(real).front().name, QStringLiteral("Hard"));

    const QString fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    QFile::remove(path);
    ASSERT_TRUE(QFile::link(fifo, path));
    EXPECT_FALSE(GUI::WriteTrayFile(path, {}));
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
}

TEST(TrayNames, NamesThatWouldMisplaceOrLoseTheFileAreRefused)
{
    for (const char *name : {"", " ", "a/b", "..", ".", "My.Tools", "a\\b", "tab\there"})
        EXPECT_FALSE(GUI::IsValidTrayName(QString::fromLatin1(name))) << name;
    for (const char *name : {"Custom", "My Tools", "Camera Bookmark", "Custom 2"})
        EXPECT_TRUE(GUI::IsValidTrayName(QString::fromLatin1(name))) << name;
    EXPECT_EQ(GUI::TrayNameOfFile(QStringLiteral("My Tools.txt.bak")), QStringLiteral("My Tools"));
}

}  // namespace
