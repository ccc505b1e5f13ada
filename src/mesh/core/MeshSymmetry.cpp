// The mapping of a face and its corners onto its mirror face.
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "mesh/core/Placement.h"

#include "foundation/math/Matrix3.h"

namespace {

General::Vector NormalizeOrZero(const General::Vector &v)
{
    const float length = v.Length();
    return length > 0.0f ? v * (1.0f / length) : General::Vector(0, 0, 0);
}

constexpr uint32_t kNoMirror = 0xFFFFFFFF;

}  // namespace

int Mesh::GetSymmetricVertex(unsigned face, unsigned corner, unsigned &mirrorFace, unsigned &mirrorCorner)
{
    if (!IsSymmetryComplete() || !TV_CHECK(face < m_iFaceCount))
        return -1;
    const uint32_t entry = m_aSymmetry[face];
    if (entry == kNoMirror)
        return -1;
    const unsigned n = Corners();
    const unsigned mirror = (entry & 0x7FFFFFFF) / n, c = (entry & 0x7FFFFFFF) % n;
    if (!TV_CHECK(mirror < m_iFaceCount))
        return -1;
    // The winding is reversed on the mirror face.
    mirrorFace = mirror;
    mirrorCorner = n == 4 ? (c + 8 - corner + 1) % 4 : (c + 6 - corner) % 3;
    const unsigned vertex = FaceVertexIndex(mirror, mirrorCorner);
    if (!TV_CHECK(vertex < m_iVertexCount))
        return -1;
    return int(vertex);
}

void Mesh::GetCornerFrame(unsigned face, unsigned corner, General::Vector &normal, General::Vector &e2,
                          General::Vector &e1) const
{
    if (!TV_CHECK(face < m_iFaceCount))
        return;
    const unsigned n = Corners();
    const General::Vector p = CornerPosition(face, corner % n);
    const General::Vector next = CornerPosition(face, (corner + 1) % n) - p;
    const General::Vector prev = CornerPosition(face, (corner + n - 1) % n) - p;
    normal = NormalizeOrZero(next.Cross(prev));
    e1 = NormalizeOrZero(next);
    e2 = NormalizeOrZero(prev);
}

void Mesh::ToCornerFrame(General::Vector &coordinates, const General::Vector &v, unsigned face, unsigned corner,
                         bool swap) const
{
    General::Vector normal(0, 0, 0), e2(0, 0, 0), e1(0, 0, 0);
    GetCornerFrame(face, corner, normal, e2, e1);
    const General::Matrix3 basis = swap ? General::Matrix3(normal, e1, e2) : General::Matrix3(normal, e2, e1);
    basis.Solve(v, coordinates);
}

void Mesh::FromCornerFrame(General::Vector &v, const General::Vector &coordinates, unsigned face, unsigned corner,
                           bool swap) const
{
    General::Vector normal(0, 0, 0), e2(0, 0, 0), e1(0, 0, 0);
    GetCornerFrame(face, corner, normal, e2, e1);
    v = normal * coordinates.x + (swap ? e1 : e2) * coordinates.y + (swap ? e2 : e1) * coordinates.z;
}

void Mesh::FaceFrameTransform(General::Matrix &m, unsigned fromFace, unsigned fromCorner, unsigned toFace,
                              unsigned toCorner) const
{
    const unsigned n = Corners();
    if (fromFace >= m_iFaceCount || toFace >= m_iFaceCount || fromCorner >= n || toCorner >= n) {
        AssertFailed(__FILE__, __LINE__,
                     "!(iFromFaceIndex >= m_iFaceCount || iToFaceIndex >= m_iFaceCount || iFromCornerIndex >= iFS || "
                     "iToCornerIndex >= iFS)",
                     nullptr);
        return;
    }
    General::Vector source[3], target[3];
    GetCornerFrame(fromFace, fromCorner, source[0], source[1], source[2]);
    GetCornerFrame(toFace, toCorner, target[0], target[1], target[2]);
    // Row vectors: p × M = Σ (p · s_i / |s_i|²) t_i.
    m.SetIdentity();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            float value = 0.0f;
            for (int i = 0; i < 3; ++i) {
                const float squared = source[i].Dot(source[i]);
                if (squared > 0.0f) {
                    const float s = r == 0 ? source[i].x : r == 1 ? source[i].y : source[i].z;
                    const float t = c == 0 ? target[i].x : c == 1 ? target[i].y : target[i].z;
                    value += s / squared * t;
                }
            }
            m(r, c) = value;
        }
    }
}

void Mesh::GetSymmetryTransform(General::Matrix &m, unsigned face) const
{
    if (!IsSymmetryComplete() || face >= m_iFaceCount || m_aSymmetry[face] == kNoMirror)
        return;
    const unsigned n = Corners();
    const uint32_t entry = m_aSymmetry[face] & 0x7FFFFFFF;
    const unsigned mirror = entry / n, c = entry % n;
    if (!TV_CHECK(mirror < m_iFaceCount))
        return;
    FaceFrameTransform(m, face, 0, mirror, n == 4 ? (c + 1) % 4 : c % 3);
}

// Mirrors a pick through the corner frames of the face and its mirror face. The
// whole mapping runs in the mesh's own space: the pick's world position is brought
// in through the object's inverse matrix and the result taken out through its matrix.
void Mesh::GetSymmetricPick(PickInfo &result, const PickInfo &pick)
{
    TV_ASSERT(pick.m_pMesh == this);
    result = PickInfo();
    if (!IsSymmetryComplete() && !PrepareSymmetry())
        return;
    if (!IsSymmetryComplete() || pick.m_iFace < 0 || unsigned(pick.m_iFace) >= m_iFaceCount)
        return;
    const unsigned face = unsigned(pick.m_iFace);
    unsigned mirror = 0, mirrorCorner = 0;
    if (GetSymmetricVertex(face, 0, mirror, mirrorCorner) < 0)
        return;

    result.m_pMesh = pick.m_pMesh;
    result.m_fDistance = pick.m_fDistance;
    result.m_iTag = pick.m_iTag;
    result.m_iFace = int32_t(mirror);
    result.m_iIndex2 = -1;
    GetFaceNormal(result.m_vNormal, mirror);

    const General::Vector local = pick.GetWorldPosition();
    General::Vector coordinates(0, 0, 0), q(0, 0, 0);
    ToCornerFrame(coordinates, local - CornerPosition(face, 0), face, 0, true);
    FromCornerFrame(q, coordinates, mirror, mirrorCorner, false);
    q += CornerPosition(mirror, mirrorCorner);
    Placement *placement = GetPlacement();
    result.m_vPosition = placement ? placement->GetFullMatrix().Transform(q, 1.0f) : q;
}

PickInfo &PickInfo::GetSymmetric(PickInfo &result) const
{
    if (m_pMesh)
        m_pMesh->GetSymmetricPick(result, *this);
    else
        result = PickInfo();
    return result;
}

General::Vector PickInfo::GetWorldPosition() const
{
    if (!m_pMesh)
        return General::Vector(0, 0, 0);
    Placement *placement = m_pMesh->GetPlacement();
    return placement ? placement->GetInverseLocalMatrix().Transform(m_vPosition, 1.0f) : m_vPosition;
}
