#include "interaction/tools/ToolOverlayHost.h"

#include "interaction/Interface.h"
#include "interaction/tools/BrushCursor.h"
#include "interaction/tools/Manipulator.h"
#include "interaction/tools/RectangleSelector.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "viewport/overlay/ViewOverlay.h"

#include <GL/gl.h>

void ToolOverlayHost::DrawManipulator(ViewOverlay &overlay)
{
    Interface *controller = Interface::Get();
    Manipulator *manipulator = controller ? controller->GetManipulator() : nullptr;
    Scene *scene = Scene::GetCurrent();
    Camera *camera = overlay.GetCamera();
    if (!manipulator || !scene || !scene->m_pObjects || !camera)
        return;
    // An object that left the scene takes its gizmo with it (once no drag holds it).
    if (scene->GetObjectIndex(manipulator->GetObject()) < 0) {
        controller->DropManipulator();
        return;
    }
    manipulator->UpdateAxes();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadMatrixf(camera->m_mProjection.m);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(camera->m_mModelView.m);
    manipulator->Draw();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void ToolOverlayHost::DrawBrushCursor(ViewOverlay &overlay, int side, int mirror)
{
    const Interface *controller = Interface::Get();
    if (!controller)
        return;
    const int cursorSide = side == 1 ? 0 : mirror;
    const int width = InteractionHost().GetViewWidth(), height = InteractionHost().GetViewHeight();
    const std::vector<CursorShape> shapes = BuildBrushCursor(*controller, cursorSide, width, height);
    if (shapes.empty())
        return;
    glDisable(GL_LIGHTING);
    glColor3f(1.0f, 0.8f, 0.2f);
    ::DrawBrushCursor(overlay, shapes);
}

bool ToolOverlayHost::GetSelectionBox(General::Rect2D &box) const
{
    const Interface *controller = Interface::Get();
    const RectangleSelector *selector = controller ? controller->m_pRectangleSelector : nullptr;
    if (!selector)
        return false;
    if (selector->IsActive())
        box = General::Rect2D(selector->GetStartX(), selector->GetStartY(), controller->m_fMouseX, controller->m_fMouseY);
    else
        box = General::Rect2D(-1.0f, -1.0f, -1.0f, -1.0f);
    return true;
}
