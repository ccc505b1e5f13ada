#include "operations/brushes/VertexOperation.h"

#include "foundation/Diagnostics.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "mesh/object/LayerLevel.h"
#include "operations/brushes/BrushImages.h"
#include "operations/brushes/BrushServices.h"
#include "operations/brushes/StrokeSegment.h"
#include "operations/normals/NormalAverager.h"
#include "operations/normals/NormalUpdater.h"
#include "scene/Brush.h"
#include "scene/camera/Camera.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Operations {

VertexOperation::VertexOperation(Brush *tool, StrokeSegment *segment, int mode) : BrushOperation(tool, segment, mode)
{
}

VertexOperation::VertexOperation(Mesh *mesh, LayerLevel *layerLevel) : BrushOperation(nullptr, nullptr, 0)
{
    m_pTarget = &AppendTarget(mesh, layerLevel);
    m_pLayerLevel = layerLevel;
}

General::Vector VertexOperation::SampleDirection(PickInfo *pick, float size)
{
    if (!m_pTool || m_pTool->m_iDirection != 1)
        return General::Vector(0, 0, 0);
    const int type = m_pTool->m_iType;
    if (type != kSoftBrush && type != kHardBrush && type != kFlatten)
        return General::Vector(0, 0, 0);
    StrokeSegment local;
    local.Start(pick->m_vPosition, size);
    NormalAverager averager(pick->m_pMesh, m_pTool, &local, unsigned(pick->m_iFace));
    return averager.GetNormal().Normalized();
}

void VertexOperation::CollectAndUpdate(Mesh &mesh, unsigned face)
{
    mesh.CollectVertices(face, *this);
    const int vertex = int(mesh.FaceVertexIndex(face, 0));
    if (m_pTarget && m_pSegment) {
        if (m_iCurrentSegment < 0) {
            const int side = m_pSegment->m_cCurrent.m_iSide < 1 ? 0 : m_pSegment->m_cCurrent.m_iSide;
            m_pTarget->m_aSegments.Add(SegmentInfo{side, vertex, int(face)});
        } else {
            SegmentInfo &segment = m_pTarget->m_aSegments[unsigned(m_iCurrentSegment)];
            segment.m_iFaceIndex = int(face);
            segment.m_iVertexIndex = vertex;
        }
    }
    m_cDirty.Reset();
    NormalUpdater::UpdateNormals(mesh, face, m_cDirty, true, m_pTarget ? &m_pTarget->m_cNormals : nullptr);
}

bool VertexOperation::AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset)
{
    if (!pick || !pick->m_pMesh || !m_pSegment)
        return false;
    Mesh &mesh = *pick->m_pMesh;
    if (pick->m_iFace < 0 || unsigned(pick->m_iFace) >= mesh.m_iFaceCount)
        return false;
    ComputeLocalStrength(&mesh);
    if (!BrushOperation::AddPoint(pick, size, strength, offset))
        return false;
    PrepareSample(pick);
    m_iCurrentSegment = -1;
    CollectAndUpdate(mesh, unsigned(pick->m_iFace));
    return true;
}

bool VertexOperation::Flood(Mesh *mesh, bool fromCamera)
{
    if (!mesh)
        return false;
    ComputeLocalStrength(mesh);
    // A locked object gets no target, so nothing may be edited without its undo record.
    if (!BrushOperation::Flood(mesh, fromCamera))
        return false;
    unsigned start = 0;
    while (start < mesh->m_iFaceCount && !mesh->IsFaceVisible(start))
        ++start;
    if (start == mesh->m_iFaceCount)
        return true;
    m_iCurrentSegment = -1;
    mesh->CollectVertices(start, *this);
    m_cDirty.Reset();
    NormalUpdater::UpdateNormals(*mesh, start, m_cDirty, true, m_pTarget ? &m_pTarget->m_cNormals : nullptr);
    return true;
}

void VertexOperation::ProcessVertex(Mesh &, unsigned, unsigned vertex, float)
{
    if (!m_pTarget)
        return;
    const General::Store<SegmentInfo> &segments = m_pTarget->m_aSegments;
    for (unsigned i = segments.GetItemCount(); i-- > 0;)
        if (segments[i].m_iVertexIndex == int(vertex)) {
            m_iCurrentSegment = int(i);
            return;
        }
}

