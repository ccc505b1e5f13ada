#include "BrowserFixtures.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

namespace browsertest {

bool MakeImage(const QString &path, int w, int h, const QColor &color)
{
    static const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (!convert.isEmpty()) {
        QProcess process;
        process.start(convert, {QStringLiteral("-size"), QStringLiteral("%1x%2").arg(w).arg(h),
                                QStringLiteral("xc:") + color.name(), QStringLiteral("-depth"), QStringLiteral("8"),
                                path});
        if (process.waitForFinished(30000) && process.exitCode() == 0 && QFileInfo::exists(path))
            return true;
    }
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image.save(path);
}

bool WaitFor(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

}  // namespace browsertest
