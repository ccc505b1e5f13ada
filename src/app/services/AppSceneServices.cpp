#include "app/services/AppSceneServices.h"

#include "app/services/CurveEditing.h"
#include "app/window/Tevrin.h"
#include "interaction/Interface.h"
#include "interaction/benchmark/BenchmarkRecorder.h"
#include "viewport/view/SceneView.h"

Brush *AppSceneServices::GetCurrentTool() const
{
    return Interface::Get() ? Interface::Get()->m_pCurrentTool : nullptr;
}

void AppSceneServices::EndCurveEditing() { m_rEditing.End(); }

Camera *AppSceneServices::GetViewCamera() const
{
    return m_rWindow.GetView() ? m_rWindow.GetView()->GetCamera() : nullptr;
}

void AppSceneServices::SetViewCamera(Camera *camera)
{
    if (SceneView *view = m_rWindow.GetView())
        view->SetCamera(camera);
}

void AppSceneServices::ReleasePropertyWindows() { m_rWindow.ReleasePropertyWindows(); }

void AppSceneServices::RecordBenchmarkLine(const QString &line)
{
    if (const Interface *controller = Interface::Get(); controller && controller->GetRecorder())
        controller->GetRecorder()->WriteLine(line);
}
