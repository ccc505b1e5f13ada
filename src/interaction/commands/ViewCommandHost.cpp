#include "interaction/commands/ViewCommandHost.h"

#include "foundation/ShellServices.h"
#include "interaction/Interface.h"
#include "viewport/view/SceneView.h"

ViewToggles *ViewCommandHost::Toggles()
{
    SceneView *view = SceneView::GetCurrent();
    return view ? &view->m_cToggles : nullptr;
}

void ViewCommandHost::SetNavigating(bool navigating)
{
    if (SceneView *view = SceneView::GetCurrent())
        view->SetNavigating(navigating);
}

void ViewCommandHost::EnableVideoBuffers()
{
    if (SceneView *view = SceneView::GetCurrent())
        view->m_cSettings.m_bVideoBuffers = true;
}

QString ViewCommandHost::TempFolder() const { return General::Shell().TempFolder(); }

bool ViewCommandHost::HasStamp() const
{
    const Interface *controller = Interface::Get();
    return controller && controller->m_cStamp.IsPresent();
}

void ViewCommandHost::ToggleStamp()
{
    if (Interface *controller = Interface::Get())
        controller->m_cStamp.m_bEnabled = !controller->m_cStamp.m_bEnabled;
}

bool ViewCommandHost::HasStencil() const
{
    const Interface *controller = Interface::Get();
    return controller && controller->m_cStencil.m_aPixels.GetItemCount() > 0;
}

void ViewCommandHost::ToggleStencil()
{
    Interface *controller = Interface::Get();
    if (!controller || !HasStencil())
        return;
    controller->m_cStencil.m_bState = !controller->m_cStencil.m_bState;
    controller->UpdateStencil();
}

void ViewCommandHost::UpdateStencil()
{
    if (Interface *controller = Interface::Get())
        controller->UpdateStencil();
}

void ViewCommandHost::LoadOverlayImage(const QString &file)
{
    Interface *controller = Interface::Get();
    if (!controller)
        return;
    OverlayImage &overlay = controller->m_cOverlay;
    overlay.Load(file, overlay.m_fOpacity);
    overlay.m_bActive = false;
}

void ViewCommandHost::ShowOverlayImage(bool active, float opacity)
{
    Interface *controller = Interface::Get();
    if (!controller)
        return;
    OverlayImage &overlay = controller->m_cOverlay;
    if (active && !overlay.m_sFileName.isEmpty())
        overlay.Load(overlay.m_sFileName, opacity);
    else
        overlay.m_bActive = false;
}
