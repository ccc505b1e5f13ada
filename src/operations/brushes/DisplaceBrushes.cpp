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
#include <cstdlib>
#include <utility>

namespace Operations {

SoftBrushOperation::SoftBrushOperation(Brush *tool, StrokeSegment *segment, int mode)
    : VertexOperation(tool, segment, mode)
{
}

SoftBrushOperation::~SoftBrushOperation()
{
    DropCompanion();
    PendingDabs().clear();
}

std::vector<SoftBrushOperation::Dab> &SoftBrushOperation::PendingDabs()
{
    static std::vector<Dab> dabs;
    return dabs;
}

void SoftBrushOperation::CreateCompanion()
{
    m_pCompanionTool = std::make_unique<Brush>();
    *m_pCompanionTool = *m_pTool;
    m_pCompanionTool->m_iType = kSoftBrush;
    m_pCompanionTool->m_bConnect = false;
    m_pCompanionTool->m_bSpacedDab = false;
    m_pCompanionSegment = std::make_unique<StrokeSegment>();
    m_pCompanion = std::make_unique<SoftBrushOperation>(m_pCompanionTool.get(), m_pCompanionSegment.get(),
                                                        m_iMode != 2 ? 2 : 0);
}

void SoftBrushOperation::DropCompanion()
{
    // The companion edits this stroke's meshes: their restore records are this operation's
    // undo data, so the companion must not end them.
    if (m_pCompanion)
        m_pCompanion->m_aTargets.clear();
    m_pCompanion.reset();
    m_pCompanionSegment.reset();
    m_pCompanionTool.reset();
}

void SoftBrushOperation::ReplayDabs()
{
    std::vector<Dab> &dabs = PendingDabs();
    if (m_pCompanion)
        for (Dab &dab : dabs)
            m_pCompanion->AddPoint(&dab.m_cPick, dab.m_fSize * kCompanionWidening, dab.m_fStrength, dab.m_vOffset);
    dabs.clear();
}

bool SoftBrushOperation::AddPoint(PickInfo *pick, float size, float strength, const General::Vector &offset)
{
    const bool spaced = m_pTool && m_pTool->m_bSpacedDab;
    float scale = 1.0f;
    if (pick && m_pSegment) {
        const General::Vector position = pick->m_vPosition + offset;
        if (spaced && m_pSegment->m_cCurrent.m_bValid &&
            (position - m_pSegment->m_cCurrent.m_vPosition).Length() <
                m_pTool->GetSize() * 0.01f * float(m_pTool->m_iSpacing))
            return false;
        // The sample the segment will join: the last one of the pick's side.
        const StrokeSample *joined =
            pick->m_iTag >= -1 && pick->m_iTag <= 1 ? &m_pSegment->m_aHistory[std::abs(pick->m_iTag)] : nullptr;
        const bool continues =
            m_pTool && m_pTool->m_bConnect && !m_pTool->m_bRestart && joined && joined->m_bValid;
        if (!spaced && continues && size > 0.0f)
            scale = std::min(1.0f, (position - joined->m_vPosition).Length() / size);
    }
    const float previousScale = std::exchange(m_fStepScale, scale);
    if (!VertexOperation::AddPoint(pick, size, strength, offset)) {
        m_fStepScale = previousScale;
        return false;
    }
    if (!spaced) {
        DropCompanion();
        return true;
    }
    PendingDabs().push_back(Dab{*pick, size, strength, offset});
    if (!m_pCompanion && m_pTool->m_bConnect)
        CreateCompanion();
    ReplayDabs();
    return true;
}

void SoftBrushOperation::BeginWalk(Mesh &mesh)
{
    VertexOperation::BeginWalk(mesh);
    m_fWalkStep = m_bFlood ? 1.0f : m_fStepScale;
    m_fRateDivisor = float(std::max(1, 51 - BrushServices::Get().GetBrushRate()));
}

void SoftBrushOperation::ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight)
{
    VertexOperation::ProcessVertex(mesh, face, vertex, weight);
    StoredVertexInfo *record = BeginVertexEdit(mesh, vertex);
    const float v = std::min(0.8f, StrokeStrength() * m_fWalkStep * FalloffSample(weight) / m_fRateDivisor);
    float &a = Amount(record);
    const float amount = (1.0f - (1.0f - a) * std::sqrt(1.0f - v) - a) * FreezeAndMask(mesh, face, vertex) *
                         ImageFactor(mesh, vertex, true);
    const General::Vector direction = Direction(mesh, vertex, record);
    MoveVertex(mesh, vertex, face, direction * (amount * SignedLocalStrength()));
    a += amount;
}

void HardBrushOperation::ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight)
{
    VertexOperation::ProcessVertex(mesh, face, vertex, weight);
    StoredVertexInfo *record = BeginVertexEdit(mesh, vertex);
    const float target =
        FalloffSample(weight) * StrokeStrength() * FreezeAndMask(mesh, face, vertex) * ImageFactor(mesh, vertex, false);
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
