// Brush strokes: the samples of a Brusher's gesture become calls of the current brush
// operation. A stroke starts by building and checking the operation; each sample picks the
// mesh (with the mirrored picks), sizes the brush by the pressure, places the stamp and
// hands every pick to the operation, then redraws the part of the view it touched.

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/Timer.h"
#include "interaction/Interface.h"
#include "mesh/core/PickInfo.h"
#include "mesh/core/Placement.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/Object.h"
#include "operations/brushes/BrushOperation.h"
#include "operations/brushes/StrokeSegment.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"

namespace {
constexpr int kTrackOnly = 3;

Camera *ActiveCamera()
{
    Scene *scene = Scene::GetCurrent();
    return scene ? scene->m_pActiveCamera : nullptr;
}

SubdivLevel *LevelOf(const PickInfo *pick) { return pick ? dynamic_cast<SubdivLevel *>(pick->m_pMesh) : nullptr; }

Object *ObjectOf(const PickInfo *pick)
{
    SubdivLevel *level = LevelOf(pick);
    return level ? level->m_pObject : nullptr;
}

SubdivLevel *ActiveLevelOf(Object *object)
{
    if (!object)
        return nullptr;
    return object->m_pActiveLevel ? object->m_pActiveLevel : object;
}

// The box of a mesh's own coordinates in the world.
AABB WorldBox(const AABB &box, Mesh *mesh)
{
    Placement *placement = mesh && mesh->GetObject() ? mesh->GetPlacement() : nullptr;
    if (!placement || box.IsEmpty())
        return box;
    AABB world;
    for (int corner = 0; corner < 8; ++corner)
        world.Extend(placement->GetFullMatrix().Transform(box.GetCorner(corner), 1.0f));
    return world;
}

void Refuse(const char *message) { General::Shell().SetStatusMessage(QString::fromLatin1(message), 2); }
}  // namespace

Operations::BrushOperation *Interface::GetBrushOperation() const
{
    return dynamic_cast<Operations::BrushOperation *>(m_pCurrentOperation.get());
}

void Interface::StrokeInput(bool begin, int mode)
{
    if (begin) {
        ProcessStroke(m_cPicker, true, mode);
        m_fTangentX = m_fDeltaX;
        m_fTangentY = m_fDeltaY;
        m_fPreviousX = m_fMouseX;
        m_fPreviousY = m_fMouseY;
        return;
    }
    if (!m_pCurrentTool || !m_pCurrentTool->m_bSmoothStroke) {
        ProcessStroke(m_cPicker, false, mode);
        return;
    }
    InteractionServices &host = InteractionHost();
    float tx = m_fTangentX, ty = m_fTangentY;
    const std::vector<Stroke::PathPoint> path =
        Stroke::CurvedSamples(m_fPreviousX, m_fPreviousY, m_fMouseX, m_fMouseY, tx, ty, m_fStrokeSpacing);
    const float width = float(host.GetViewWidth()), height = float(host.GetViewHeight());
    for (const Stroke::PathPoint &point : path) {
        Picker picker;
        host.PickInto(picker, point.x * width, point.y * height);
        ProcessStroke(picker, false, mode);
    }
    ProcessStroke(m_cPicker, false, mode);
    m_fTangentX = tx;
    m_fTangentY = ty;
    m_fPreviousX = m_fMouseX;
    m_fPreviousY = m_fMouseY;
}

