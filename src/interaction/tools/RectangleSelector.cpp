#include "interaction/tools/RectangleSelector.h"

#include "interaction/Interface.h"
#include "operations/Operation.h"
#include "scene/Brush.h"
#include "scene/Scene.h"

#include <algorithm>

RectangleSelector::~RectangleSelector()
{
    Interface *controller = Interface::Get();
    if (controller && controller->m_pRectangleSelector == this)
        controller->m_pRectangleSelector = nullptr;
}

void RectangleSelector::OnBegin(float x, float y)
{
    Interface *controller = Interface::Get();
    if (!controller)
        return;
    controller->m_pRectangleSelector = this;
    const int type = controller->m_pCurrentTool ? controller->m_pCurrentTool->m_iType : 0;
    if (type != Operations::kSelectObject && type != Operations::kSelectFace) {
        m_fStartX = -1.0f;
        return;
    }
    m_fStartX = x;
    m_fStartY = y;
    m_bFaces = type == Operations::kSelectFace;
    Scene *scene = Scene::GetCurrent();
    if (scene && InteractionHost().GetStrokePreferences().selectionMode == 1 && controller->m_cPicker.GetPickCount() == 0)
        scene->ClearSelection();
}

void RectangleSelector::OnEnd(float x, float y)
{
    Interface *controller = Interface::Get();
    if (controller && controller->m_pRectangleSelector == this)
        controller->m_pRectangleSelector = nullptr;
    Scene *scene = Scene::GetCurrent();
    if (!IsActive() || !scene)
        return;
    // Either corner may be the start: the box is the same.
    const float left = std::min(m_fStartX, x), right = std::max(m_fStartX, x);
    const float top = std::min(m_fStartY, y), bottom = std::max(m_fStartY, y);
    scene->SelectFacesInRectangle(!m_bFaces, m_iMode, left, top, right, bottom);
    m_fStartX = -1.0f;
    Interface::Redraw();
}
