#include "app/settings/HotkeysFile.h"

#include "foundation/Diagnostics.h"
#include "interaction/handlers/EventHandler.h"

#include <QFile>
#include <QSaveFile>

namespace HotkeysFile {

ReadResult Read(EventHandler &handlers, const QString &path)
{
    ReadResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return result;
    result.opened = true;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        // The name is everything before the first colon, untrimmed; the value is trimmed.
        const int colon = line.indexOf(':');
        const QByteArray name = colon < 0 ? QByteArray() : line.left(colon);
        const QByteArray value = colon < 0 ? QByteArray() : line.mid(colon + 1).trimmed();
        bool ok = false;
        const int code = value.toInt(&ok, 10);
        Handler *handler = name.isEmpty() ? nullptr : handlers.FindHandlerByName(name.constData());
        if (ok && handler) {
            handler->m_iKey = uint32_t(code);
            ++result.applied;
        } else {
            ++result.ignored;
        }
    }
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = Compose(handlers);
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace HotkeysFile
