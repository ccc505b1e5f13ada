#include "app/settings/SettingsWriter.h"

#include "foundation/Stream.h"
#include "platform/WholeFiles.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

bool WriteReplacing(const QString &path, const std::function<void()> &beforeReplace,
                    const std::function<void(Stream &)> &write)
{
    return SaveWholeFile(path, [&](const QString &temp) {
        bool ok = false;
        {
            Stream stream(temp, true);
            if (stream.IsOpen()) {
                write(stream);
                ok = stream.Flush() && !stream.HasError();
            }
        }
        if (ok && beforeReplace)
            beforeReplace();
        return ok;
    });
}

QString KeepAside(const QString &path)
{
    for (int i = 1; i < 1000; ++i) {
        const QString kept = path + (i == 1 ? QStringLiteral(".kept") : QStringLiteral(".kept%1").arg(i));
        if (QFileInfo::exists(kept) || QFileInfo(kept).isSymLink())
            continue;
        // Never a copy: a refused file may be gigabytes, sparse or not.
        return std::rename(QFile::encodeName(path).constData(), QFile::encodeName(kept).constData()) == 0 ? kept
                                                                                                      : QString();
    }
    return QString();
}
