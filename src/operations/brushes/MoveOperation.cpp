#include "operations/brushes/MoveOperation.h"

#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "mesh/core/Placement.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/Object.h"
#include "operations/brushes/BrushServices.h"
#include "operations/normals/NormalUpdater.h"
#include "scene/Brush.h"
#include "scene/camera/Camera.h"
#include "scene/camera/CameraHost.h"

#include <algorithm>
#include <cstdlib>

namespace Operations {

namespace {

Placement *PlacementOf(Mesh &mesh) { return BrushOperation::OwnerOf(&mesh) ? mesh.GetPlacement() : nullptr; }

}  // namespace

MoveOperation::MoveOperation(Brush *tool, StrokeSegment *segment, int mode) : VertexOperation(tool, segment, mode)
{
    m_bFlagA = false;
}

MoveOperation::~MoveOperation()
{
    if (m_pLayerLevel)
        m_pLayerLevel->Extend();
}

bool MoveOperation::AddPoint(PickInfo *pick, float, float, const General::Vector &)
{
    SetChanged();
    if (pick && !pick->m_pMesh)
        pick = nullptr;  // empty space: the stroke goes on moving what it caught
    if (!pick && !m_bAnchored)
        return false;
    const int symmetry = BrushServices::Get().GetSymmetryMode();
    int index = 0;
    if (pick) {
        Mesh &mesh = *pick->m_pMesh;
        if (pick->m_iFace < 0 || unsigned(pick->m_iFace) >= mesh.m_iFaceCount || pick->m_iTag < -1 ||
            pick->m_iTag > 1)
            return false;
        Object *object = OwnerOf(&mesh);
        if (m_aTargets.empty() && m_bObjectLockCheck && object && object->m_bLocked)
            return false;
        if (Layer3D *layer = object ? object->GetActiveLayer() : nullptr) {
            auto *level = static_cast<SubdivLevel *>(&mesh);
            if (m_aTargets.empty())
                m_pLayerLevel = layer->GetLevel(level);
            if (!m_bAnchored && !layer->LockToLevel(level))
                return false;
        }
        const int count = int(m_aTargets.size());
        if (symmetry != 0) {
            index = std::abs(pick->m_iTag);
        } else {
            index = pick->m_iTag == 0 ? 0 : count;
            for (int t = 0; t < count; ++t)
                if (m_aTargets[size_t(t)]->m_pMesh == &mesh)
                    index = t;
        }
        // Sides are caught in order: a mirrored side before the primary one would never move.
        if (index > count)
            return false;
        if (index == count)
            return Catch(*pick, index);
    }
    return MoveCaught();
}

bool MoveOperation::Catch(PickInfo &pick, int index)
{
    Mesh &mesh = *pick.m_pMesh;
    if (BrushServices::Get().GetSymmetryMode() != 0 && !m_aTargets.empty() && m_aTargets[0]->m_pMesh != &mesh)
        return false;
    if (m_pMoveMesh && m_pMoveMesh != &mesh) {
        TV_ASSERT(false);
        return false;
    }
    m_iCurrentTarget = index;
    m_vHit = pick.m_vPosition;
    if (index == 0) {
        m_bAnchored = true;
        m_vAnchor = pick.m_vPosition;
        Camera *camera = BrushServices::Get().GetActiveCamera();
        if (camera) {
            float x = 0.0f, y = 0.0f;
            camera->Project(m_vAnchor, x, y, &m_fAnchorDepth);
            m_fScale = (camera->GetPosition() - pick.m_vPosition).Length();
        }
        BrushServices::Get().GetPointerPosition(m_fStartX, m_fStartY);
        m_vPickNormal = pick.m_vNormal;
    }
    const unsigned face = unsigned(pick.m_iFace);
    m_pTarget = &AppendTarget(&mesh, m_pLayerLevel);
    m_pTarget->m_aSegments.Add(SegmentInfo{index, -1, int32_t(face)});
    m_pMoveMesh = &mesh;
    mesh.CollectVertices(face, *this);
    if (index == 0)
        SetSymmetryMatrix(mesh, face);
    return true;
}

void MoveOperation::SetSymmetryMatrix(Mesh &mesh, unsigned face)
{
    const BrushServices &services = BrushServices::Get();
    const int symmetry = services.GetSymmetryMode();
    m_mSymmetry.SetIdentity();
    if (symmetry == -1) {
        if (mesh.IsSymmetryComplete())
            mesh.GetSymmetryTransform(m_mSymmetry, face);
    } else if (symmetry == 1) {
        // Only a principal axis mirrors; any other leaves the sides moving alike.
        const General::Vector axis = services.GetSymmetryAxis();
        const General::Vector units[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        for (int k = 0; k < 3; ++k)
            if (axis == units[k])
                m_mSymmetry(k, k) = -1.0f;
    }
    Placement *placement = PlacementOf(mesh);
    if (placement && (services.GetWorldSpaceSymmetry() || symmetry == -1))
        m_mSymmetry = placement->GetInverseLocalMatrix().Multiply(m_mSymmetry).Multiply(placement->GetFullMatrix());
}

General::Vector MoveOperation::PointerDisplacement() const
{
    float x = 0.0f, y = 0.0f;
    BrushServices::Get().GetPointerPosition(x, y);
    const float dx = x - m_fStartX, dy = y - m_fStartY, k = m_fScale;
    switch (m_pTool ? m_pTool->m_iDirection : 0) {
    case 1:
        return m_vPickNormal * ((dx - dy) * k);
    case 9: {
        Camera *camera = BrushServices::Get().GetActiveCamera();
        General::Vector world(0, 0, 0);
        const float width = float(CameraHost::Get().ViewWidth()), height = float(CameraHost::Get().ViewHeight());
        // The pick that caught the anchor counted its row as the camera does: so must this.
        if (!camera || !camera->UnProject(width * x, camera->BufferRow(height * y), m_fAnchorDepth, world))
            return General::Vector(0, 0, 0);
        return world - m_vAnchor;
    }
    case 10:
        return General::Vector(dx * k, -dy * k, 0.0f);
    case 11:
        return General::Vector(dx * k, 0.0f, -dy * k);
    case 12:
        return General::Vector(0.0f, dx * k, -dy * k);
    default:
        return General::Vector(0, 0, 0);
    }
}

bool MoveOperation::MoveCaught()
{
    const General::Vector d = PointerDisplacement();
    // A displacement is a direction: the mirror's translation must not shift it.
    const General::Vector mirrored = m_mSymmetry.Transform(d, 0.0f);
    const bool local = !m_pTool || m_pTool->m_iDirection != 1;
    const unsigned count = unsigned(m_aTargets.size());
    const unsigned sides = BrushServices::Get().GetSymmetryMode() != 0 ? std::min(2u, count) : count;
    AABB world;
    for (unsigned side = 0; side < sides; ++side) {
        TargetInfo &target = *m_aTargets[side];
        if (!TV_CHECK(target.m_pMesh))
            continue;
        Mesh &mesh = *target.m_pMesh;
        m_pTarget = &target;
        General::Vector a = d, b = mirrored;
        Placement *placement = PlacementOf(mesh);
        if (local && placement) {
            a = placement->GetInverseLocalMatrix().Transform(a, 0.0f);
            b = placement->GetInverseLocalMatrix().Transform(b, 0.0f);
        }
        const General::Vector mean = (a + b) * 0.5f;
        m_cDirty.Reset();
        for (const AffectedVertex &record : m_aVertices) {
            if (record.m_iSide != int(side))
                continue;
            if (!BeginVertexEdit(mesh, record.m_iVertex))
                continue;
            const General::Vector &own = record.m_iSide == 1 ? b : a;
            const float blend =
                record.m_fWeightDifference >= 0.0f && sides == 2 ? record.m_fWeightDifference : record.m_fWeight;
            const General::Vector position = record.m_vStart + mean * record.m_fWeight + (own - mean) * blend;
            SetVertexPosition(mesh, record.m_iVertex, record.m_iFace, position);
            mesh.VertexStrokeID(record.m_iVertex) = int32_t(mesh.m_iStamp);
        }
        ++mesh.m_iStamp;
        const AABB changed = m_cDirty;
        // Both sides of one mesh note into the first side's record, which alone is stored.
        NormalHistory &normals = m_aTargets[0]->m_pMesh == &mesh ? m_aTargets[0]->m_cNormals : target.m_cNormals;
        if (target.m_aSegments.HasItems())
            NormalUpdater::UpdateNormals(mesh, unsigned(target.m_aSegments[0].m_iFaceIndex), world, true, &normals);
        if (!changed.IsEmpty())
            for (int corner = 0; corner < 8; ++corner)
                world.Extend(placement ? placement->GetFullMatrix().Transform(changed.GetCorner(corner))
                                       : changed.GetCorner(corner));
    }
    RequestRedraw(world);
    return true;
}

void MoveOperation::RequestRedraw(const AABB &world)
{
    if (Camera *camera = BrushServices::Get().GetActiveCamera()) {
        if (world.IsEmpty() || camera->m_bRegionFlag)
            camera->ResetViewRegion(false);
        else
            camera->GetScreenBounds(world, false);
    }
    BrushServices::Get().Redraw();
}

float MoveOperation::GetWeight(Mesh &mesh, unsigned face, unsigned vertex)
{
    if (!mesh.IsFaceVisible(face))
        return 0.0f;
    General::Vector p = mesh.m_pVertices[vertex].m_vPosition;
    if (Placement *placement = PlacementOf(mesh))
        p = placement->GetFullMatrix().Transform(p);
    const float size = m_pTool ? m_pTool->GetSize() : 0.0f;
    if (!(size > 0.0f))
        return 0.0f;
    return 1.0f - (m_vHit - p).Length() / size;
}

void MoveOperation::ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float falloff)
{
    const float maximum = m_pTool ? m_pTool->m_fStrengthMaximum : 0.0f;
    const float strength = maximum > 0.0f ? m_pTool->GetStrength() / maximum : 0.0f;
    const float weight = strength * FreezeAndMask(mesh, face, vertex) * FalloffSample(falloff);
    if (m_iCurrentTarget >= 1 && m_aTargets.size() >= 2 && m_aTargets[0]->m_pMesh == m_aTargets[1]->m_pMesh) {
        const auto found = m_aRecordOf.find(vertex);
        if (found != m_aRecordOf.end()) {
            AffectedVertex &record = m_aVertices[found->second];
            if (record.m_iSide != m_iCurrentTarget) {
                float difference = record.m_fWeight - weight;
                if (difference < 0.0f) {
                    difference = -difference;
                    record.m_fWeight = weight;
                    record.m_iSide = m_iCurrentTarget;
                }
                record.m_fWeightDifference = difference;
            }
            return;
        }
    }
    const int added = m_aVertices.Add(AffectedVertex{vertex, face, weight, -1.0f, mesh.m_pVertices[vertex].m_vPosition,
                                                     int32_t(m_iCurrentTarget)});
    if (added >= 0)
        m_aRecordOf[vertex] = uint32_t(added);
}

void MoveOperation::Serialize(Stream &stream)
{
    if (stream.IsStoring() && m_aVertices.HasItems() && m_aTargets.size() >= 2 &&
        m_aTargets[0]->m_pMesh == m_aTargets[1]->m_pMesh) {
        const TargetInfo &last = *m_aTargets.back();
        if (last.m_aSegments.HasItems())
            m_aTargets.front()->m_aSegments.Add(last.m_aSegments[0]);
        m_aTargets.pop_back();
        m_pTarget = m_aTargets.back().get();
    }
    VertexOperation::Serialize(stream);
}

}  // namespace Operations
