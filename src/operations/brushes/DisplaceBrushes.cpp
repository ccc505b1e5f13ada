// The brushes that displace vertices by an amount of their own law: soft, hard, pinch, smooth.
#include "foundation/Diagnostics.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "mesh/core/Placement.h"
#include "mesh/object/LayerLevel.h"
#include "operations/brushes/BrushServices.h"
#include "operations/brushes/StrokeSegment.h"
#include "operations/brushes/VertexBrushes.h"
#include "scene/Brush.h"

#include <algorithm>
#include <cmath>

namespace Operations {

bool SoftBrushOperation::AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset)
{
    if (pick && m_pTool && m_pTool->m_bSpacedDab && m_pSegment && m_pSegment->m_cCurrent.m_bValid) {
        const float step = (pick->m_vPosition + offset - m_pSegment->m_cCurrent.m_vPosition).Length();
        if (step < m_pTool->GetSize() * 0.01f * float(m_pTool->m_iSpacing))
            return false;
    }
    return VertexOperation::AddPoint(pick, size, strength, offset);
}

void SoftBrushOperation::ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight)
{
    VertexOperation::ProcessVertex(mesh, face, vertex, weight);
    StoredVertexInfo *record = BeginVertexEdit(mesh, vertex);
    const float n = float(std::max(1, 51 - BrushServices::Get().GetBrushRate()));
    const float v = std::min(0.8f, StrokeStrength() * FalloffSample(weight) / n);
    float &a = Amount(record);
    const float amount = (1.0f - (1.0f - a) * std::sqrt(1.0f - v) - a) * FreezeAndMask(mesh, face, vertex);
    const General::Vector direction = Direction(mesh, vertex, record);
    MoveVertex(mesh, vertex, face, direction * (amount * SignedLocalStrength()));
    a += amount;
}

void HardBrushOperation::ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight)
{
    VertexOperation::ProcessVertex(mesh, face, vertex, weight);
    StoredVertexInfo *record = BeginVertexEdit(mesh, vertex);
    const float target = FalloffSample(weight) * StrokeStrength() * FreezeAndMask(mesh, face, vertex);
    float &a = Amount(record);
    if (target <= a) {
        m_pSVI = nullptr;
        return;
    }
    const General::Vector direction = Direction(mesh, vertex, record);
    MoveVertex(mesh, vertex, face, direction * ((target - a) * SignedLocalStrength()));
    a = target;
}

void PinchOperation::ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight)
{
    if (m_bFlood || !m_pSegment || !m_pTool)
        return;
    VertexOperation::ProcessVertex(mesh, face, vertex, weight);
    BeginVertexEdit(mesh, vertex);
    General::Vector centre = m_pSegment->Interpolate(&StrokeSample::m_vPosition);
    if (Placement *placement = OwnerOf(&mesh) ? mesh.GetPlacement() : nullptr)
        centre = placement->GetInverseLocalMatrix().Transform(centre);
    const float k = m_pTool->GetStrength() / m_pTool->m_fStrengthMaximum * FalloffSample(weight) *
                    FreezeAndMask(mesh, face, vertex);
    MoveVertex(mesh, vertex, face, (centre - mesh.m_pVertices[vertex].m_vPosition) * k);
}

bool SmoothOperation::UsesLayer() const { return m_pLayerLevel && m_pTool && m_pTool->m_bSmoothLayer; }

void SmoothOperation::OnAdjacentVertex(Mesh &mesh, unsigned vertex, unsigned)
{
    if (!UsesLayer()) {
        m_vSum += mesh.m_pVertices[vertex].m_vPosition;
        return;
    }
    const int record = m_pLayerLevel->FindVertex(vertex, false);
    if (const LayerLevel::VertexData *data = record == -1 ? nullptr : m_pLayerLevel->GetVertexData(record))
        m_vSum += data->m_vOffset;
}

void SmoothOperation::ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight)
{
    if (!m_pTool)
        return;
    VertexOperation::ProcessVertex(mesh, face, vertex, weight);
    StoredVertexInfo *record = BeginVertexEdit(mesh, vertex);
    const float k = std::min(1.0f, m_pTool->GetStrength() / m_pTool->m_fStrengthMaximum);
    const float w = weight * FreezeAndMask(mesh, face, vertex);
    m_vSum = General::Vector(0, 0, 0);
    const unsigned n = mesh.EnumerateAdjacentVertices(*this, vertex, face);
    if (n == 0) {
        m_pSVI = nullptr;
        return;
    }
    const General::Vector p = mesh.m_pVertices[vertex].m_vPosition;
    General::Vector own = p;
    if (UsesLayer()) {
        const LayerLevel::VertexData *data = record ? m_pLayerLevel->GetVertexData(record->m_aLayerData[0]) : nullptr;
        own = data ? data->m_vOffset : General::Vector(0, 0, 0);
    }
    SetVertexPosition(mesh, vertex, face, p + (m_vSum * (1.0f / float(n)) - own) * (k * w));
}

}  // namespace Operations
