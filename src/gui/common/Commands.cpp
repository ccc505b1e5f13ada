#include "gui/common/Commands.h"

#include "foundation/Diagnostics.h"

#include <QApplication>
#include <QMessageBox>

namespace GUI {

void RunCommand(const QString &name)
{
    try {
        CommandHandlers::Get().Activate(name);
    } catch (const General::Error &error) {
        ShowError(error);
    }
}

void ShowError(const General::Error &error)
{
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Error"), error.GetMessage());
}

}  // namespace GUI
