#include "operations/brushes/BrushOperation.h"

#include "foundation/Diagnostics.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "mesh/core/Placement.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Object.h"
#include "operations/brushes/BrushServices.h"
#include "operations/brushes/StrokeSegment.h"
#include "scene/Brush.h"
#include "scene/camera/Camera.h"

#include <algorithm>

namespace Operations {

TargetInfo::TargetInfo(Mesh *mesh, LayerLevel *layerLevel)
    : m_pMesh(mesh), m_pLayerLevel(layerLevel), m_iStamp(mesh ? mesh->m_iStamp : 0)
{
}

BrushOperation::BrushOperation(Brush *tool, StrokeSegment *segment, int mode)
    : m_pSegment(segment), m_pTool(tool), m_iMode(mode)
{
}

BrushOperation::~BrushOperation()
{
    for (const auto &target : m_aTargets) {
        if (!target->m_pMesh)
            continue;
        target->m_pMesh->ClearModifiedFaces();
        target->m_pMesh->ClearRestoreBuffer();
    }
}

void BrushOperation::SetStroke(Brush *tool, std::unique_ptr<StrokeSegment> segment)
{
    m_pTool = tool;
    m_pOwnedSegment = std::move(segment);
    m_pSegment = m_pOwnedSegment.get();
}

Object *BrushOperation::OwnerOf(Mesh *mesh)
{
    auto *level = dynamic_cast<SubdivLevel *>(mesh);
    return level ? level->m_pObject : nullptr;
}

LayerLevel *BrushOperation::ActiveLayerLevel(Mesh *mesh)
{
    Object *object = OwnerOf(mesh);
    if (!object || !object->GetActiveLayer())
        return nullptr;
    return static_cast<SubdivLevel *>(mesh)->m_pActiveLayerData;
}

TargetInfo &BrushOperation::AppendTarget(Mesh *mesh, LayerLevel *layerLevel)
{
    m_aTargets.push_back(std::make_unique<TargetInfo>(mesh, layerLevel));
    return *m_aTargets.back();
}

void BrushOperation::CopyObjectMatrix(Mesh *mesh)
{
    Placement *placement = OwnerOf(mesh) ? mesh->GetPlacement() : nullptr;
    m_mObject = placement ? placement->GetFullMatrix() : General::Matrix();
}

void BrushOperation::ComputeLocalStrength(Mesh *mesh)
{
    const float strength = m_pTool ? m_pTool->GetStrength() : 0.0f;
    Placement *placement = OwnerOf(mesh) ? mesh->GetPlacement() : nullptr;
    const General::Vector v(strength, 0, 0);
    m_fLocalStrength = placement ? placement->GetInverseLocalMatrix().Transform(v, 0.0f).Length() : strength;
}

bool BrushOperation::AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset)
{
    m_bFlood = m_bCameraFlood = false;
    if (!pick || !pick->m_pMesh)
        return false;
    Mesh *mesh = pick->m_pMesh;
    Object *object = OwnerOf(mesh);
    if (m_bObjectLockCheck && object && object->m_bLocked)
        return false;
    // A side without a history slot would join the stroke to a sample it never had.
    if (pick->m_iTag < -1 || pick->m_iTag > 1)
        return false;
    if (m_pSegment) {
        const float previous = m_pSegment->m_cCurrent.m_fStrength;
        if (previous - strength > BrushServices::Get().GetPressureDropFraction() * previous) {
            Log("Pressure change too high! (%f %f)\n", double(previous), double(strength));
            return false;
        }
    }
    m_pLayerLevel = ActiveLayerLevel(mesh);
    SetChanged();

    m_pTarget = nullptr;
    for (const auto &target : m_aTargets)
        if (target->m_pMesh == mesh)
            m_pTarget = target.get();
    if (!m_pTarget)
        m_pTarget = &AppendTarget(mesh, m_pLayerLevel);

    const int side = pick->m_iTag < 1 ? 0 : pick->m_iTag;
    bool known = false;
    for (const SegmentInfo &segment : m_pTarget->m_aSegments)
        known = known || segment.m_iSide == side;
    if (!known)
        m_pTarget->m_aSegments.Add(SegmentInfo{side, -1, pick->m_iFace});

    if (m_pTool && !m_pTool->m_bIncremental)
        mesh->m_bRecreateBuffers = true;

    if (m_pSegment) {
        const bool restart = m_pTool && (!m_pTool->m_bConnect || m_pTool->m_bRestart);
        m_pSegment->Update(pick->m_iTag, mesh, unsigned(pick->m_iFace), pick->m_vPosition + offset,
                           SampleDirection(pick, size), size, strength, restart);
        CopyObjectMatrix(mesh);
        StrokeSample &a = m_pSegment->m_cCurrent, &b = m_pSegment->m_cPrevious;
        if (size > (a.m_vPosition - b.m_vPosition).Length()) {
            b.m_fRadius = size;
            b.m_fStrength = strength;
        }
    }
    return true;
}

bool BrushOperation::Flood(Mesh *mesh, bool fromCamera)
{
    m_bFlood = true;
    m_bCameraFlood = fromCamera;
    if (!mesh)
        return false;
    Object *object = OwnerOf(mesh);
    if (fromCamera) {
        Camera *camera = BrushServices::Get().GetActiveCamera();
        General::Vector eye = camera ? camera->GetPosition() : General::Vector(0, 0, 0);
        Placement *placement = object ? mesh->GetPlacement() : nullptr;
        m_vCamera = placement ? placement->GetInverseLocalMatrix().Transform(eye) : eye;
    }
    if (m_bObjectLockCheck && object && object->m_bLocked)
        return false;
    m_pLayerLevel = ActiveLayerLevel(mesh);
    SetChanged();
    m_aTargets.clear();
    m_pTarget = &AppendTarget(mesh, m_pLayerLevel);
    return true;
}

FaceOperation::FaceOperation(Brush *tool, StrokeSegment *segment, int mode) : BrushOperation(tool, segment, mode)
{
    m_bLayerLockCheck = false;
}

bool FaceOperation::AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset)
{
    if (!BrushOperation::AddPoint(pick, size, strength, offset))
        return false;
    m_cDirty.Reset();
    pick->m_pMesh->CollectFaces(unsigned(pick->m_iFace), *this, BrushServices::Get().GetFaceWalkSetting() == -1);
    return true;
}

bool FaceOperation::Flood(Mesh *mesh, bool fromCamera)
{
    if (!BrushOperation::Flood(mesh, fromCamera))
        return false;
    m_cDirty.Reset();
    mesh->CollectFaces(0, *this, false);
    return true;
}

float BrushOperation::FalloffSample(float weight) const
{
    const General::Store<float> *samples = m_pTool ? &m_pTool->m_falloff.GetSamples() : nullptr;
    if (!samples || !samples->HasItems())
        return weight;
    const float x = std::clamp(1.0f - weight, 0.0f, 1.0f);
    return (*samples)[unsigned(float(samples->GetItemCount() - 1) * x)];
}

}  // namespace Operations
