#include "app/settings/SettingsWriter.h"

#include "foundation/Stream.h"
#include "platform/TempFiles.h"

#include <QFile>
#include <QFileInfo>

bool WriteReplacing(const QString &path, const std::function<void()> &beforeReplace,
                    const std::function<void(Stream &)> &write)
{
    const QFileInfo info(path);
    const QString temp = TempFileName(info.absolutePath(), QStringLiteral(".") + info.fileName() + QStringLiteral("."));
    if (temp.isEmpty())
        return false;
    bool ok = false;
    {
        Stream stream(temp, true);
        if (stream.IsOpen()) {
            write(stream);
            ok = stream.Flush() && !stream.HasError();
        }
    }
    if (!ok) {
        QFile::remove(temp);
        return false;
    }
    if (beforeReplace)
        beforeReplace();
    return ReplaceWithTempFile(temp, path);
}

QString KeepCopyOf(const QString &path)
{
    for (int i = 1; i < 1000; ++i) {
        const QString copy = path + (i == 1 ? QStringLiteral(".kept") : QStringLiteral(".kept%1").arg(i));
        if (QFileInfo::exists(copy))
            continue;
        return QFile::copy(path, copy) ? copy : QString();
    }
    return QString();
}