bool Interface::BeginStroke(Picker *source, SubdivLevel *level)
{
    General::Timer::Reset();
    m_pCurrentOperation = m_pCurrentTool ? CreateBrushOperation(m_pCurrentTool->m_iType) : nullptr;
    Operations::BrushOperation *operation = GetBrushOperation();
    if (!operation)
        m_pCurrentOperation.reset();  // not a brush: the stroke only tracks the pointer

    const auto refuse = [this](const char *message) {
        m_pCurrentOperation.reset();
        if (message)
            Refuse(message);
        return false;
    };
    Layer3D *layer = level && level->m_pObject ? level->m_pObject->GetActiveLayer() : nullptr;
    if (layer) {
        if (operation && operation->SculptsLayer() && layer->IsLocked())
            return refuse("Could not edit locked layer!");
        if (operation && operation->SculptsLayer() && !layer->IsVisible())
            return refuse("Could not edit invisible layer!");
        if (layer->GetStrength() < 0.0f && m_pCurrentTool && m_pCurrentTool->m_iType == Operations::kSmooth)
            return refuse("Could not smooth layer with negative transparency!");
    }

    m_pStrokeLevel = nullptr;
    if (source && source->GetPickCount() > 0) {
        PickInfo *pick = source->GetPick(source->GetPickCount() - 1);
        for (int i = 0; i < source->GetPickCount(); ++i) {
            Object *object = ObjectOf(source->GetPick(i));
            if (!object || !object->m_bLocked) {
                pick = source->GetPick(i);
                break;
            }
        }
        if (InteractionHost().GetStrokePreferences().pivotAtStrokeStart)
            if (Camera *camera = ActiveCamera())
                camera->m_vPivot = pick->m_vPosition;
        Object *object = ObjectOf(pick);
        Layer3D *pickLayer = object ? object->GetActiveLayer() : nullptr;
        if (pickLayer && operation && operation->SculptsLayer() && !pickLayer->LockToLevel(LevelOf(pick)))
            return refuse(nullptr);  // the layer said why
    }

    if (operation) {
        if (operation->NeedsHit() && !level)
            return refuse(nullptr);
        if (!operation->WorksOnAnyLevel())
            m_pStrokeLevel = ActiveLevelOf(level ? level->m_pObject : nullptr);
        operation->SetStroke(m_pCurrentTool, std::make_unique<Operations::StrokeSegment>());
    }
    if (level && level->m_pObject)
        SetActiveObject(level->m_pObject);
    if (m_bRedrawDuringAction && !InteractionHost().GetStrokePreferences().suspendContinuousRedraw)
        Redraw();
    return true;
}

void Interface::ProcessStroke(Picker &source, bool begin, int mode)
{
    const StrokePreferences preferences = InteractionHost().GetStrokePreferences();
    Brush *tool = m_pCurrentTool;
    const int count = source.GetPickCount();
    if (begin) {
        int first = 0;
        while (first < count && source.GetPick(first)->m_bFrozen)
            ++first;
        m_aStartPositions.assign(size_t(count), General::Vector(0, 0, 0));
        for (int i = first; i < count; ++i)
            m_aStartPositions[size_t(i)] = source.GetPick(i)->GetWorldPosition();
        if (!BeginStroke(&source, first < count ? LevelOf(source.GetPick(first)) : nullptr))
            return;
        if (tool)
            Log("Stroke: %d.%d.%d.%d.%d.%d\n", int(tool->m_bFlag1), int(tool->m_bFlag2), int(tool->m_bWindowSpace),
                int(tool->m_bSmoothStroke), preferences.mirrorCount, int(preferences.orientToStroke));
    }

    Operations::BrushOperation *operation = GetBrushOperation();
    if (operation) {
        if (!tool || !tool->m_bInvert)
            operation->SetMode(mode);
        else if (mode == 0 || mode == 2)
            operation->SetMode(2 - mode);
    }

    const float size = tool ? Stroke::PressureSize(tool->GetSize(), tool->m_bPressureSize, tool->m_iMinSizePercent,
                                                   m_fPressure)
                            : 0.0f;
    const float strength =
        tool ? Stroke::PressureStrength(tool->m_bPressureStrength, tool->m_iMinStrengthPercent, m_fPressure) : 1.0f;
    const General::Vector noOffset(0, 0, 0);
    AABB region;
    bool lastChangeHadBox = false;

    if (count == 0) {
        if (operation && mode != kTrackOnly && !operation->NeedsHit() &&
            operation->AddPoint(nullptr, size, strength, noOffset)) {
            lastChangeHadBox = !operation->GetDirtyBox().IsEmpty();
            region.Extend(operation->GetDirtyBox());
        }
    } else {
        // The pointer itself missed: a mirrored hit alone makes no sample.
        if (source.GetPick(0)->m_iTag != 0)
            return;
        int random[7];
        for (int &r : random)
            r = m_cRandom.Next();
        for (int i = 0; i < count; ++i) {
            PickInfo *pick = source.GetPick(i);
            operation = GetBrushOperation();
            Object *object = ObjectOf(pick);
            Layer3D *layer = object ? object->GetActiveLayer() : nullptr;
            if (operation && layer && operation->SculptsLayer()) {
                if (layer->IsLocked())
                    continue;
                if (!layer->LockToLevel(LevelOf(pick))) {
                    // Ends the stroke here; what the earlier samples did stays undoable.
                    FinishOperation();
                    m_pStrokeLevel = nullptr;
                    Redraw();
                    return;
                }
            }
            Picker repicked;
            PickInfo *applied = PlaceStamp(i, *pick, random, repicked);
            if (mode == kTrackOnly || !operation)
                continue;
            if (!applied || (applied->m_pMesh && applied->m_bFrozen && (operation->NeedsHit() || i != 0)))
                continue;
            SubdivLevel *level = LevelOf(applied);
            if (m_pStrokeLevel && level && m_pStrokeLevel->m_pObject != level->m_pObject)
                m_pStrokeLevel = ActiveLevelOf(level->m_pObject);
            if (preferences.strokeOnOneLevel && m_pStrokeLevel && m_pStrokeLevel != applied->m_pMesh)
                continue;
            if (size * strength != 0.0f && operation->AddPoint(applied, size, strength, noOffset)) {
                const AABB &touched = operation->GetDirtyBox();
                lastChangeHadBox = !touched.IsEmpty();
                if (lastChangeHadBox)
                    region.Extend(WorldBox(touched, applied->m_pMesh));
            }
            if (operation->GetType() == Operations::kMove)
                m_pStrokeLevel = nullptr;
        }
    }

    if (!tool || tool->m_bPlainRedraw) {
        Redraw();
        return;
    }
    if (!m_bDeferredStroke && lastChangeHadBox && !region.IsEmpty())
        if (Camera *camera = ActiveCamera())
            camera->GetScreenBounds(region, false);
    InteractionHost().RepaintView();
    UpdateBrushCursor(0);
}

