// Immediate-mode triangles in wireframe: polygons stored as fans draw their outlines only.
#include "viewport/draw/TriangleCorners.h"

#include "mesh/core/Mesh.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

// Fans over polygon vertex lists: polygon {0, 1, 2, 3} becomes (0, 1, 2) and (0, 2, 3),
// the second marked as continuing the first.
std::unique_ptr<Mesh> Fans(const std::vector<std::vector<unsigned>> &polygons)
{
    auto mesh = std::make_unique<Mesh>();
    mesh->m_eType = Mesh::typeTriangular;
    for (const auto &polygon : polygons)
        for (size_t k = 1; k + 1 < polygon.size(); ++k) {
            Triangle t{};
            t.m_iIndices[0] = polygon[0] | MeshFlags::kBit31;
            t.m_iIndices[1] = polygon[k];
            t.m_iIndices[2] = polygon[k + 1] | (k > 1 ? MeshFlags::kBit31 : 0);
            mesh->m_pTriangles.Add(t);
        }
    mesh->m_iFaceCount = mesh->m_pTriangles.GetItemCount();
    return mesh;
}

using Edge = std::pair<unsigned, unsigned>;
std::multiset<Edge> WireEdges(const Mesh &mesh)
{
    std::multiset<Edge> edges;
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f) {
        const TriangleCorners c = CornersToDraw(mesh, f, true);
        EXPECT_EQ(c.m_iCount % 2, 0u);
        for (unsigned i = 0; i + 1 < c.m_iCount; i += 2) {
            const unsigned a = mesh.FaceVertexIndex(f, c.m_aCorners[i]), b = mesh.FaceVertexIndex(f, c.m_aCorners[i + 1]);
            edges.insert({std::min(a, b), std::max(a, b)});
        }
    }
    return edges;
}

}  // namespace

TEST(TriangleCorners, FansDrawTheirOutlinesWithoutDiagonals)
{
    struct Case {
        const char *name;
        std::vector<std::vector<unsigned>> polygons;
        std::multiset<Edge> edges;
    };
    const Case cases[] = {
        {"triangle", {{0, 1, 2}}, {{0, 1}, {1, 2}, {0, 2}}},
        {"split quad", {{0, 1, 2, 3}}, {{0, 1}, {1, 2}, {2, 3}, {0, 3}}},
        {"pentagon", {{0, 1, 2, 3, 4}}, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {0, 4}}},
        // A triangle after a quad: the quad's last triangle closes it, the triangle draws all three.
        {"quad then triangle", {{0, 1, 2, 3}, {4, 5, 6}}, {{0, 1}, {1, 2}, {2, 3}, {0, 3}, {4, 5}, {5, 6}, {4, 6}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto mesh = Fans(c.polygons);
        EXPECT_EQ(WireEdges(*mesh), c.edges);
    }
}

TEST(TriangleCorners, FilledTrianglesSendTheirThreeCornersWhateverTheMark)
{
    auto mesh = Fans({{0, 1, 2, 3}});
    for (unsigned f = 0; f < 2; ++f) {
        const TriangleCorners c = CornersToDraw(*mesh, f, false);
        ASSERT_EQ(c.m_iCount, 3u);
        EXPECT_EQ(c.m_aCorners[0], 0u);
        EXPECT_EQ(c.m_aCorners[2], 2u);
    }
}
