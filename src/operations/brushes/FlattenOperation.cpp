#include "foundation/Diagnostics.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "operations/brushes/StrokeSegment.h"
#include "operations/brushes/VertexBrushes.h"
#include "scene/Brush.h"

#include <algorithm>
#include <cmath>

namespace Operations {

FlattenOperation::Collector::Collector(FlattenOperation &owner, Brush *tool, StrokeSegment *segment)
    : VertexOperation(tool, segment, 0), m_owner(owner)
{
    m_mObject = owner.m_mObject;
}

void FlattenOperation::Collector::ProcessVertex(Mesh &mesh, unsigned, unsigned vertex, float)
{
    // On a surface fit a vertex counts once per stroke: the list keeps growing with the stroke.
    const bool fresh = &mesh.OriginalVertex(vertex) == &mesh.m_pVertices[vertex];
    if (fresh || !m_pTool || !m_pTool->m_bSurface)
        m_owner.m_aVertices[m_owner.m_iPickID].Add(vertex);
}

void FlattenOperation::PrepareSample(PickInfo *pick)
{
    m_iPickID = pick->m_iTag == -1 ? 1 : std::clamp(int(pick->m_iTag), 0, 1);
    if (!m_aNormal[m_iPickID].IsZero() && !(m_pTool && m_pTool->m_bPlaneUpdate))
        return;
    if (m_aTargets.empty() || m_aTargets.front()->m_pMesh != pick->m_pMesh) {
        TV_ASSERT(false);
        return;
    }
    Mesh &mesh = *pick->m_pMesh;
    if (!m_pTool || !m_pTool->m_bSurface)
        m_aVertices[m_iPickID].SetItemCount(0, true);
    Collector collector(*this, m_pTool, m_pSegment);
    mesh.CollectVertices(unsigned(pick->m_iFace), collector);
    FitPlane(mesh);
}

void FlattenOperation::FitPlane(Mesh &mesh)
{
    const General::Store<unsigned int> &list = m_aVertices[m_iPickID];
    if (!list.HasItems())
        return;
    General::Vector sum(0, 0, 0), normals(0, 0, 0);
    for (unsigned vertex : list) {
        sum += mesh.m_pVertices[vertex].m_vPosition;
        normals += UnpackNormal(mesh.m_pVertices[vertex].m_aNormal);
    }
    General::Vector normal;
    if (m_pTool && m_pTool->m_bSurface) {
        normal = normals.Normalized();
    } else {
        const int mode = m_pTool ? m_pTool->m_iDirection : 0;
        normal = (mode == 0 || mode == 2) ? m_pSegment->Interpolate(&StrokeSample::m_vNormal)
                                          : Direction(mesh, 0, nullptr);
    }
    const float place = normal.Dot(sum * (1.0f / float(list.GetItemCount())));
    if (!TV_CHECK(std::fabs(place) < 100000000))
        return;
    m_aNormal[m_iPickID] = normal;
    m_aPlace[m_iPickID] = place;
}

void FlattenOperation::ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight)
{
    if (!m_pTool)
        return;
    VertexOperation::ProcessVertex(mesh, face, vertex, weight);
    BeginVertexEdit(mesh, vertex);
    const General::Vector &normal = m_aNormal[m_iPickID];
    const float distance = mesh.m_pVertices[vertex].m_vPosition.Dot(normal) - m_aPlace[m_iPickID];
    const float amount = -(m_pTool->GetStrength() / m_pTool->m_fStrengthMaximum) * FalloffSample(weight) *
                         FreezeAndMask(mesh, face, vertex) * distance;
    MoveVertex(mesh, vertex, face, normal * amount);
}

}  // namespace Operations
