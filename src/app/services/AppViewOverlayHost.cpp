#include "app/services/AppViewOverlayHost.h"

#include "interaction/Interface.h"

bool AppViewOverlayHost::ShowObjectMenu(const QPoint &globalPosition)
{
    const Interface *controller = Interface::Get();
    if (!controller || !controller->m_cHit.mesh)
        return false;
    Interface::ObjectContextMenu(controller->m_cHit.mesh, globalPosition);
    return true;
}