void VertexOperation::BeginWalk(Mesh &mesh)
{
    if (m_pSegment)
        m_cMeasure = m_pSegment->GetMeasure(m_pTool && m_pTool->m_bWindowSpace);
    m_bPlaced = !(m_mObject == General::Matrix());
    const BrushImages &images = BrushImages::Get();
    m_bStencil = images.HasStencil();
    m_bStamp = !m_bFlood && images.HasStamp();
    if (m_bStencil)
        BrushImages::Get().SetStencilObject(OwnerOf(&mesh) ? mesh.GetPlacement() : nullptr);
}

float VertexOperation::ImageFactor(Mesh &mesh, unsigned vertex, bool withStamp) const
{
    if (!m_bStencil && !(withStamp && m_bStamp))
        return 1.0f;
    const General::Vector &place = mesh.OriginalVertex(vertex).m_vPosition;
    const BrushImages &images = BrushImages::Get();
    float factor = m_bStencil ? images.SampleStencil(place) : 1.0f;
    if (withStamp && m_bStamp)
        factor *= images.SampleStamp(place);
    return factor;
}

float VertexOperation::GetWeight(Mesh &mesh, unsigned face, unsigned vertex)
{
    if (!m_bFlood) {
        if (!mesh.IsFaceVisible(face) || !m_pSegment)
            return 0.0f;
        const General::Vector &original = mesh.OriginalVertex(vertex).m_vPosition;
        return m_pSegment->GetFalloff(m_cMeasure, m_bPlaced ? m_mObject.Transform(original) : original);
    }
    if (!m_bCameraFlood)
        return mesh.IsFaceVisible(face) ? 1.0f : 0.0f;
    // Every vertex keeps a little weight, so that the walk reaches the whole mesh.
    if (!mesh.IsFaceVisible(face))
        return 0.0001f;
    const Vertex &v = mesh.m_pVertices[vertex];
    const General::Vector n = UnpackNormal(v.m_aNormal);
    const float weight = n.Dot((m_vCamera - v.m_vPosition).Normalized());
    return weight < 0.0001f ? 0.0001f : weight;
}

void VertexOperation::AddVertexChange(unsigned vertex, const General::Vector &value)
{
    if (!m_aTargets.empty())
        m_aTargets.back()->m_aChanges.Add(VertexChangeRecord{int32_t(vertex), value});
}

StoredVertexInfo *VertexOperation::BeginVertexEdit(Mesh &mesh, unsigned vertex)
{
    bool created = false;
    m_pSVI = mesh.AddToRestoreBuffer(vertex, created);
    if (!m_pSVI) {
        TV_ASSERT(false);
        return nullptr;
    }
    if (!m_pLayerLevel)
        return m_pSVI;
    if (created) {
        TV_ASSERT(mesh.m_iRestoreCount == mesh.m_iRestoreLayerCount + 1);
        const int record = m_pLayerLevel->FindVertex(vertex, true);
        m_pSVI->m_aLayerData[0] = record;
        const LayerLevel::VertexData *data = m_pLayerLevel->GetVertexData(record);
        if (data && mesh.m_aRestoreLayerBuffer.EnsureIndex(mesh.m_iRestoreLayerCount)) {
            mesh.m_aRestoreLayerBuffer[mesh.m_iRestoreLayerCount] = data->m_vOffset;
            ++mesh.m_iRestoreLayerCount;
        }
    }
    return m_pSVI;
}

bool VertexOperation::SetVertexPosition(Mesh &mesh, unsigned vertex, unsigned face, const General::Vector &position)
{
    StoredVertexInfo *record = std::exchange(m_pSVI, nullptr);
    // Any finite place is a place: large scenes keep vertices far from their origin.
    if (!TV_CHECK(record && record->m_iVertexIndex == vertex) || !TV_CHECK(position.IsFinite()))
        return false;
    TV_ASSERT(mesh.m_eType != Mesh::typeQuadric || mesh.IsFaceVisible(face));
    if (!m_pLayerLevel) {
        mesh.SetVertexPosition(vertex, position);
    } else if (LayerLevel::VertexData *data = m_pLayerLevel->GetVertexData(record->m_aLayerData[0])) {
        const General::Vector change = position - mesh.m_pVertices[vertex].m_vPosition;
        data->m_vOffset += change;
        mesh.SetVertexPosition(vertex, mesh.m_pVertices[vertex].m_vPosition +
                                           change * (m_pLayerLevel->m_fStrength * data->m_fWeight));
    }
    m_cDirty.Extend(mesh.m_pVertices[vertex].m_vPosition);
    return true;
}

