#pragma once
// The text file of one tray: one line "type;name;icon;label" per item, in tray order.
// Files this program writes start with a marker line, are UTF-8 and escape "\", ";",
// carriage returns and line feeds inside fields; files without the marker are read as
// the older plain form (UTF-8 when valid, else Latin-1; no escapes). Camera bookmarks
// are not written: scene files keep them.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace GUI {

struct TrayLine {
    QString type;
    QString name;
    QString icon;
    QString label;
};

// The first line of every file written now.
inline const char *TrayFileMarker() { return "#TevrinTray 2"; }

QByteArray FormatTrayFile(const std::vector<TrayLine> &lines);
// Every non-empty line of the file; a line without ";" gets a type no kind has.
std::vector<TrayLine> ParseTrayFile(const QByteArray &bytes);

// "<folder>/trays/<tray>.txt".
QString TrayFilePath(const QString &folder, const QString &tray);
// A tray shows its items as buttons in one row: a few hundred is already more than a
// screen holds. A file past these bounds is not read.
constexpr qint64 kMaxTrayFileBytes = 256 * 1024;
constexpr qint64 kMaxTrayLine = 4096;
constexpr size_t kMaxTrayItems = 1000;

// Writes whole or not at all (creating the "trays" folder; see SaveWholeFile); false, with
// `error` set when given, when it could not.
bool WriteTrayFile(const QString &path, const std::vector<TrayLine> &lines, QString *error = nullptr);
// Empty when the file is missing, cannot be read, is past the bounds, or is not tray text
// (a NUL byte, or a marked file that is not UTF-8; `notTray` is then set): `error` then
// says why, naming the file. `knownTypes`, when not empty, are the kinds a line may name:
// a file of lines of which none names one is not tray text either.
std::vector<TrayLine> ReadTrayFile(const QString &path, QString *error = nullptr, bool *notTray = nullptr,
                                   const QStringList &knownTypes = {});

// A tray name may name a file of the trays folder and come back whole from the Trays menu,
// which takes the file name up to its first ".": not empty, no "/", "\", "." or control
// character.
bool IsValidTrayName(const QString &name);
// The tray name of a file in the trays folder: its name up to the first ".".
QString TrayNameOfFile(const QString &fileName);

}  // namespace GUI
