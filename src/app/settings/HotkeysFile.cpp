#include "app/settings/HotkeysFile.h"

#include "foundation/Diagnostics.h"
#include "interaction/handlers/EventHandler.h"
#include "platform/WholeFiles.h"

#include <QFile>

#include <utility>
#include <vector>

namespace HotkeysFile {

ReadResult Read(EventHandler &handlers, const QString &path)
{
    ReadResult result;
    const SmallFile file = ReadSmallFile(path, kMaxBytes, kMaxLine);
    if (file.outcome == SmallFile::Refused) {
        result.refusal = file.error;
        Log("%s\n", file.error.toUtf8().constData());
    }
    if (file.outcome != SmallFile::Read)
        return result;
    result.opened = true;
    QString notText = NotTextReason(file.bytes);
    // Every line is looked at before any code changes: a file of noise changes none.
    std::vector<std::pair<Handler *, int>> codes;
    bool anyLine = false;
    for (QByteArray line : file.bytes.split('\n')) {
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || !notText.isEmpty())
            continue;
        anyLine = true;
        // The name is everything before the first colon, untrimmed; the value is trimmed.
        const int colon = line.indexOf(':');
        const QByteArray name = colon < 0 ? QByteArray() : line.left(colon);
        const QByteArray value = colon < 0 ? QByteArray() : line.mid(colon + 1).trimmed();
        bool ok = false;
        const int code = value.toInt(&ok, 10);
        Handler *handler = name.isEmpty() ? nullptr : handlers.FindHandlerByName(name.constData());
        if (ok && handler)
            codes.emplace_back(handler, code);
        else
            ++result.ignored;
    }
    if (notText.isEmpty() && anyLine && codes.empty())
        notText = QStringLiteral("no line names a command and its key");
    if (!notText.isEmpty()) {
        result.notHotkeys = true;
        result.refusal = QStringLiteral("%1 was not read: %2.").arg(path, notText);
        Log("%s\n", result.refusal.toUtf8().constData());
        return result;
    }
    for (const auto &[handler, code] : codes)
        handler->m_iKey = uint32_t(code);
    result.applied = int(codes.size());
    if (result.ignored > 0)
        Log("%s: %d lines ignored (no such command or no number)\n", QFile::encodeName(path).constData(),
            result.ignored);
    return result;
}

QByteArray Compose(EventHandler &handlers)
{
    QByteArray text;
    for (unsigned i = 0; i < handlers.GetHandlerCount(); ++i) {
        const Handler &handler = handlers.GetHandler(i);
        text += handler.m_sID;
        text += ": ";
        text += QByteArray::number(int32_t(handler.m_iKey));
        text += '\n';
    }
    return text;
}

bool Write(EventHandler &handlers, const QString &path)
{
    QString error;
    if (SaveWholeFile(path, Compose(handlers), &error))
        return true;
    Log("%s\n", error.toUtf8().constData());
    return false;
}

}  // namespace HotkeysFile