bool VertexOperation::MoveVertex(Mesh &mesh, unsigned vertex, unsigned face, const General::Vector &change)
{
    StoredVertexInfo *record = std::exchange(m_pSVI, nullptr);
    if (!TV_CHECK(record && record->m_iVertexIndex == vertex) ||
        !TV_CHECK(std::fabs(change.x) < 100000000 && std::fabs(change.y) < 100000000 &&
                  std::fabs(change.z) < 100000000))
        return false;
    TV_ASSERT(mesh.m_eType != Mesh::typeQuadric || mesh.IsFaceVisible(face));
    const General::Vector position = mesh.m_pVertices[vertex].m_vPosition;
    if (!m_pLayerLevel) {
        mesh.SetVertexPosition(vertex, position + change);
    } else if (LayerLevel::VertexData *data = m_pLayerLevel->GetVertexData(record->m_aLayerData[0])) {
        data->m_vOffset += change;
        mesh.SetVertexPosition(vertex, position + change * (m_pLayerLevel->m_fStrength * data->m_fWeight));
    }
    m_cDirty.Extend(mesh.m_pVertices[vertex].m_vPosition);
    return true;
}

float VertexOperation::StrokeStrength() const
{
    if (m_bFlood || !m_pSegment)
        return 1.0f;
    return m_pSegment->Interpolate(&StrokeSample::m_fStrength);
}

float VertexOperation::FreezeAndMask(Mesh &mesh, unsigned face, unsigned vertex)
{
    const unsigned freeze = mesh.WithFaces([&](const auto &faces) { return faces[face].m_iFreeze & 0xFFu; });
    const unsigned mask = mesh.m_pVertices[vertex].m_cFreeze;
    // Most vertices are neither frozen nor masked: the product below is then exactly 1.
    if ((freeze | mask) == 0)
        return 1.0f;
    return (1.0f - float(freeze) / 255.0f) * (1.0f - float(mask) / 255.0f);
}

General::Vector VertexOperation::Direction(Mesh &mesh, unsigned vertex, const StoredVertexInfo *record) const
{
    if (m_bFlood || !m_pSegment)
        return record ? UnpackNormal(record->m_cVertex.m_aNormal) : General::Vector(0, 0, 0);
    const int mode = m_pTool ? m_pTool->m_iDirection : 0;
    switch (mode) {
    case 0:
        return m_pSegment->Interpolate(&StrokeSample::m_vNormal);
    case 1:
        return m_pSegment->Interpolate(&StrokeSample::m_vDirection);
    case 2:
        return UnpackNormal(mesh.OriginalVertexNormal(vertex));
    case 3:
        return m_pSegment->Interpolate(&StrokeSample::m_vMotion);
    case 4:
        return m_pSegment->Interpolate(&StrokeSample::m_vSide);
    case 5:
        return General::Vector(1, 0, 0);
    case 6:
        return General::Vector(0, 1, 0);
    case 7:
        return General::Vector(0, 0, 1);
    case 8: {
        Camera *camera = BrushServices::Get().GetActiveCamera();
        const General::Vector eye = camera ? camera->GetPosition() : General::Vector(0, 0, 0);
        return (eye - m_pSegment->Interpolate(&StrokeSample::m_vPosition)).Normalized();
    }
    default:
        TV_ASSERT(false);
        return General::Vector(0, 0, 0);
    }
}

float &VertexOperation::Amount(StoredVertexInfo *record)
{
    static float dummy;
    if (record)
        return record->m_fAmount;
    dummy = 0.0f;
    return dummy;
}

}  // namespace Operations
