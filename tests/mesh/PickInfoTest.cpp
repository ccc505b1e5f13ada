#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "support/MeshFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using General::Vector;

namespace {

// A w × h grid of unit quads, heights from `height`; corner 0 of quad (i, j) is vertex
// (i, j) and its corners go round through (i + 1, j), (i + 1, j + 1), (i, j + 1).
// Quads listed in `rotated` start their corner list elsewhere (same winding), so the
// gathering has to turn them.
std::unique_ptr<Mesh> Grid(int w, int h, const std::function<float(float, float)> &height,
                           const std::vector<int> &rotated = {})
{
    std::vector<Vector> p;
    for (int j = 0; j <= h; ++j)
        for (int i = 0; i <= w; ++i)
            p.emplace_back(float(i), float(j), height(float(i), float(j)));
    std::vector<std::array<unsigned, 4>> quads;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const unsigned a = unsigned(j * (w + 1) + i);
            std::array<unsigned, 4> q{a, a + 1, a + unsigned(w) + 2, a + unsigned(w) + 1};
            const int face = j * w + i;
            const int turn = int(std::count(rotated.begin(), rotated.end(), face)) ? 1 + face % 3 : 0;
            std::rotate(q.begin(), q.begin() + turn, q.end());
            quads.push_back(q);
        }
    auto mesh = fixtures::MakeQuads(p, quads);
    mesh->CalculateAdjacency();
    return mesh;
}

// The uniform cubic B-spline: the limit of Catmull-Clark on a regular grid.
float Basis(int k, float t)
{
    switch (k) {
    case 0: return (1 - t) * (1 - t) * (1 - t) / 6;
    case 1: return (3 * t * t * t - 6 * t * t + 4) / 6;
    case 2: return (-3 * t * t * t + 3 * t * t + 3 * t + 1) / 6;
    default: return t * t * t / 6;
    }
}

// A pick on quad `face` at (u, v) of its own corner frame, on the triangle that holds it.
PickInfo PickAt(Mesh &mesh, unsigned face, float u, float v)
{
    PickInfo pick;
    pick.m_pMesh = &mesh;
    pick.m_iFace = int(face);
    auto c = [&](unsigned k) { return mesh.QuadVertex(face, k).m_vPosition; };
    if (u + v <= 1.0f) {
        pick.m_iHalf = 0;
        pick.m_vPosition = c(0) + (c(1) - c(0)) * u + (c(3) - c(0)) * v;
    } else {
        pick.m_iHalf = 1;
        pick.m_vPosition = c(2) + (c(3) - c(2)) * (1 - u) + (c(1) - c(2)) * (1 - v);
    }
    return pick;
}

}  // namespace

TEST(PickLevelFrame, RefinedQuadsApproachTheLimitSurface)
{
    auto height = [](float x, float y) { return 0.15f * x * x - 0.1f * x * y + 0.05f * y * y * y * 0.2f; };
    auto mesh = Grid(5, 5, height, {6, 7, 8, 11, 13, 16, 17, 18});
    const unsigned centre = 2 * 5 + 2;
    const float cases[][2] = {{0.1f, 0.2f}, {0.7f, 0.1f}, {0.3f, 0.9f}, {0.8f, 0.85f}, {0.5f, 0.5f}, {0.0f, 0.0f}};
    for (const auto &uv : cases) {
        const float u = uv[0], v = uv[1];
        SCOPED_TRACE(testing::Message() << u << " " << v);
        Vector limit(0, 0, 0), du(0, 0, 0), dv(0, 0, 0);
        const float e = 1e-3f;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                const Vector g(float(1 + c), float(1 + r), height(float(1 + c), float(1 + r)));
                limit += g * (Basis(r, v) * Basis(c, u));
                du += g * ((Basis(c, u + e) - Basis(c, u - e)) / (2 * e) * Basis(r, v));
                dv += g * ((Basis(r, v + e) - Basis(r, v - e)) / (2 * e) * Basis(c, u));
            }
        PickInfo pick = PickAt(*mesh, centre, u, v);
        const Vector position = pick.GetPositionAtLevel(7);
        EXPECT_NEAR((position - limit).Length(), 0.0f, 2e-3f);
        EXPECT_GT(pick.GetNormalAtLevel(7).Dot(du.Cross(dv).Normalized()), 0.9995f);
        EXPECT_EQ(pick.m_iLevel, 7);
        // Level 0 is the control quad itself, split along its 0-2 diagonal.
        const Vector c0 = mesh->QuadVertex(centre, 0).m_vPosition, c1 = mesh->QuadVertex(centre, 1).m_vPosition;
        const Vector c2 = mesh->QuadVertex(centre, 2).m_vPosition, c3 = mesh->QuadVertex(centre, 3).m_vPosition;
        const Vector flat = v >= u ? c0 + (c3 - c0) * v + (c2 - c3) * u : c0 + (c1 - c0) * u + (c2 - c1) * v;
        EXPECT_NEAR((pick.GetPositionAtLevel(0) - flat).Length(), 0.0f, 1e-5f);
    }
}

