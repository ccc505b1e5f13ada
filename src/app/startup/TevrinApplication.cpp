#include "app/startup/TevrinApplication.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

TevrinApplication::TevrinApplication(int &argc, char **argv) : QApplication(argc, argv) {}

TevrinApplication::~TevrinApplication() = default;

namespace {

// What Qt said while the application object was being made: its reason for giving up.
QStringList s_lStartMessages;

void HoldStartMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtFatalMsg) {
        s_lStartMessages << text;
        return;
    }
    const QString reason = s_lStartMessages.isEmpty() ? text.section(QLatin1Char('\n'), 0, 0)
                                                      : s_lStartMessages.first();
    std::fprintf(stderr, "Tevrin cannot start: no window system could be reached (%s)\n",
                 reason.toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(255);
}

}  // namespace

std::unique_ptr<TevrinApplication> MakeApplicationOrExit(int &argc, char **argv)
{
    // Without a display Qt's window-system plugin ends the process: the check is cheap.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if ((platform.isEmpty() || platform.startsWith("xcb")) && qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fputs("Tevrin cannot start: no display (DISPLAY is not set)\n", stderr);
        std::exit(255);
    }
    // A display that does not answer is found only by trying.
    s_lStartMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(HoldStartMessage);
    auto application = std::make_unique<TevrinApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString &text : std::exchange(s_lStartMessages, {}))
        qWarning("%s", text.toLocal8Bit().constData());
    return application;
}

QString UnknownErrorText()
{
    return QCoreApplication::translate(
        "TevrinApplication", "An unknown error has occured while performing the operation.\nWe are sorry for the inconvenience.");
}

bool TevrinApplication::notify(QObject *receiver, QEvent *event)
{
    // Nothing is rolled back: the handler's partial work stays as it is.
    try {
        return QApplication::notify(receiver, event);
    } catch (General::Error *error) {
        General::Shell().CriticalMessage(error->GetMessage());
        delete error;
    } catch (const General::Error &error) {
        General::Shell().CriticalMessage(error.GetMessage());
    } catch (...) {
        General::Shell().CriticalMessage(UnknownErrorText());
    }
    return false;
}