void Interface::Flood(bool fromCamera)
{
    General::ShellServices &shell = General::Shell();
    shell.SetStatusMessage(QStringLiteral("flooding..."), 0);
    Scene *scene = Scene::GetCurrent();
    SubdivLevel *target = nullptr;
    if (scene && scene->HasSelectedFaces()) {
        for (Object *object = scene->m_pObjects; object; object = object->m_pNextObject)
            if (object->HasSelectedFaces())
                target = ActiveLevelOf(object);
    } else if (scene && scene->GetObjectCount() == 1) {
        target = ActiveLevelOf(scene->m_pObjects);
    }
    if (!target) {
        shell.SetStatusMessage(QStringLiteral("Nothing flooded: select faces, or keep a single object in the scene."),
                               0);
        return;
    }
    if (!BeginStroke(nullptr, target))
        return;
    shell.ProcessEvents();

    QString outcome = QStringLiteral("done.");
    Operations::BrushOperation *operation = GetBrushOperation();
    if (!operation) {
        outcome = QStringLiteral("Nothing flooded: the current tool does not flood.");
    } else {
        Layer3D *layer = target->m_pObject ? target->m_pObject->GetActiveLayer() : nullptr;
        if (layer && operation->SculptsLayer() && !layer->LockToLevel(target)) {
            m_pCurrentOperation.reset();
            return;  // the layer said why
        }
        Log("Flood\n");
        operation->SetMode(m_pCurrentTool && m_pCurrentTool->m_bInvert ? 2 : 0);
        m_cStencil.UpdateProjection(target->m_pObject ? target->m_pObject->GetPlacement() : nullptr);
        if (!operation->Flood(target, fromCamera))
            outcome = QStringLiteral("Nothing flooded: the object is locked.");
    }
    FinishOperation();
    shell.SetStatusMessage(outcome, 0);
    if (Camera *camera = ActiveCamera())
        camera->ResetViewRegion(false);
    InteractionHost().RepaintView();
}