TEST(PickLevelFrame, BorderQuadsReflectTheirMissingNeighbours)
{
    // On a plane the reflected grid is the plane too: every level keeps the hit.
    auto plane = [](float x, float y) { return 0.3f * x - 0.2f * y + 1.0f; };
    auto mesh = Grid(3, 3, plane, {1, 3});
    const Vector normal = Vector(-0.3f, 0.2f, 1.0f).Normalized();
    for (unsigned face : {0u, 2u, 6u, 8u, 1u}) {
        for (const auto &uv : {std::array<float, 2>{0.1f, 0.3f}, std::array<float, 2>{0.9f, 0.6f}}) {
            SCOPED_TRACE(testing::Message() << face << " " << uv[0] << " " << uv[1]);
            PickInfo pick = PickAt(*mesh, face, uv[0], uv[1]);
            EXPECT_NEAR((pick.GetPositionAtLevel(3) - pick.m_vPosition).Length(), 0.0f, 1e-4f);
            EXPECT_NEAR(std::fabs(pick.GetNormalAtLevel(3).Dot(normal)), 1.0f, 1e-4f);
        }
    }
}

TEST(PickLevelFrame, TrianglesBlendTheirCornerNormals)
{
    auto mesh = fixtures::MakeTriangles({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}}});
    const int16_t normals[3][3] = {{0, 0, 32767}, {32767, 0, 0}, {0, 32767, 0}};
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 3; ++k)
            mesh->m_pVertices[unsigned(v)].m_aNormal[k] = normals[v][k];
    PickInfo pick;
    pick.m_pMesh = mesh.get();
    pick.m_iFace = 0;
    pick.m_vPosition = Vector(0.2f, 0.3f, 0);
    EXPECT_EQ(pick.GetPositionAtLevel(2), Vector(0.2f, 0.3f, 0));
    const Vector n = pick.GetNormalAtLevel(2);
    EXPECT_NEAR(n.x, 0.2f, 1e-5f);  // corner 1's weight
    EXPECT_NEAR(n.y, 0.3f, 1e-5f);  // corner 2's
    EXPECT_NEAR(n.z, 0.5f, 1e-5f);  // corner 0's
}

TEST(PickInfo, NearestVertexOfItsOwnHit)
{
    auto mesh = fixtures::MakeQuads({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}},
                                    {{{0, 1, 2, 3}}, {{1, 4, 5, 2}}});
    mesh->m_pQuads[1].m_iTCI[2] = 42;
    const struct {
        int face;
        Vector hit;
        int vertex, tc;
    } cases[] = {{0, {0.1f, 0.2f, 0}, 0, 0}, {0, {0.9f, 0.8f, 0}, 2, 2}, {1, {1.9f, 0.9f, 0}, 5, 42},
                 {1, {1.5f, 0.5f, 0}, 1, 1}};  // all four corners equally far: the first
    for (const auto &c : cases) {
        PickInfo pick;
        pick.m_pMesh = mesh.get();
        pick.m_iFace = c.face;
        pick.m_vPosition = c.hit;
        int tc = -1;
        EXPECT_EQ(pick.GetNearestVertex(&tc), c.vertex);
        EXPECT_EQ(tc, c.tc);
    }
    PickInfo none;
    EXPECT_EQ(none.GetNearestVertex(), -1);
    none.m_pMesh = mesh.get();
    none.m_iFace = 7;
    EXPECT_EQ(none.GetNearestVertex(), -1);
}
