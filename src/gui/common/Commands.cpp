#include "gui/common/Commands.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"

namespace GUI {

void RunCommand(const QString &name)
{
    try {
        CommandHandlers::Get().Activate(name);
    } catch (const General::Error &error) {
        ShowError(error);
    }
}

void RunCommandOption(const QString &name)
{
    try {
        CommandHandlers::Get().ActivateOption(name);
    } catch (const General::Error &error) {
        ShowError(error);
    }
}

void ShowError(const General::Error &error)
{
    General::Shell().ShowMessage(General::ShellServices::kCritical, QStringLiteral("Error"), error.GetMessage());
}

}  // namespace GUI
