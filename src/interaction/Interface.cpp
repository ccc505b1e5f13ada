#include "interaction/Interface.h"

#include "foundation/curves/CurveServices.h"
#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/curves/NURBSCurve.h"
#include "foundation/OperationBuffer.h"
#include "interaction/handlers/Function.h"
#include "interaction/tools/Manipulator.h"
#include "interaction/tools/ToolHandlers.h"
#include "foundation/ShellServices.h"
#include "interaction/benchmark/BenchmarkRecorder.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "operations/Operation.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/SceneServices.h"
#include "scene/camera/Camera.h"
#include "scene/camera/CameraHost.h"

#include <cmath>

Interface *Interface::s_pInstance = nullptr;
OperationBuffer *Interface::s_pUndo = nullptr;
OperationBuffer *Interface::s_pRedo = nullptr;
bool Interface::s_bUnrecordedChange = false;

namespace {
OperationBuffer *MakeStack(const char *prefix)
{
    const QString name = QStringLiteral("%1/%2%3.tmp")
                             .arg(General::Shell().TempFolder(), QLatin1String(prefix), General::InstanceSuffix());
    try {
        return new OperationBuffer(name);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
}  // namespace

Interface::Interface() : m_cEventHandler(*this)
{
    // Registration and everything after it may reach the controller.
    s_pInstance = this;
    Operations::BrushImages::Install(&m_cStrokeImages);
    InstallToolHandlers(m_cEventHandler, *this);
    m_cEventHandler.OnUserEvent(eventRegister, nullptr);
    m_pCurrentTool = Brush::FindByType(Operations::kSelectFace);
    OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
        return CreateBrushOperation(type);
    });
    s_pUndo = MakeStack("undo");
    s_pRedo = MakeStack("redo");
}

Interface::~Interface()
{
    delete s_pUndo;
    s_pUndo = nullptr;
    delete s_pRedo;
    s_pRedo = nullptr;
    OperationBuffer::SetFactory(nullptr);
    m_pCurrentOperation.reset();
    m_pGestureTool.reset();
    m_pManipulator.reset();
    for (unsigned texture : {m_cStencil.m_iTexture, m_cStamp.m_iTexture, m_cOverlay.m_iTexture})
        if (texture)
            CameraHost::Get().DeleteTexture(texture);
    if (&Operations::BrushImages::Get() == &m_cStrokeImages)
        Operations::BrushImages::Install(nullptr);
    s_pInstance = nullptr;
}

void Interface::Redraw()
{
    Scene *scene = Scene::GetCurrent();
    if (!scene || !scene->m_pActiveCamera || !InteractionHost().HasView())
        return;
    scene->m_pActiveCamera->ResetViewRegion(false);
    InteractionHost().RepaintView();
}

void Interface::SetActiveCamera(Camera *camera)
{
    Scene *scene = Scene::GetCurrent();
    if (!camera || !scene)
        return;
    scene->m_pActiveCamera = camera;
    SceneHost().SetViewCamera(camera);
    InteractionHost().RepaintView();
    Redraw();
}

void Interface::SetActiveObject(Object *object)
{
    if (object && !object->GetMaterial() && Surface::Materials().First())
        object->m_aMaterial.SetValue(Surface::Materials().First());
    if (object == m_pActiveObject)
        return;
    m_pActiveObject = object;
    InteractionHost().RefreshObjectList();
    InteractionHost().RefreshLayers();
}

void Interface::SelectObject(Object *object, bool select)
{
    if (!object) {
        if (!select)
            m_lSelection.clear();
        return;
    }
    const bool listed = m_lSelection.contains(object);
    if (select) {
        if (!listed) {
            m_lSelection.prepend(object);
            SetActiveObject(object);
        }
        InteractionHost().ShowInProperties(QStringLiteral("Geometry"), object);
        if (!listed)
            InteractionHost().RefreshObjectList();
    } else if (listed) {
        m_lSelection.removeAll(object);
        InteractionHost().RefreshObjectList();
    } else {
        InteractionHost().ShowInProperties(QStringLiteral("Geometry"), object);
    }
}

