// Region faces and the evaluation of one texel: the point and frame of the low surface,
// the segment along its normal into the high meshes, and the hit nearest the ray centre.
#include "foundation/Diagnostics.h"
#include "mapping/Mapper.h"
#include "mesh/core/Placement.h"

#include <cmath>

namespace MapExtraction {

namespace {

using General::Vector;

inline Vector CrossOf(const Vector &a, const Vector &b)
{
    return Vector(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

// Segment a + t d, t in [0, 1], against a triangle from either side. The inner loop of
// the bake: kept inline.
inline bool Intersect(const Vector &a, const Vector &d, const Vector &p0, const Vector &p1, const Vector &p2,
                      float &t, float &u, float &v)
{
    const Vector e1 = p1 - p0, e2 = p2 - p0;
    const Vector h = CrossOf(d, e2);
    const float det = e1.Dot(h);
    if (std::fabs(det) < 1e-20f)
        return false;
    const float inv = 1.0f / det;
    const Vector s = a - p0;
    u = s.Dot(h) * inv;
    if (u < -BTree::kEdgeSlack || u > 1.0f + BTree::kEdgeSlack)
        return false;
    const Vector q = CrossOf(s, e1);
    v = d.Dot(q) * inv;
    if (v < -BTree::kEdgeSlack || u + v > 1.0f + BTree::kEdgeSlack)
        return false;
    t = e2.Dot(q) * inv;
    return t >= 0.0f && t <= 1.0f;
}

// Keeps, of the faces a pick reaches, the hit whose parameter is nearest the centre;
// equally near hits keep the one nearer the outer end, then the lower triangle (the lower
// face, then its first half). The choice depends on the hits alone, not on the order the
// tree hands the faces on.
class HitSearch {
public:
    HitSearch(const Vector &start, const Vector &end, float centre, bool smooth)
        : m_vStart(start), m_vDirection(end - start), m_fCentre(centre), m_bSmooth(smooth)
    {
    }

    void SetMesh(Mesh &mesh)
    {
        m_pMesh = &mesh;
        m_pVertices = mesh.m_pVertices.begin();
        m_pQuads = mesh.m_eType == Mesh::typeQuadric ? mesh.m_pQuads.begin() : nullptr;
        m_pTriangles = m_pQuads ? nullptr : mesh.m_pTriangles.begin();
    }

    // Tests both triangles of a quad, or the triangle.
    void Face(unsigned face)
    {
        ++m_iFacesTested;
        const unsigned halves = m_pQuads ? 2 : 1;
        for (unsigned half = 0; half < halves; ++half) {
            unsigned corners[3];
            Corners(face * halves + half, corners);
            const Vertex &a = m_pVertices[corners[0]], &b = m_pVertices[corners[1]], &c = m_pVertices[corners[2]];
            float t, u, v;
            if (Intersect(m_vStart, m_vDirection, a.m_vPosition, b.m_vPosition, c.m_vPosition, t, u, v))
                Hit(face * halves + half, t, u, v);
        }
    }

    // A hit at parameter t on `triangle` (2 · face + half of a quad), u and v weighing its
    // second and third corner.
    void Hit(unsigned triangle, float t, float u, float v)
    {
        const float distance = std::fabs(t - m_fCentre);
        if (m_bHit && (distance > m_fDistance || (distance == m_fDistance && t > m_fT) ||
                       (distance == m_fDistance && t == m_fT && triangle >= m_iTriangle)))
            return;
        m_bHit = true;
        m_fDistance = distance;
        m_fT = t;
        m_iTriangle = triangle;
        m_fU = u;
        m_fV = v;
    }

    // The normal at the chosen hit: interpolated from the corners, or the face's.
    Vector HitNormal() const
    {
        if (!m_bSmooth) {
            Vector normal;
            m_pMesh->GetFaceNormal(normal, m_pQuads ? m_iTriangle / 2 : m_iTriangle);
            return normal;
        }
        unsigned corners[3];
        Corners(m_iTriangle, corners);
        const Vertex &a = m_pVertices[corners[0]], &b = m_pVertices[corners[1]], &c = m_pVertices[corners[2]];
        return UnpackNormal(a.m_aNormal) * (1.0f - m_fU - m_fV) + UnpackNormal(b.m_aNormal) * m_fU +
               UnpackNormal(c.m_aNormal) * m_fV;
    }

    Vector m_vStart, m_vDirection;
    float m_fCentre;
    bool m_bSmooth;
    bool m_bHit = false;
    // The distance of the best hit from the centre; the tree walk reads it.
    float m_fDistance = INFINITY;
    float m_fT = 0.0f, m_fU = 0.0f, m_fV = 0.0f;
    unsigned m_iTriangle = 0;
    unsigned m_iFacesTested = 0;
    Mesh *m_pMesh = nullptr;

private:
    void Corners(unsigned triangle, unsigned corners[3]) const
    {
        if (m_pQuads) {
            const uint32_t *k = m_pQuads[triangle / 2].m_iIndices;
            for (unsigned c = 0; c < 3; ++c)
                corners[c] = k[BTree::kQuadHalves[triangle & 1][c]] & MeshFlags::kIndexMask;
        } else {
            const uint32_t *k = m_pTriangles[triangle].m_iIndices;
            for (unsigned c = 0; c < 3; ++c)
                corners[c] = k[c] & MeshFlags::kIndexMask;
        }
    }

    const Vertex *m_pVertices = nullptr;
    const Quad *m_pQuads = nullptr;
    const Triangle *m_pTriangles = nullptr;
};

General::Matrix FullMatrix(Mesh &mesh)
{
    Placement *placement = mesh.GetPlacement();
    return placement ? placement->GetFullMatrix() : General::Matrix();
}

General::Matrix Inverse(General::Matrix m)
{
    m.Invert();
    return m;
}

// p placed by m (w = 1) or a direction turned by it (w = 0), unless m is the identity.
inline Vector Place(const General::Matrix &m, bool identity, const Vector &p, float w = 1.0f)
{
    return identity ? p : m.Transform(p, w);
}

}  // namespace

void Mapper::PrepareMatrices()
{
    m_mLowFull = m_pWorkingMesh ? FullMatrix(*m_pWorkingMesh) : General::Matrix();
    m_mLowInverse = Inverse(m_mLowFull);
    m_bLowIdentity = m_mLowFull == General::Matrix() && m_mLowInverse == General::Matrix();
    m_aHighIdentity.clear();
    m_aHighFull.clear();
    m_aHighInverse.clear();
    m_aHighTrees.clear();
    m_aHighBoxes.clear();
    m_aHighBoxes.resize(m_aHighMeshes.GetItemCount());
    for (unsigned i = 0; i < m_aHighMeshes.GetItemCount(); ++i) {
        Mesh *mesh = m_aHighMeshes[i];
        m_aHighFull.push_back(FullMatrix(*mesh));
        m_aHighInverse.push_back(Inverse(m_aHighFull.back()));
        m_aHighIdentity.push_back(m_aHighFull.back() == General::Matrix() && m_aHighInverse.back() == General::Matrix());
        const bool owned = i < m_aOwnedTrees.size() && m_aOwnedTrees[i];
        m_aHighTrees.push_back(owned ? m_aOwnedTrees[i].get() : dynamic_cast<const BTree::Tree *>(mesh->m_pBTree));
        if (m_aHighTrees.back())
            m_aHighBoxes[i].Build(*m_aHighTrees.back(), *mesh);
    }
}

bool Mapper::CollectRegionFaces(Mesh &mesh, General::Store<unsigned int> &faces, float uMin, float vMin, float uMax,
                                float vMax, bool selectedOnly)
{
    faces.Clear();
    if (!mesh.m_iTCCount) {
        Log("Assertion: the low resolution mesh has no texture coordinates\n");
        return false;
    }
    const unsigned n = mesh.Corners();
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f) {
        if (selectedOnly && !mesh.IsFaceSelected(f))
            continue;
        // The face's UV box against the region: a face larger than the region, with no
        // corner inside it, still covers its texels.
        float u0 = INFINITY, v0 = INFINITY, u1 = -INFINITY, v1 = -INFINITY;
        for (unsigned c = 0; c < n; ++c) {
            const TC &tc = mesh.GetFaceTC(f, c);
            u0 = std::min(u0, tc.u);
            u1 = std::max(u1, tc.u);
            v0 = std::min(v0, tc.v);
            v1 = std::max(v1, tc.v);
        }
        if (u1 < uMin || u0 > uMax || v1 < vMin || v0 > vMax)
            continue;
        if (faces.Add(f) < 0)
            return false;
    }
    return true;
}

bool Mapper::StepToNeighbourQuad(const Mesh &mesh, float s, float t, unsigned &quad)
{
    if (mesh.m_eType != Mesh::typeQuadric || quad >= mesh.m_iFaceCount)
        return false;
    TC uv[4];
    for (unsigned c = 0; c < 4; ++c)
        uv[c] = mesh.GetFaceTC(quad, c);
    float area = 0.0f;
    for (unsigned c = 0; c < 4; ++c)
        area += uv[c].u * uv[(c + 1) % 4].v - uv[(c + 1) % 4].u * uv[c].v;
    const float orientation = area >= 0.0f ? 1.0f : -1.0f;
    // The edge the point lies farthest beyond.
    int edge = -1;
    float farthest = 0.0f;
    for (unsigned c = 0; c < 4; ++c) {
        const TC &a = uv[c], &b = uv[(c + 1) % 4];
        const float du = b.u - a.u, dv = b.v - a.v;
        const float length = std::sqrt(du * du + dv * dv);
        if (length <= 0.0f)
            continue;
        const float side = orientation * (du * (t - a.v) - dv * (s - a.u)) / length;
        if (side < farthest) {
            farthest = side;
            edge = int(c);
        }
    }
    if (edge < 0)
        return false;
    const Quad &q = mesh.m_pQuads[quad];
    const int32_t link = q.m_iAdjacent[edge];
    if (link < 0)
        return false;
    const unsigned neighbour = unsigned(link) / 4, slot = unsigned(link) % 4;
    if (neighbour >= mesh.m_iFaceCount)
        return false;
    const Quad &other = mesh.m_pQuads[neighbour];
    // The shared edge runs the other way round in the neighbour.
    if (other.m_iTCI[slot] != q.m_iTCI[(edge + 1) % 4] || other.m_iTCI[(slot + 1) % 4] != q.m_iTCI[edge])
        return false;
    quad = neighbour;
    return true;
}

void Mapper::LoadCorners(const unsigned vertices[3], const unsigned frames[3], TexelCorners &corners) const
{
    const Mesh &low = *m_pWorkingMesh;
    for (unsigned k = 0; k < 3; ++k) {
        const Vertex &v = low.m_pVertices[vertices[k]];
        corners.m_aPosition[k] = v.m_vPosition;
        corners.m_aNormal[k] = UnpackNormal(v.m_aNormal);
        corners.m_aHasFrame[k] = m_aFrames.HasItems() && frames[k] < m_aFrames.GetItemCount();
        if (corners.m_aHasFrame[k])
            corners.m_aFrame[k] = m_aFrames[frames[k]];
    }
    const Vector &p0 = corners.m_aPosition[0];
    const Vector n = CrossOf(corners.m_aPosition[1] - p0, corners.m_aPosition[2] - p0);
    const float length = n.Length();
    corners.m_vFaceNormal = length > 0.0f ? n * (1.0f / length) : Vector(0, 0, 0);
}

void Mapper::EvaluateTexel(unsigned x, unsigned y, const float weights[3], const unsigned vertices[3],
                           const unsigned frames[3], unsigned threadId)
{
    TexelCorners corners;
    LoadCorners(vertices, frames, corners);
    EvaluateTexel(x, y, weights, corners, threadId);
}

void Mapper::EvaluateTexel(unsigned x, unsigned y, const float weights[3], const TexelCorners &corners,
                           unsigned threadId)
{
    Statistics &stats = m_aThreadStatistics[threadId & 1];
    Vector p(0, 0, 0), n(0, 0, 0);
    General::Base frame{Vector(0, 0, 0), Vector(0, 0, 0), Vector(0, 0, 0)};
    for (unsigned k = 0; k < 3; ++k) {
        p += corners.m_aPosition[k] * weights[k];
        n += corners.m_aNormal[k] * weights[k];
        if (corners.m_aHasFrame[k]) {
            const General::Base &f = corners.m_aFrame[k];
            frame.m_vTangent += f.m_vTangent * weights[k];
            frame.m_vNormal += f.m_vNormal * weights[k];
            frame.m_vBinormal += f.m_vBinormal * weights[k];
        }
    }
    // The corner normals' blend is shorter than 1 between differing corners: the segment
    // and the measured distance take its direction only. Opposed corners cancel; the
    // face's own normal stands in.
    const float length = n.Length();
    if (length > 1e-12f && std::isfinite(length)) {
        n = n * (1.0f / length);
    } else {
        n = corners.m_vFaceNormal;
    }
    const General::Matrix &lowInverse = m_mLowInverse;
    const Vector outer = Place(m_mLowFull, m_bLowIdentity, p + n * m_fRangeHi);
    const Vector inner = Place(m_mLowFull, m_bLowIdentity, p + n * m_fRangeLo);

    HitSearch best(Vector(0, 0, 0), Vector(0, 0, 0), m_fRayCenter, m_aSmoothNormals.GetValue());
    unsigned bestMesh = 0;
    for (unsigned i = 0; i < m_aHighTrees.size() && !(m_bFinestLevelFirst && best.m_bHit); ++i) {
        const BTree::Tree *tree = m_aHighTrees[i];
        if (!tree)
            continue;
        const General::Matrix &inverse = m_aHighInverse[i];
        const bool identity = m_aHighIdentity[i];
        const Vector a = Place(inverse, identity, outer), b = Place(inverse, identity, inner);
        HitSearch visitor(a, b, m_fRayCenter, m_aSmoothNormals.GetValue());
        visitor.SetMesh(*m_aHighMeshes[i]);
        unsigned spheres = 0;
        if (i < m_aHighBoxes.size() && !m_aHighBoxes[i].IsEmpty()) {
            unsigned triangles = 0;
            m_aHighBoxes[i].PickNearest(
                visitor.m_vStart, visitor.m_vDirection, m_fRayCenter, visitor.m_fDistance,
                [&visitor](unsigned triangle, float t, float u, float v) { visitor.Hit(triangle, t, u, v); }, spheres,
                triangles);
            stats.m_iFaces += m_aHighMeshes[i]->m_eType == Mesh::typeQuadric ? triangles / 2 : triangles;
        } else {
            const auto test = [&visitor](unsigned face) { visitor.Face(face); };
            tree->PickNearest(BTree::Ray(a, b), m_fRayCenter, visitor.m_fDistance, test, spheres);
            stats.m_iFaces += visitor.m_iFacesTested;
        }
        stats.m_iSpheres += spheres;
        if (visitor.m_bHit && (!best.m_bHit || visitor.m_fDistance < best.m_fDistance ||
                               (visitor.m_fDistance == best.m_fDistance && visitor.m_fT < best.m_fT))) {
            best = visitor;
            bestMesh = i;
        }
    }

    const bool normalMap = m_aCreateNormalMap.GetValue() && !m_bSkipNormal && m_cNormalMap.GetChannelCount();
    const bool displacement = m_aCreateDisplacementMap.GetValue() && !m_bSkipDisplacement;
    MapBuffer &displacementBuffer = m_eWorkingDisplacementType == mapNormalAlpha ? m_cNormalMap : m_cDisplacementMap;
    const unsigned displacementChannel = m_eWorkingDisplacementType == mapNormalAlpha ? 3 : 0;
    const int space = m_aNormalMapSpace.GetValue();
    if (!best.m_bHit) {
        ++stats.m_iMisses;
        if (normalMap && space == 1)
            m_cNormalMap.SetNormal(x, y, Vector(0, 0, 1));
        // No hit is no displacement: the middle of the range, not its low end.
        if (displacement)
            displacementBuffer.SetValue(x, y, displacementChannel, 0.0f, m_fRangeLo, m_fRangeHi);
        return;
    }
    ++stats.m_iWritten;
    const General::Matrix &highFull = m_aHighFull[bestMesh];
    const bool highIdentity = m_aHighIdentity[bestMesh];
    if (normalMap) {
        Vector normal = best.HitNormal();
        if (space == 0 || space == 1) {
            normal = Place(lowInverse, m_bLowIdentity, Place(highFull, highIdentity, normal, 0.0f), 0.0f).Normalized();
            if (space == 1) {
                const Vector local(normal.Dot(frame.m_vTangent), normal.Dot(frame.m_vNormal),
                                   normal.Dot(frame.m_vBinormal));
                normal = Vector(local.x, local.z, local.y).Normalized();
            }
        } else if (space == 2) {
            normal = Place(highFull, highIdentity, normal, 0.0f).Normalized();
        }
        m_cNormalMap.SetNormal(x, y, normal);
    }
    const Vector hitHigh = best.m_vStart + best.m_vDirection * best.m_fT;
    const Vector hit = Place(lowInverse, m_bLowIdentity, Place(highFull, highIdentity, hitHigh));
    const float d = std::clamp((hit - p).Dot(n) * m_fDisplacementScale, m_fRangeLo, m_fRangeHi);
    // Measured with or without a displacement map: a run whose hits all lie on the low
    // surface says so.
    stats.m_fLargest = std::max(stats.m_fLargest, std::fabs(d));
    if (displacement) {
        displacementBuffer.SetValue(x, y, displacementChannel, d, m_fRangeLo, m_fRangeHi);
        stats.m_fMin = stats.m_bRange ? std::min(stats.m_fMin, d) : d;
        stats.m_fMax = stats.m_bRange ? std::max(stats.m_fMax, d) : d;
        stats.m_bRange = true;
    }
    ++stats.m_iHits;
}

}  // namespace MapExtraction
