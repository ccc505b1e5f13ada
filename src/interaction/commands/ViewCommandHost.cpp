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
