#include "app/services/AppCommandHandlers.h"

#include "app/window/Tevrin.h"
#include "interaction/Interface.h"

void AppCommandHandlers::Activate(const QString &name) { Run(name, eventMenuCommand); }

void AppCommandHandlers::ActivateOption(const QString &name) { Run(name, eventMenuOption); }

void AppCommandHandlers::Run(const QString &name, int event)
{
    Interface *controller = Interface::Get();
    if (!controller || m_rWindow.IsBusy() || m_rWindow.IsQuitting())
        return;
    const QByteArray id = name.toLatin1();
    controller->m_cEventHandler.OnUserEvent(event, id.constData());
}
