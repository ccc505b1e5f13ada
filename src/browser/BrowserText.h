#pragma once
// The image browser's rules that need no window: the texts it shows, where the parent
// folder of a path is, the Alt-drag zoom step, and the bookmarks file.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Browser {

// A file size as "  1.91M" or "  0.50K" (6 wide, 2 decimals); from 1 GiB on the plain number.
QString SizeText(qint64 bytes);
// The zoom as the zoom box shows it: percent, 6 wide, 2 decimals.
QString ZoomText(double zoom);
// The folder above `path`; empty when there is none (an empty path, a drive root ending in
// ":", or "/"). "/home" goes up to "/".
QString ParentFolder(const QString &path);
// The Alt-drag zoom step at the zoom remembered when Alt went down.
double AltZoomStep(double zoom);

// The bookmarks file: line 1 the folder shown last, then one bookmarked folder per line.
struct Bookmarks {
    QString last;
    QStringList folders;
};
// Every line is read ("/" as well); an empty first line gives nothing at all, and an empty
// line ends the bookmarks. Lines are in the local 8-bit encoding.
Bookmarks ParseBookmarks(const QByteArray &bytes);
// Why `bytes` are no bookmarks file: a NUL byte, not UTF-8, or no line that names a folder
// (an absolute path). Empty when they are one, or hold only blanks.
QString NotBookmarksReason(const QByteArray &bytes);
QByteArray FormatBookmarks(const Bookmarks &bookmarks);
// "<settings folder>/ImageBrowser.txt".
QString BookmarksFilePath(const QString &folder);
// A bookmarks file past these bounds is not read: a line is one folder's path, and a menu
// of more than a few hundred of them is of no use.
constexpr qint64 kMaxBookmarksBytes = 256 * 1024;
constexpr qint64 kMaxBookmarksLine = 4096;

}  // namespace Browser
