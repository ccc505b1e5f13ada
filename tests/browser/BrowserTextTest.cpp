// The browser's texts, folder steps and bookmarks file, without a window.

#include "browser/BrowserText.h"

#include <gtest/gtest.h>

using namespace Browser;

TEST(BrowserText, SizesAndZoomsArePaddedToSixCharacters)
{
    const struct {
        qint64 bytes;
        const char *text;
    } sizes[] = {{2000000, "  1.91M"}, {512, "  0.50K"}, {0, "  0.00K"}, {1048575, "1024.00K"},
                 {1048576, "  1.00M"}, {1073741824, "1.07374e+09"}};
    for (const auto &s : sizes)
        EXPECT_EQ(SizeText(s.bytes), QLatin1String(s.text)) << s.bytes;
    EXPECT_EQ(ZoomText(1.0), QStringLiteral("100.00"));
    EXPECT_EQ(ZoomText(0.5), QStringLiteral(" 50.00"));
    EXPECT_EQ(ZoomText(0.0833), QStringLiteral("  8.33"));
}

TEST(BrowserText, TheParentFolderReachesTheRoot)
{
    const struct {
        const char *path;
        const char *parent;
    } cases[] = {{"/home", "/"},       {"/home/user/pics", "/home/user"}, {"/home/user/", "/home"}, {"/", ""},
                 {"", ""},             {"C:", ""},                         {"C:/images", "C:"},     {"pics", ""},
                 {"//srv//a", "/srv"}};
    for (const auto &c : cases)
        EXPECT_EQ(ParentFolder(QLatin1String(c.path)), QLatin1String(c.parent)) << c.path;
}

TEST(BrowserText, AltZoomStepsShrinkBelowZoomBounds)
{
    const struct {
        double zoom, step;
    } cases[] = {{1.0, 0.02}, {0.6, 0.02}, {0.59, 0.017}, {0.45, 0.015}, {0.35, 0.014},
                 {0.25, 0.013}, {0.15, 0.012}, {0.05, 0.011}};
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(AltZoomStep(c.zoom), c.step) << c.zoom;
}

TEST(BrowserText, BookmarksKeepEveryLineAndTheRoot)
{
    const Bookmarks read = ParseBookmarks("/\n/tmp\n/\n/usr\n");
    EXPECT_EQ(read.last, QStringLiteral("/"));
    EXPECT_EQ(read.folders, (QStringList{"/tmp", "/", "/usr"}));
    EXPECT_EQ(FormatBookmarks({"F3", {"F1", "F2"}}), QByteArray("F3\nF1\nF2\n"));

    // An empty first line loads nothing; an empty line ends the bookmarks.
    const Bookmarks empty = ParseBookmarks("\n/tmp\n");
    EXPECT_TRUE(empty.last.isEmpty());
    EXPECT_TRUE(empty.folders.isEmpty());
    EXPECT_EQ(ParseBookmarks("/a\n/b\n\n/c\n").folders, QStringList{"/b"});
    EXPECT_EQ(ParseBookmarks("/a\r\n/b\r\n").folders, QStringList{"/b"});
    EXPECT_EQ(ParseBookmarks("/a").last, QStringLiteral("/a"));
    EXPECT_TRUE(ParseBookmarks("").last.isEmpty());
}