void Interface::ForgetObject(Object *object)
{
    if (!object)
        return;
    if (m_lSelection.removeAll(object) > 0)
        InteractionHost().RefreshObjectList();
    if (m_pActiveObject == object)
        SetActiveObject(nullptr);
    if (m_cHit.object == object)
        m_cHit = PickHit();
    // The brush cursor is drawn from these picks: none may name a level of the leaving object.
    bool picked = false;
    for (int i = 0; i < m_cPicker.GetPickCount(); ++i)
        for (const SubdivLevel *level = object; level && !picked; level = level->m_pNext)
            picked = m_cPicker.GetPick(i)->m_pMesh == level;
    if (picked)
        m_cPicker.Clear();
    if (m_pManipulator && m_pManipulator->GetObject() == object)
        DropManipulator();
}

Function *Interface::StartGestureTool(std::unique_ptr<Function> tool)
{
    m_pGestureTool = std::move(tool);
    return m_pGestureTool.get();
}

void Interface::ToolEnded(Function *tool)
{
    if (m_pGestureTool.get() == tool)
        m_pGestureTool.reset();
    if (m_bDropManipulator && m_pManipulator.get() == tool) {
        m_bDropManipulator = false;
        DropManipulator();
        Redraw();
    }
}

std::unique_ptr<Manipulator> Interface::TakeManipulator()
{
    m_bDropManipulator = false;
    return std::move(m_pManipulator);
}

void Interface::UpdateMousePosition(float x, float y)
{
    InteractionServices &host = InteractionHost();
    const int width = host.GetViewWidth();
    const int height = host.GetViewHeight();
    // A view not yet laid out has no size; keep the position finite.
    const float nx = width > 0 ? x / float(width) : 0.0f;
    const float ny = height > 0 ? y / float(height) : 0.0f;
    m_fDeltaX = nx - m_fMouseX;
    m_fDeltaY = ny - m_fMouseY;
    m_fMouseX = nx;
    m_fMouseY = ny;

    // Snapping moves only the point that is picked; the stored position stays where the mouse is.
    Scene *scene = Scene::GetCurrent();
    General::NURBSCurve *curve = scene ? scene->m_pCurrentCurve : nullptr;
    if (m_bCurveSnapping && curve && !curve->IsBeingEdited() && curve->IsDrawn() && host.ShowsCurves()) {
        const General::Matrix toScreen = curve->GetTransform();
        General::Matrix toCurve = toScreen;
        General::Vector closest;
        float t = m_fCurveParameter;
        if (toCurve.Invert() &&
            curve->GetClosestPoint(toCurve.Transform(General::Vector(x, y, 0.0f), 1.0f), m_fCurveParameter, 0.001f,
                                   100, t, closest)) {
            m_fCurveParameter = t;
            const General::Vector q = toScreen.Transform(closest, 1.0f);
            if (std::hypot(q.x - x, q.y - y, q.z) < float(m_iCurveSnapDistance)) {
                x = q.x;
                y = q.y;
            }
        }
    }

    if (!m_bHoverSuspended) {
        Mesh *previous = m_cHit.mesh;
        m_cHit = host.Pick(x, y);
        if (scene && !scene->HasSelectedFaces() && host.SelectionFollowsMouse()) {
            if (m_cHit.mesh && m_cHit.mesh != previous) {
                SelectObject(nullptr, false);
                if (m_cHit.object)
                    SelectObject(m_cHit.object, true);
                Redraw();
            }
            if (!m_lSelection.isEmpty() && !m_cHit.mesh) {
                SelectObject(nullptr, false);
                Redraw();
            }
        }
    }
    if (!m_bRepaintSuppressed)
        host.RepaintView();
    m_bRepaintSuppressed = false;
}

void Interface::RunCommand(const char *name)
{
    try {
        m_cEventHandler.OnUserEvent(eventMenuCommand, name);
    } catch (const General::Error &error) {
        General::Shell().SetStatusMessage(error.GetMessage(), 2);
    }
}
