#pragma once
// A controller over a scene that holds a flat grid object under a camera looking straight
// down on it, with a 200 x 100 view that picks through the scene's octrees: strokes,
// tools and the manipulator driven through the controller's own input entry.

#include "BrushFixtures.h"
#include "foundation/OperationBuffer.h"
#include "interaction/Interface.h"
#include "interaction/undo/OperationFactory.h"
#include "mesh/core/Octree.h"
#include "operations/Operation.h"
#include "scene/camera/Camera.h"
#include "scene/camera/CameraHost.h"

#include <QKeyEvent>

#include <cstring>
#include <memory>

class PickingInteraction : public InteractionServices {
public:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 100;

    bool HasView() const override { return true; }
    int GetViewWidth() const override { return kWidth; }
    int GetViewHeight() const override { return kHeight; }
    bool MapToView(float windowX, float windowY, float &viewX, float &viewY) const override
    {
        viewX = windowX;
        viewY = windowY;
        return true;
    }
    PickHit Pick(float x, float y) override
    {
        PickHit hit;
        if (Interface *controller = Interface::Get())
            if (PickInto(controller->m_cPicker, x, y) && controller->m_cPicker.GetFirstPick()) {
                hit.mesh = controller->m_cPicker.GetFirstPick()->m_pMesh;
                hit.object = hit.mesh ? hit.mesh->GetObject() : nullptr;
            }
        return hit;
    }
    bool PickInto(Picker &picker, float x, float y) override
    {
        picker.Clear();
        Scene *scene = Scene::GetCurrent();
        Camera *camera = scene ? scene->m_pActiveCamera : nullptr;
        General::Vector nearPoint, farPoint;
        if (!camera || !camera->UnProject(x, y, 0.0f, nearPoint) || !camera->UnProject(x, y, 1.0f, farPoint))
            return false;
        scene->Pick(picker, nearPoint, farPoint, 0, 0);
        return picker.GetPickCount() > 0;
    }
    void RepaintView() override { ++repaints; }
    void SetContinuousRedraw(bool continuous) override { continuousCalls.push_back(continuous); }
    StrokePreferences GetStrokePreferences() const override { return preferences; }
    CurveEdit *GetCurveEdit() const override { return curveEdit; }
    void RefreshBrushPage() override { ++brushPageRefreshes; }
    void CheckTrayItem(const QString &tray, const QString &item) override { trayChecks << tray + ":" + item; }

    int repaints = 0;
    int brushPageRefreshes = 0;
    std::vector<bool> continuousCalls;
    StrokePreferences preferences;
    CurveEdit *curveEdit = nullptr;
    QStringList trayChecks;
};

// The camera measures its screen bounds in the same view.
class ViewSizeCameraHost : public CameraHost {
public:
    ViewSizeCameraHost() { Install(this); }
    ~ViewSizeCameraHost() override { Install(nullptr); }
    int ViewWidth() const override { return PickingInteraction::kWidth; }
    int ViewHeight() const override { return PickingInteraction::kHeight; }
};

class StrokeTest : public BrushTestBase {
protected:
    void SetUp() override
    {
        BrushTestBase::SetUp();
        RegisterObjectOperations();
        RegisterBrushOperations();
        InteractionServices::Install(&m_host);
        Scene::BuildOctrees(m_scene->m_pObjects);
        m_scene->CreateDefaultCameras();
        LookDown(30.0f);
        m_interface = std::make_unique<Interface>();
        m_interface->m_pCurrentTool = &m_tool;
        m_interface->SetActiveObject(m_object);
    }
    void TearDown() override
    {
        m_interface.reset();
        // The operation classes are the process's: later tests start without them.
        for (int type = 1; type <= Operations::kSketch; ++type)
            SetOperationMaker(type, {});
        InteractionServices::Install(nullptr);
        Interface::s_bUnrecordedChange = false;
        BrushTestBase::TearDown();
    }

    Camera &TheCamera() { return *m_scene->m_pActiveCamera; }

    // The camera straight above the grid's centre at that height, perspective.
    void LookDown(float height)
    {
        Camera &camera = TheCamera();
        const float c = float(kN) / 2.0f;
        camera.SetTranslate(General::Vector(c, c, height));
        camera.m_vTarget = General::Vector(c, c, 0);
        camera.LookAt(camera.m_vTarget, General::Vector(0, 1, 0));
        Frame();
    }
    // The matrices a frame of the 200 x 100 view would leave.
    void Frame()
    {
        Camera &camera = TheCamera();
        camera.m_aViewport[0] = camera.m_aViewport[1] = 0;
        camera.m_aViewport[2] = PickingInteraction::kWidth;
        camera.m_aViewport[3] = PickingInteraction::kHeight;
        camera.m_fAspect = float(PickingInteraction::kWidth) / float(PickingInteraction::kHeight);
        camera.m_mModelView = camera.GetInverseLocalMatrix();
        camera.m_mProjection = camera.GetProjectionMatrix(false);
    }

    InputState At(const General::Vector &world, float pressure = 1.0f)
    {
        InputState state;
        TheCamera().Project(world, state.x, state.y);
        state.pressure = pressure;
        return state;
    }
    void MoveTo(const General::Vector &world, float pressure = 1.0f)
    {
        InputState state = At(world, pressure);
        state.left = m_bHeld ? 1 : 0;
        m_interface->OnInputMove(state);
    }
    void Press(const General::Vector &world, float pressure = 1.0f)
    {
        MoveTo(world, pressure);
        InputState state = At(world, pressure);
        state.left = 1;
        m_bHeld = true;
        m_interface->OnInputButton(state, true);
    }
    void Release()
    {
        InputState state;
        state.x = m_interface->m_fMouseX * float(PickingInteraction::kWidth);
        state.y = m_interface->m_fMouseY * float(PickingInteraction::kHeight);
        m_bHeld = false;
        m_interface->OnInputButton(state, false);
    }
    // A press at the first point, moves through the others, the release.
    void Stroke(std::initializer_list<General::Vector> points)
    {
        bool first = true;
        for (const General::Vector &p : points) {
            if (first)
                Press(p);
            else
                MoveTo(p);
            first = false;
        }
        Release();
    }

    // Each vertex's position, normal, freeze and mask, byte for byte (not the stamp of the
    // stroke that last touched it, which is bookkeeping).
    static std::vector<char> Bytes(const Mesh &mesh)
    {
        std::vector<char> bytes;
        for (unsigned v = 0; v < mesh.m_iVertexCount; ++v) {
            const Vertex &vertex = mesh.m_pVertices[v];
            const auto add = [&bytes](const void *p, size_t n) {
                bytes.insert(bytes.end(), static_cast<const char *>(p), static_cast<const char *>(p) + n);
            };
            add(&vertex.m_vPosition, sizeof(vertex.m_vPosition));
            add(vertex.m_aNormal, sizeof(vertex.m_aNormal));
            add(&vertex.m_cFreeze, 1);
            add(&vertex.m_cMask, 1);
        }
        return bytes;
    }
    bool HasUndo() const { return Interface::UndoStack() && Interface::UndoStack()->Tell() > 4; }

    PickingInteraction m_host;
    ViewSizeCameraHost m_cameraHost;
    std::unique_ptr<Interface> m_interface;
    bool m_bHeld = false;
};
