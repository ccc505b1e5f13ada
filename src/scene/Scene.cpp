#include "scene/Scene.h"

#include "foundation/math/Matrix.h"
#include "foundation/curves/NURBSCurve.h"
#include "foundation/Progress.h"
#include "foundation/ShellServices.h"
#include "mesh/core/Octree.h"
#include "mesh/core/Placement.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "scene/SceneServices.h"
#include "scene/SelectionSet.h"
#include "scene/picking/Picker.h"

#include <algorithm>
#include <cstdint>

Scene *Scene::s_pCurrent = nullptr;
int Scene::s_iCounter = 0;

Scene::Scene() : m_pPrevious(s_pCurrent), m_iSerial(s_iCounter++)
{
    s_pCurrent = this;
    MeshWatcher::Add(this);
}

Scene::~Scene()
{
    if (s_pCurrent == this)
        s_pCurrent = m_pPrevious;
    // A scene that goes takes only what it owns. The material list, the undo history and
    // the properties windows serve the scene that is current again (a scratch scene of
    // loading must not take the main scene's materials and history with it).
    if (m_pCurrentCurve)
        SceneHost().EndCurveEditing();
    DeleteContents(false);
    MeshWatcher::Remove(this);
}

namespace {

void AppendCurves(General::NURBSCurve *&head, General::NURBSCurve *curves)
{
    if (!head) {
        head = curves;
        return;
    }
    General::NURBSCurve *last = head;
    while (last->GetNext())
        last = last->GetNext();
    last->SetNext(curves);
}

}  // namespace

void Scene::AddCurve(General::NURBSCurve *curve)
{
    AppendCurves(m_pCurves, curve);
    ++m_iCurveCount;
}

void Scene::AddObject(Object *object)
{
    Object **link = &m_pObjects;
    while (*link)
        link = &(*link)->m_pNextObject;
    *link = object;
}

Object *Scene::GetObject(int position) const
{
    Object *object = position < 0 ? nullptr : m_pObjects;
    for (int i = 0; object && i < position; ++i)
        object = object->m_pNextObject;
    return object;
}

int Scene::GetObjectIndex(const Object *object) const
{
    int position = 0;
    for (const Object *o = m_pObjects; o; o = o->m_pNextObject, ++position)
        if (o == object)
            return position;
    return object ? object->m_iRememberedPosition : -1;
}

int Scene::GetObjectCount() const
{
    int count = 0;
    for (const Object *o = m_pObjects; o; o = o->m_pNextObject)
        ++count;
    return count;
}

namespace {

Object *ObjectOf(const Mesh *mesh)
{
    const auto *level = dynamic_cast<const SubdivLevel *>(mesh);
    return level ? const_cast<SubdivLevel *>(level)->GetObject() : nullptr;
}

// Unsigned arithmetic: the serial of a long session's scratch scene may carry past 31 bits.
int PackMeshId(int serial, int position, const Mesh *mesh)
{
    const uint32_t upper = uint32_t(serial) * 256u + uint32_t(position);
    return int(uint32_t(upper << 16) + uint32_t(static_cast<const SubdivLevel *>(mesh)->GetLevelIndex()));
}

}  // namespace

int Scene::GetMeshId(const Mesh *mesh) const
{
    const Object *object = ObjectOf(mesh);
    return object ? PackMeshId(m_iSerial, GetObjectIndex(object), mesh) : -1;
}

int Scene::GetMeshId(const Mesh *mesh, const std::vector<Object *> &objects) const
{
    Object *object = ObjectOf(mesh);
    const auto found = object ? std::find(objects.begin(), objects.end(), object) : objects.end();
    return found == objects.end() ? -1 : PackMeshId(m_iSerial, int(found - objects.begin()), mesh);
}

SubdivLevel *Scene::GetMeshById(int id) const
{
    if (id == -1)
        return nullptr;
    // The inverse of GetMeshId: this scene's serial comes off the upper half first.
    const int position = int16_t(uint16_t((uint32_t(id) >> 16) - uint32_t(m_iSerial) * 256u));
    const Object *object = GetObject(position);
    return object ? object->GetLevel(id & 0xFFFF) : nullptr;
}

bool Scene::HasSelectedFaces() const
{
    for (const Object *o = m_pObjects; o; o = o->m_pNextObject)
        if (o->HasSelectedFaces())
            return true;
    return false;
}

bool Scene::HasOctree() const
{
    if (!m_pObjects || !m_pObjects->m_pOctree)
        return false;
    return m_pObjects->m_pOctree->GetRoot() != nullptr;
}

void Scene::Clear(bool keepDefaults)
{
    SceneHost().EndCurveEditing();
    DeleteContents(keepDefaults);
    Surface::Materials().Clear();
    Surface::InitMaterials();
    SceneHost().ClearHistory();
    m_iObjectCount = 0;
    m_sFileName.clear();
    m_bModified = false;
    SceneHost().ReleasePropertyWindows();
}

