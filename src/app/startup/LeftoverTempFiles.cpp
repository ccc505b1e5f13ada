#include "app/startup/LeftoverTempFiles.h"

#include "platform/TempFiles.h"

#include <QDir>
#include <QRegularExpression>

bool ParseOwnTempFile(const QString &fileName, long long &pid)
{
    static const QRegularExpression fixed(
        QStringLiteral("^(?:undo|redo|tempL|tempH|tmp\\d+(?:_\\d+)?(?:v|vi|f|fi|vm))(?:\\.(\\d+))?\\.tmp$"));
    static const QRegularExpression unique(QStringLiteral("^(?:tmp|tevload)(?:\\.(\\d+))?\\.[A-Za-z0-9]{6}$"));
    for (const QRegularExpression *pattern : {&fixed, &unique}) {
        const QRegularExpressionMatch match = pattern->match(fileName);
        if (!match.hasMatch())
            continue;
        bool ok = true;
        pid = match.hasCaptured(1) ? match.captured(1).toLongLong(&ok) : 0;
        return ok;
    }
    return false;
}

LeftoverTempFiles FindLeftoverTempFiles(const QString &folder)
{
    LeftoverTempFiles found;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted)) {
        long long pid = 0;
        if (!ParseOwnTempFile(name, pid))
            continue;
        if (pid == 0)
            found.unsuffixed.append(dir.absoluteFilePath(name));
        else if (ProcessIsGone(pid))
            found.orphaned.append(dir.absoluteFilePath(name));
    }
    return found;
}
