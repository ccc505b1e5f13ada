#include "app/services/AppPreferencesDialogHost.h"

#include "app/window/Tevrin.h"
#include "gui/layers/LayerList.h"
#include "gui/outliner/SceneInfoDialog.h"
#include "scene/Scene.h"
#include "viewport/view/SceneView.h"

Camera *AppPreferencesDialogHost::ActiveCamera()
{
    Scene *scene = m_rWindow.GetScene();
    return scene ? scene->m_pActiveCamera : nullptr;
}

ViewToggles *AppPreferencesDialogHost::ViewFlags()
{
    SceneView *view = m_rWindow.GetView();
    return view ? &view->m_cToggles : nullptr;
}

void AppPreferencesDialogHost::Redraw()
{
    if (SceneView *view = m_rWindow.GetView())
        view->update();
}

void AppPreferencesDialogHost::ShowSaveReminder(bool shown) { m_rWindow.ShowSaveReminder(shown); }

void AppPreferencesDialogHost::RefreshStatusText() { SceneView::RefreshStatusText(); }

void AppPreferencesDialogHost::UpdateLayerList() { GUI::LayerList::UpdateEverywhere(true); }

void AppPreferencesDialogHost::RefreshObjectLists() { GUI::SceneInfoDialog::RefreshAll(); }
