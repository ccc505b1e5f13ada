#include "app/settings/SettingsWriter.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "platform/WholeFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

bool WriteReplacing(const QString &path, const std::function<void()> &beforeReplace,
                    const std::function<void(Stream &)> &write, QString *error)
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
    }, error);
}


namespace {
QSet<QString> &LeftInPlace()
{
    static QSet<QString> files;
    return files;
}
}  // namespace

void TellRefused(const QString &path, const QString &text, bool leftInPlace)
{
    if (leftInPlace)
        LeftInPlace().insert(path);
    Log("%s\n", text.toUtf8().constData());
    General::Shell().ShowMessage(General::ShellServices::kWarning, QString::fromLatin1(General::ProgramTitle()), text);
}

bool WasLeftInPlace(const QString &path) { return LeftInPlace().contains(path); }

void ForgetRefused() { LeftInPlace().clear(); }
