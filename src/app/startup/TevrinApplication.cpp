#include "app/startup/TevrinApplication.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"

TevrinApplication::TevrinApplication(int &argc, char **argv) : QApplication(argc, argv) {}

TevrinApplication::~TevrinApplication() = default;

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
