#include "scene/picking/Picker.h"

#include "mesh/core/Mesh.h"
#include "mesh/core/Placement.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Object.h"

#include <algorithm>
#include <cmath>

using General::Vector;

namespace Octree {

void LineSelector::SetSegment(const Vector &start, const Vector &end)
{
    m_vStart = start;
    m_vEnd = end;
    m_vDirection = (end - start).Normalized();
    m_cSegmentBox = AABB(Vector(std::min(start.x, end.x), std::min(start.y, end.y), std::min(start.z, end.z)),
                         Vector(std::max(start.x, end.x), std::max(start.y, end.y), std::max(start.z, end.z)));
}

}  // namespace Octree

namespace {

float Axis(const Vector &v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

bool IsFrozen(Mesh &mesh)
{
    auto *level = dynamic_cast<SubdivLevel *>(&mesh);
    return level && level->m_pObject && level->m_pObject->m_bFrozen;
}

}  // namespace

void Picker::Clear()
{
    m_aPicks.clear();
    m_fBlend = 0.5f;
    m_iBatchStart = 0;
    m_bFound = false;
}

void Picker::Pick(Octree::Octree &octree, const Vector &start, const Vector &end, int, bool twoSided,
                  bool onePerFreezeState, bool continueBatch, int tag)
{
    if (start == end)
        return;
    m_iTag = tag;
    m_bTwoSided = twoSided;
    m_bOnePerFreezeState = onePerFreezeState;
    if (!continueBatch)
        m_iBatchStart = GetPickCount();
    SetSegment(start, end);
    octree.Traverse(*this, nullptr, 1);
}

int Picker::TestBox(const AABB &box)
{
    // Whether any point of the segment lies in the closed box (slabs clipped to 0..1).
    // It accepts every box that a strict crossing test would, and touching ones too,
    // so the tree never hides a face that the face test itself would take.
    float low = 0.0f;
    float high = 1.0f;
    for (int axis = 0; axis < 3; ++axis) {
        const float s = Axis(m_vStart, axis);
        const float d = Axis(m_vEnd, axis) - s;
        const float lo = Axis(box.m_vMin, axis);
        const float hi = Axis(box.m_vMax, axis);
        if (d == 0.0f) {
            if (s < lo || s > hi)
                return 1;
            continue;
        }
        float t0 = (lo - s) / d;
        float t1 = (hi - s) / d;
        if (t0 > t1)
            std::swap(t0, t1);
        low = std::max(low, t0);
        high = std::min(high, t1);
        if (low > high)
            return 1;
    }
    return 2;
}

void Picker::VisitFace(Mesh &mesh, unsigned face)
{
    ++m_iVisited;
    const bool quads = mesh.m_eType != Mesh::typeTriangular;
    Vector p[4];
    AABB box;
    for (unsigned c = 0; c < (quads ? 4u : 3u); ++c) {
        p[c] = mesh.OriginalFaceVertex(face, c).m_vPosition;
        box.Extend(p[c]);
    }
    // The face's own box takes only strict crossings: a segment that merely touches it is no pick.
    float t = 0.0f;
    if (!box.IntersectSegment(m_vStart, m_vEnd, t))
        return;
    // Quick reject: the segment's box lies wholly on one side of the face on some axis
    // (touching counts as a miss).
    for (int axis = 0; axis < 3; ++axis) {
        const float lo = Axis(m_cSegmentBox.m_vMin, axis);
        const float hi = Axis(m_cSegmentBox.m_vMax, axis);
        bool below = true;
        bool above = true;
        for (unsigned c = 0; c < (quads ? 4u : 3u); ++c) {
            const float v = Axis(p[c], axis);
            below = below && lo >= v;
            above = above && hi <= v;
        }
        if (below || above)
            return;
    }
    if (quads) {
        TestTriangle(mesh, face, p[0], p[1] - p[0], p[3] - p[0], 0);
        TestTriangle(mesh, face, p[2], p[3] - p[2], p[1] - p[2], 1);
    } else {
        TestTriangle(mesh, face, p[0], p[1] - p[0], p[2] - p[0], 0);
    }
}

void Picker::VisitCubeFaces(Mesh &mesh, const Octree::CubeFaces &faces)
{
    // The face test's quick reject, taken first and on the face boxes: the segment's box
    // lies wholly on one side of the face on some axis. Both tests must pass for a pick,
    // so the order changes no result.
    const unsigned count = faces.GetCount();
    const float loX = m_cSegmentBox.m_vMin.x, loY = m_cSegmentBox.m_vMin.y, loZ = m_cSegmentBox.m_vMin.z;
    const float hiX = m_cSegmentBox.m_vMax.x, hiY = m_cSegmentBox.m_vMax.y, hiZ = m_cSegmentBox.m_vMax.z;
    const float *minX = faces.GetMin(0), *minY = faces.GetMin(1), *minZ = faces.GetMin(2);
    const float *maxX = faces.GetMax(0), *maxY = faces.GetMax(1), *maxZ = faces.GetMax(2);
    const uint32_t *numbers = faces.GetFaces();
    m_iVisited += int(count);
    // The faces left are tested in groups: each group's face records, then their corners,
    // are asked for before the first is read, so their fetches overlap.
    constexpr unsigned kGroup = 16;
    unsigned group[kGroup];
    for (unsigned i = 0; i < count;) {
        unsigned n = 0;
        for (; i < count && n < kGroup; ++i) {
            const bool apart = (loX >= maxX[i]) | (hiX <= minX[i]) | (loY >= maxY[i]) | (hiY <= minY[i]) |
                               (loZ >= maxZ[i]) | (hiZ <= minZ[i]);
            if (!apart)
                group[n++] = numbers[i];
        }
        if (n > 1) {
            mesh.WithFaces([&](const auto &records) {
                for (unsigned k = 0; k < n; ++k)
                    __builtin_prefetch(&records[group[k]]);
            });
            const Vertex *vertices = mesh.m_pVertices.GetBuffer();
            const unsigned vertexCount = std::min(mesh.m_iVertexCount, mesh.m_pVertices.GetItemCount());
            for (unsigned k = 0; k < n; ++k)
                for (unsigned c = 0; c < mesh.Corners(); ++c)
                    if (const unsigned v = mesh.FaceVertexIndex(group[k], c); v < vertexCount)
                        __builtin_prefetch(vertices + v);
        }
        for (unsigned k = 0; k < n; ++k) {
            VisitFace(mesh, group[k]);
            --m_iVisited;
        }
    }
}

void Picker::TestTriangle(Mesh &mesh, unsigned face, const Vector &origin, const Vector &e1In, const Vector &e2In,
                          int half)
{
    for (int pass = 0; pass < (m_bTwoSided ? 2 : 1); ++pass) {
        // The second pass swaps the edges, which turns the triangle round.
        const Vector &e1 = pass ? e2In : e1In;
        const Vector &e2 = pass ? e1In : e2In;
        const Vector s = m_vStart - origin;
        // Edge tests without a division: u and v are scaled by det.
        const Vector p = m_vDirection.Cross(e2);
        const float det = e1.Dot(p);
        if (det < 0.0f)
            continue;
        const float u = s.Dot(p);
        if (u < 0.0f || u > det)
            continue;
        const Vector q = s.Cross(e1);
        const float v = m_vDirection.Dot(q);
        if (v < 0.0f || u + v > det)
            continue;
        // The distance comes from where the segment crosses the plane.
        const Vector n = e1.Cross(e2);
        const float a = n.Dot(m_vEnd) - n.Dot(origin);
        const float b = n.Dot(m_vStart) - n.Dot(origin);
        if (a * b > 0.0f || (a == 0.0f && b == 0.0f))
            continue;
        const float t = std::fabs(b) / (std::fabs(a) + std::fabs(b));
        AddPick(mesh, face, m_vStart + (m_vEnd - m_vStart) * t, n.Normalized(), t, half);
    }
}

void Picker::AddPick(Mesh &mesh, unsigned face, const Vector &hit, const Vector &normal, float t, int half)
{
    if (m_bVisibleOnly && !mesh.IsFaceVisible(face))
        return;
    const bool frozen = IsFrozen(mesh);
    const size_t batch = size_t(std::clamp(m_iBatchStart, 0, GetPickCount()));
    if (m_bOnePerFreezeState && !frozen && batch < m_aPicks.size() && !m_aPicks[batch]->m_bFrozen &&
        m_aPicks[batch]->m_fDistance <= t)
        return;
    auto pick = std::make_unique<PickInfo>();
    pick->m_pMesh = &mesh;
    pick->m_fDistance = t;
    pick->m_iTag = m_iTag;
    pick->m_iFace = int32_t(face);
    Placement *placement = mesh.GetPlacement();
    pick->m_vPosition = placement ? placement->GetFullMatrix().Transform(hit, 1.0f) : hit;
    pick->m_vNormal = normal;
    pick->m_bFrozen = frozen;
    pick->m_iHalf = half;
    m_bFound = true;
    if (m_bOnePerFreezeState) {
        for (size_t i = batch; i < m_aPicks.size(); ++i) {
            if (m_aPicks[i]->m_bFrozen != frozen)
                continue;
            if (m_aPicks[i]->m_fDistance < t)
                return;
            m_aPicks.erase(m_aPicks.begin() + std::ptrdiff_t(i));
            break;
        }
    }
    size_t at = batch;
    while (at < m_aPicks.size() && m_aPicks[at]->m_fDistance < t)
        ++at;
    m_aPicks.insert(m_aPicks.begin() + std::ptrdiff_t(at), std::move(pick));
}

void Picker::Append(std::unique_ptr<PickInfo> pick)
{
    m_aPicks.push_back(std::move(pick));
    m_bFound = true;
}

PickInfo *Picker::GetClosestPick(float value) const
{
    PickInfo *best = nullptr;
    float bestDistance = 2.0f;
    for (const auto &pick : m_aPicks) {
        const float distance = std::fabs(pick->m_fDistance - value);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = pick.get();
        }
    }
    return best;
}
