#include "interaction/commands/ViewCommandHost.h"

#include "foundation/ShellServices.h"
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
