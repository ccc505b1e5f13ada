#pragma once
// Small meshes built in code for the mesh and scene tests.
#include "mesh/core/Mesh.h"
#include "mesh/core/Placement.h"

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

namespace fixtures {

using General::Vector;

// A placement with a plain scale and translation (mesh point p goes to p * scale + translation).
class TestPlacement : public Placement {
public:
    TestPlacement(Vector scale, Vector translation) : m_vScale(scale)
    {
        m_mFull.SetIdentity();
        m_mFull(0, 0) = scale.x;
        m_mFull(1, 1) = scale.y;
        m_mFull(2, 2) = scale.z;
        m_mFull(3, 0) = translation.x;
        m_mFull(3, 1) = translation.y;
        m_mFull(3, 2) = translation.z;
        m_mInverse = m_mFull;
        m_mInverse.Invert();
    }
    Vector GetScale() const override { return m_vScale; }
    const General::Matrix &GetFullMatrix() override { return m_mFull; }
    const General::Matrix &GetInverseLocalMatrix() override { return m_mInverse; }

private:
    Vector m_vScale;
    General::Matrix m_mFull, m_mInverse;
};

// A mesh whose object is placed by a TestPlacement.
class PlacedMesh : public Mesh {
public:
    Placement *GetPlacement() override { return m_pPlacement; }
    Placement *m_pPlacement = nullptr;
};

inline void SetVertices(Mesh &mesh, const std::vector<Vector> &positions)
{
    mesh.m_iVertexCount = unsigned(positions.size());
    mesh.m_pVertices.SetItemCount(mesh.m_iVertexCount, false);
    for (unsigned i = 0; i < positions.size(); ++i) {
        Vertex v{};
        v.m_vPosition = positions[i];
        mesh.m_pVertices[i] = v;
    }
}

// Faces are visible; texture indices follow the vertex indices unless given.
template <class M = Mesh>
std::unique_ptr<M> MakeQuads(const std::vector<Vector> &positions, const std::vector<std::array<unsigned, 4>> &quads)
{
    auto mesh = std::make_unique<M>();
    SetVertices(*mesh, positions);
    mesh->m_eType = Mesh::typeQuadric;
    mesh->m_iFaceCount = mesh->m_iPolygonCount = unsigned(quads.size());
    mesh->m_pQuads.SetItemCount(mesh->m_iFaceCount, false);
    for (unsigned f = 0; f < quads.size(); ++f) {
        Quad q{};
        q.m_iOctree = OctreeLink::kNone;
        for (unsigned c = 0; c < 4; ++c) {
            q.m_iIndices[c] = quads[f][c];
            q.m_iAdjacent[c] = -1;
            q.m_iTCI[c] = int32_t(quads[f][c]);
        }
        q.m_iIndices[0] |= MeshFlags::kBit31;
        mesh->m_pQuads[f] = q;
    }
    return mesh;
}

template <class M = Mesh>
std::unique_ptr<M> MakeTriangles(const std::vector<Vector> &positions,
                                 const std::vector<std::array<unsigned, 3>> &triangles)
{
    auto mesh = std::make_unique<M>();
    SetVertices(*mesh, positions);
    mesh->m_eType = Mesh::typeTriangular;
    mesh->m_iFaceCount = mesh->m_iPolygonCount = unsigned(triangles.size());
    mesh->m_pTriangles.SetItemCount(mesh->m_iFaceCount, false);
    for (unsigned f = 0; f < triangles.size(); ++f) {
        Triangle t{};
        t.m_iOctree = OctreeLink::kNone;
        for (unsigned c = 0; c < 3; ++c) {
            t.m_iIndices[c] = triangles[f][c];
            t.m_iAdjacent[c] = -1;
            t.m_iTCI[c] = int32_t(triangles[f][c]);
        }
        t.m_iIndices[0] |= MeshFlags::kBit31;
        mesh->m_pTriangles[f] = t;
    }
    return mesh;
}

// The unit cube, faces wound outward.
template <class M = Mesh>
std::unique_ptr<M> MakeCube()
{
    std::vector<Vector> p;
    for (unsigned i = 0; i < 8; ++i)
        p.emplace_back(float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1));
    return MakeQuads<M>(p, {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}});
}

// An n × n grid of unit quads in the plane z = 0 from the origin, with adjacency: face
// j × n + i covers x from i to i + 1 and y from j to j + 1.
template <class M = Mesh>
std::unique_ptr<M> MakeGrid(unsigned n)
{
    std::vector<Vector> points;
    for (unsigned j = 0; j <= n; ++j)
        for (unsigned i = 0; i <= n; ++i)
            points.emplace_back(float(i), float(j), 0.0f);
    std::vector<std::array<unsigned, 4>> quads;
    for (unsigned j = 0; j < n; ++j)
        for (unsigned i = 0; i < n; ++i) {
            const unsigned a = j * (n + 1) + i;
            quads.push_back({a, a + 1, a + n + 2, a + n + 1});
        }
    auto mesh = MakeQuads<M>(points, quads);
    mesh->CalculateAdjacency();
    return mesh;
}