void Scene::DeleteContents(bool keepDefaults)
{
    delete m_pSelectionSets;
    m_pSelectionSets = nullptr;
    DeleteObjects();
    DeleteCameras();
    delete m_pCurves;
    m_pCurves = nullptr;
    m_pCurrentCurve = nullptr;
    if (keepDefaults) {
        DeleteLights(true);
        CreateDefaultCameras();
    } else {
        DeleteLights(false);
        m_iCameraCount = 0;
        m_iLightCount = 0;
    }
    SceneHost().DeleteSceneNodes(*this);
}

void Scene::DeleteObjects()
{
    // One object at a time: a long chain must not recurse.
    while (Object *object = m_pObjects) {
        m_pObjects = object->m_pNextObject;
        object->m_pNextObject = nullptr;
        delete object;
    }
}

void Scene::Merge(Scene &other)
{
    AddObject(other.m_pObjects);
    other.m_pObjects = nullptr;
    AppendCurves(m_pCurves, other.m_pCurves);
    other.m_pCurves = nullptr;
    other.m_pCurrentCurve = nullptr;
    SceneHost().MoveSceneNodes(other, *this);
}

void Scene::ApplyImportUnits(Object *object)
{
    float factor = 1.0f;
    switch (SceneHost().GetLinearUnit()) {
    case 0: factor = 0.1f; break;
    case 2: factor = 100.0f; break;
    case 3: factor = 2.54f; break;
    default: break;
    }
    if (factor == 1.0f || !object)
        return;
    for (int i = 0; SubdivLevel *level = object->GetLevel(i); ++i)
        level->Scale(factor);
}

void Scene::BuildOctrees(Object *first)
{
    General::ShellServices &shell = General::Shell();
    shell.SetStatusMessage(QStringLiteral("building octree"), 0);
    General::ProgressMeter &meter = General::Progress();
    for (Object *object = first; object; object = object->m_pNextObject) {
        if (!object->m_pOctree)
            object->m_pOctree = new Octree::Octree(object);
        object->m_pOctree->m_fLooseOffset = 1.0f;
        object->m_pOctree->CreateRoot();
        meter.Start(QStringLiteral("building octree..."), object->m_iFaceCount, 50);
        for (unsigned face = 0; face < object->m_iFaceCount; ++face) {
            meter.Advance();
            object->m_pOctree->UpdateFace(face);
        }
        meter.End();
    }
    shell.SetStatusMessage(QStringLiteral("done."), 0);
}

void Scene::MirrorSegments(General::Vector start, General::Vector end, int depth, int mask, const SegmentVisit &visit,
                           const LocalFrame &localFrame) const
{
    SceneServices &host = SceneHost();
    if (depth >= host.GetMirrorPlaneCount()) {
        visit(start, end, mask);
        return;
    }
    MirrorSegments(start, end, depth + 1, mask, visit, localFrame);
    General::Vector point;
    General::Vector normal;
    host.GetMirrorPlane(depth, point, normal);
    if (host.GetLocalMirror() && localFrame) {
        if (const General::Matrix *frame = localFrame()) {
            normal = frame->Transform(normal, 0.0f);
            normal.Normalize();
            point = frame->Transform(point, 1.0f);
        }
    }
    const auto reflect = [&](const General::Vector &x) { return x - normal * (2.0f * (x - point).Dot(normal)); };
    MirrorSegments(reflect(start), reflect(end), depth + 1, mask + (1 << depth), visit, localFrame);
}

void Scene::Pick(Picker &picker, General::Vector start, General::Vector end, int depth, int mirrorMask)
{
    MirrorSegments(
        start, end, depth, mirrorMask,
        [&](const General::Vector &s, const General::Vector &e, int mask) { PickObjects(picker, s, e, mask); },
        [&]() -> const General::Matrix * {
            const PickInfo *first = picker.GetFirstPick();
            Object *object = first && first->m_pMesh ? first->m_pMesh->GetObject() : nullptr;
            Placement *placement = object ? object->GetPlacement() : nullptr;
            return placement ? &placement->GetFullMatrix() : nullptr;
        });
}

void Scene::PickObjects(Picker &picker, const General::Vector &start, const General::Vector &end, int mask)
{
    const SceneServices &host = SceneHost();
    for (Object *object = m_pObjects; object; object = object->m_pNextObject) {
        General::Vector localStart = start;
        General::Vector localEnd = end;
        if (Placement *placement = object->GetPlacement()) {
            const General::Matrix &toObject = placement->GetInverseLocalMatrix();
            localStart = toObject.Transform(start, 1.0f);
            localEnd = toObject.Transform(end, 1.0f);
        }
        for (SubdivLevel *level = object; level; level = level->m_pNext) {
            if (!level->m_pOctree)
                continue;
            const bool startsBatch = object == m_pObjects && level == object;
            picker.Pick(*level->m_pOctree, localStart, localEnd, 0, host.GetTwoSidedPick(), !host.CurrentToolRestarts(),
                        !startsBatch, mask);
        }
    }
}
