#include "app/services/AppBrushServices.h"

#include "interaction/Interface.h"
#include "scene/Scene.h"

void AppBrushServices::GetPointerPosition(float &x, float &y) const
{
    const Interface *controller = Interface::Get();
    x = controller ? controller->m_fMouseX : 0.0f;
    y = controller ? controller->m_fMouseY : 0.0f;
}

Camera *AppBrushServices::GetActiveCamera() const
{
    const Scene *scene = Scene::GetCurrent();
    return scene ? scene->m_pActiveCamera : nullptr;
}

void AppBrushServices::Redraw() { Interface::Redraw(); }