// A closed cube of n × n quads per side, centred on the origin with side n; it is
// symmetric across x = 0 when n is even.
template <class M = Mesh>
std::unique_ptr<M> MakeGridCube(int n)
{
    std::map<std::tuple<int, int, int>, unsigned> index;
    std::vector<Vector> positions;
    auto vertex = [&](std::array<int, 3> p) {
        auto key = std::make_tuple(p[0], p[1], p[2]);
        auto it = index.find(key);
        if (it != index.end())
            return it->second;
        positions.emplace_back(float(p[0]) - n * 0.5f, float(p[1]) - n * 0.5f, float(p[2]) - n * 0.5f);
        return index[key] = unsigned(positions.size() - 1);
    };
    std::vector<std::array<unsigned, 4>> quads;
    for (int axis = 0; axis < 3; ++axis) {
        const int b = (axis + 1) % 3, c = (axis + 2) % 3;
        for (int sign = 0; sign < 2; ++sign) {
            // Quad (p, p + v, p + u + v, p + u) faces v × u.
            const int u = sign ? c : b, v = sign ? b : c;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) {
                    std::array<int, 3> p{};
                    p[axis] = sign ? n : 0;
                    p[u] = i;
                    p[v] = j;
                    auto at = [&](int du, int dv) {
                        std::array<int, 3> q = p;
                        q[u] += du;
                        q[v] += dv;
                        return vertex(q);
                    };
                    quads.push_back({at(0, 0), at(0, 1), at(1, 1), at(1, 0)});
                }
        }
    }
    return MakeQuads<M>(positions, quads);
}

// An open, wavy sheet of w × h quads with jittered heights: faces of many sizes and boxes in 3D.
template <class M = Mesh>
std::unique_ptr<M> MakeWavySheet(unsigned w, unsigned h, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> jitter(-0.3f, 0.3f);
    std::vector<Vector> positions;
    for (unsigned j = 0; j <= h; ++j)
        for (unsigned i = 0; i <= w; ++i)
            positions.emplace_back(float(i), float(j),
                                   4.0f * std::sin(float(i) * 0.05f) * std::cos(float(j) * 0.07f) + jitter(random));
    std::vector<std::array<unsigned, 4>> quads;
    for (unsigned j = 0; j < h; ++j)
        for (unsigned i = 0; i < w; ++i) {
            const unsigned a = j * (w + 1) + i;
            quads.push_back({a, a + 1, a + w + 2, a + w + 1});
        }
    return MakeQuads<M>(positions, quads);
}

// The wavy sheet with each quad cut into two triangles; with `fans`, each quad's pair is
// stored as one polygon (the second triangle continues the first).
inline std::unique_ptr<Mesh> MakeTriangleSheet(unsigned w, unsigned h, unsigned seed, bool fans)
{
    auto quads = MakeWavySheet(w, h, seed);
    std::vector<Vector> positions;
    for (unsigned v = 0; v < quads->m_iVertexCount; ++v)
        positions.push_back(quads->m_pVertices[v].m_vPosition);
    std::vector<std::array<unsigned, 3>> triangles;
    for (unsigned f = 0; f < quads->m_iFaceCount; ++f) {
        unsigned c[4];
        for (unsigned k = 0; k < 4; ++k)
            c[k] = quads->FaceVertexIndex(f, k);
        triangles.push_back({c[0], c[1], c[2]});
        triangles.push_back({c[0], c[2], c[3]});
    }
    auto mesh = MakeTriangles(positions, triangles);
    for (unsigned t = 1; fans && t < mesh->m_iFaceCount; t += 2)
        mesh->m_pTriangles[t].m_iIndices[2] |= MeshFlags::kBit31;
    return mesh;
}

// Fills the symmetry table of a mesh that is symmetric across x = 0 by matching
// mirrored face centres; bit 31 marks faces on the negative side.
inline void BuildMirrorTable(Mesh &mesh)
{
    const unsigned n = mesh.Corners();
    auto key = [](Vector p) {
        return std::make_tuple(std::lround(p.x * 8), std::lround(p.y * 8), std::lround(p.z * 8));
    };
    std::map<std::tuple<long, long, long>, unsigned> faceAt, vertexAt;
    auto centre = [&](unsigned f) {
        Vector s(0, 0, 0);
        for (unsigned c = 0; c < n; ++c)
            s += mesh.CornerPosition(f, c);
        return s * (1.0f / float(n));
    };
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f)
        faceAt[key(centre(f))] = f;
    mesh.m_aSymmetry.SetItemCount(mesh.m_iFaceCount, false);
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f) {
        Vector c = centre(f);
        const unsigned g = faceAt.at(key(Vector(-c.x, c.y, c.z)));
        const Vector p0 = mesh.CornerPosition(f, 0);
        unsigned j = 0;
        while (key(mesh.CornerPosition(g, j)) != key(Vector(-p0.x, p0.y, p0.z)))
            ++j;
        // Corner k corresponds to corner (entry - k + 1) mod 4 of the mirror quad, (entry - k) mod 3 of a triangle.
        const unsigned entry = n == 4 ? (j + 3) % 4 : j;
        mesh.m_aSymmetry[f] = (g * n + entry) | (c.x < 0 ? 0x80000000u : 0u);
    }
}

}  // namespace fixtures
