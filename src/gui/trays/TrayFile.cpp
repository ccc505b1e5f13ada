#include "gui/trays/TrayFile.h"

#include "platform/WholeFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

namespace GUI {

namespace {

QString Escape(const QString &field)
{
    QString out;
    out.reserve(field.size());
    for (QChar c : field) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char(';'))
            out += QLatin1String("\\s");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else
            out += c;
    }
    return out;
}

QString Unescape(const QString &field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c != QLatin1Char('\\') || i + 1 == field.size()) {
            out += c;
            continue;
        }
        const QChar next = field[++i];
        if (next == QLatin1Char('s'))
            out += QLatin1Char(';');
        else if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else
            out += next;
    }
    return out;
}

QString WithoutLineEnds(QString text)
{
    text.remove(QLatin1Char('\n'));
    text.remove(QLatin1Char('\r'));
    return text;
}

QString Decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

}  // namespace

QByteArray FormatTrayFile(const std::vector<TrayLine> &lines)
{
    QString text = QString::fromLatin1(TrayFileMarker()) + QLatin1Char('\n');
    for (const TrayLine &line : lines)
        text += Escape(line.type) + QLatin1Char(';') + Escape(line.name) + QLatin1Char(';') + Escape(line.icon) +
                QLatin1Char(';') + Escape(line.label) + QLatin1Char('\n');
    return text.toUtf8();
}

std::vector<TrayLine> ParseTrayFile(const QByteArray &bytes)
{
    std::vector<TrayLine> result;
    QList<QByteArray> raw = bytes.split('\n');
    // The last line feed ends the last line; it starts none.
    if (!raw.isEmpty() && raw.last().isEmpty())
        raw.removeLast();
    const bool marked = !raw.isEmpty() && raw.first().trimmed() == TrayFileMarker();
    if (marked)
        raw.removeFirst();
    for (const QByteArray &bytesOfLine : raw) {
        QString line = marked ? QString::fromUtf8(bytesOfLine) : Decode(bytesOfLine);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char(';'));
        TrayLine entry;
        const auto field = [&](int i) {
            const QString text = i < fields.size() ? fields[i] : QString();
            return marked ? Unescape(text) : WithoutLineEnds(text);
        };
        entry.type = field(0);
        // A line without any ";" names no kind, whatever its text.
        if (fields.size() < 2)
            entry.type += QLatin1Char('\n');
        entry.name = field(1);
        entry.icon = field(2);
        entry.label = field(3);
        result.push_back(entry);
    }
    return result;
}

QString TrayFilePath(const QString &folder, const QString &tray)
{
    return folder + QStringLiteral("/trays/") + tray + QStringLiteral(".txt");
}

bool WriteTrayFile(const QString &path, const std::vector<TrayLine> &lines, QString *error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return SaveWholeFile(path, FormatTrayFile(lines), error);
}

std::vector<TrayLine> ReadTrayFile(const QString &path, QString *error, bool *notTray, const QStringList &knownTypes)
{
    const SmallFile file = ReadSmallFile(path, kMaxTrayFileBytes, kMaxTrayLine);
    if (file.outcome != SmallFile::Read) {
        if (error)
            *error = file.error;
        return {};
    }
    // Files written before the marker may hold Latin-1; marked ones are UTF-8.
    QString why = NotTextReason(file.bytes, file.bytes.startsWith(TrayFileMarker()));
    std::vector<TrayLine> lines = why.isEmpty() ? ParseTrayFile(file.bytes) : std::vector<TrayLine>();
    if (why.isEmpty() && !lines.empty() && !knownTypes.isEmpty() &&
        std::none_of(lines.begin(), lines.end(), [&](const TrayLine &line) { return knownTypes.contains(line.type); }))
        why = QCoreApplication::translate("TrayFile", "no line names a kind of tray item");
    if (!why.isEmpty()) {
        if (error)
            *error = QCoreApplication::translate("TrayFile", "%1 was not read: %2.").arg(path, why);
        if (notTray)
            *notTray = true;
        return {};
    }
    if (lines.size() > kMaxTrayItems) {
        if (error)
            *error = QCoreApplication::translate("TrayFile", "%1 holds more than %2 items and was not read.")
                         .arg(path)
                         .arg(kMaxTrayItems);
        return {};
    }
    return lines;
}

bool IsValidTrayName(const QString &name)
{
    if (name.trimmed().isEmpty())
        return false;
    for (QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('.') ||
            c.category() == QChar::Other_Control)
            return false;
    return true;
}

QString TrayNameOfFile(const QString &fileName) { return fileName.section(QLatin1Char('.'), 0, 0); }

}  // namespace GUI
