#include "app/services/AppViewOverlayHost.h"

#include "app/services/AppInteractionServices.h"
#include "interaction/Interface.h"
#include "mesh/core/PickInfo.h"
#include "scene/Brush.h"
#include "viewport/overlay/ViewOverlay.h"

#include <GL/gl.h>

void AppViewOverlayHost::DrawBrushCursor(ViewOverlay &overlay, int side, int mirror)
{
    // The mirrored rings follow the symmetry settings, which come with the preferences.
    const Interface *controller = Interface::Get();
    if (side != 1 || mirror != 0 || !controller || !controller->m_bBrushCursor || !controller->m_cHit.mesh ||
        !controller->m_pCurrentTool)
        return;
    const PickInfo *hit = m_rPicks.GetPicker().GetFirstPick();
    if (!hit || hit->m_pMesh != controller->m_cHit.mesh)
        return;
    glDisable(GL_LIGHTING);
    glColor3f(1.0f, 0.8f, 0.2f);
    overlay.DrawCircle(hit->m_vPosition, hit->m_vNormal, controller->m_pCurrentTool->GetSize(), 48, false);
}

bool AppViewOverlayHost::ShowObjectMenu(const QPoint &globalPosition)
{
    const Interface *controller = Interface::Get();
    if (!controller || !controller->m_cHit.mesh)
        return false;
    Interface::ObjectContextMenu(controller->m_cHit.mesh, globalPosition);
    return true;
}
