#include "app/services/AppCurveServices.h"

#include "app/window/Tevrin.h"
#include "interaction/Interface.h"
#include "operations/CurveOperation.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "viewport/view/SceneView.h"

void AppCurveServices::SetCurrentCurve(General::NURBSCurve *curve)
{
    if (Scene *scene = Scene::GetCurrent())
        scene->m_pCurrentCurve = curve;
}

int AppCurveServices::GetViewWidth() const { return m_rWindow.GetView() ? m_rWindow.GetView()->width() : 0; }

int AppCurveServices::GetViewHeight() const { return m_rWindow.GetView() ? m_rWindow.GetView()->height() : 0; }

void AppCurveServices::RedrawView()
{
    if (SceneView *view = m_rWindow.GetView())
        view->update();
}

bool AppCurveServices::GetCameraViewport(int &width, int &height) const
{
    const Scene *scene = Scene::GetCurrent();
    if (!scene || !scene->m_pActiveCamera)
        return false;
    width = scene->m_pActiveCamera->m_aViewport[2];
    height = scene->m_pActiveCamera->m_aViewport[3];
    return true;
}

bool AppCurveServices::ExecuteCurveOperation(General::NURBSCurve *curve, General::CurveOperationKind kind,
                                             const General::Vector &position, int index)
{
    if (!curve)
        return false;
    Operations::CurveOperation operation(curve, int(kind));
    operation.m_vPosition = position;
    operation.m_iPointIndex = index;
    return Interface::ExecuteOperation(&operation, Interface::UndoStack(), true, 0, true);
}
