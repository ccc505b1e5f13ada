#include "mesh/core/AdjacentVertexEnumerator.h"
#include "mesh/core/MeshTopology.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace fixtures;

namespace {

struct Neighbours : AdjacentVertexEnumerator {
    void OnAdjacentVertex(Mesh &, unsigned vertex, unsigned) override { seen.push_back(vertex); }
    std::vector<unsigned> seen;
};

// Every link must lead back: following an entry and the neighbour's entry for that slot returns.
template <class Faces>
void ExpectSymmetricLinks(const Faces &faces, unsigned count, unsigned n)
{
    for (unsigned f = 0; f < count; ++f)
        for (unsigned s = 0; s < n; ++s) {
            const int entry = faces[f].m_iAdjacent[s];
            if (entry < 0)
                continue;
            EXPECT_EQ(faces[unsigned(entry) / n].m_iAdjacent[unsigned(entry) % n], int(f * n + s));
        }
}

General::Vector Normal(const int16_t *packed) { return UnpackNormal(packed); }

// A disc of `valence` triangles around vertex 0.
std::unique_ptr<Mesh> MakeFan(unsigned valence, bool closed)
{
    std::vector<General::Vector> p{{0, 0, 0}};
    std::vector<std::array<unsigned, 3>> t;
    for (unsigned i = 0; i < valence; ++i) {
        const float a = 6.2831853f * float(i) / float(valence);
        p.emplace_back(std::cos(a), std::sin(a), 0.0f);
    }
    const unsigned faces = closed ? valence : valence - 1;
    for (unsigned i = 0; i < faces; ++i)
        t.push_back({0, 1 + i, 1 + (i + 1) % valence});
    return MakeTriangles(p, t);
}

}  // namespace

TEST(MeshAdjacency, OpenEdgesOfSimpleShapes)
{
    auto cube = MakeCube();
    auto quad = MakeQuads({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
    auto triangle = MakeTriangles({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    auto grid = MakeGridCube(6);
    struct Case {
        Mesh *mesh;
        unsigned open;
    } cases[] = {{cube.get(), 0}, {quad.get(), 4}, {triangle.get(), 3}, {grid.get(), 0}};
    for (const Case &c : cases) {
        c.mesh->CalculateAdjacency();
        EXPECT_TRUE(c.mesh->m_bAdjacencyValid);
        EXPECT_EQ(c.mesh->m_iOpenEdges, c.open);
    }
    ExpectSymmetricLinks(grid->m_pQuads, grid->m_iFaceCount, 4);
    EXPECT_TRUE(Recorder().LogContains(" Number of open edges: 0\n"));
}

TEST(MeshAdjacency, OnlyOppositelyWoundNeighboursAreLinked)
{
    std::vector<General::Vector> p{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    auto opposite = MakeQuads(p, {{0, 1, 4, 3}, {1, 2, 5, 4}});
    opposite->CalculateAdjacency();
    EXPECT_EQ(opposite->m_iOpenEdges, 6u);
    EXPECT_EQ(opposite->m_pQuads[0].m_iAdjacent[1], 1 * 4 + 3);  // edge 1-4 against edge 4-1
    EXPECT_EQ(opposite->m_pQuads[1].m_iAdjacent[3], 0 * 4 + 1);

    auto same = MakeQuads(p, {{0, 1, 4, 3}, {4, 5, 2, 1}});
    same->CalculateAdjacency();
    EXPECT_EQ(same->m_iOpenEdges, 8u);
}

TEST(MeshAdjacency, ThreeFacesOnOneEdgeLinkOnlyInPairs)
{
    // Edge 0-1 runs 0 → 1 in quad 0 and 1 → 0 in quads 1 and 2.
    std::vector<General::Vector> p{{0, 0, 0},  {1, 0, 0},  {1, 1, 0},     {0, 1, 0},
                                   {0, -1, 0}, {1, -1, 0}, {0, 0.5f, -1}, {1, 0.5f, -1}};
    auto mesh = MakeQuads(p, {{0, 1, 2, 3}, {1, 0, 4, 5}, {1, 0, 6, 7}});
    mesh->CalculateAdjacency();
    // The first two pair, the third sees the edge open.
    EXPECT_EQ(mesh->m_pQuads[0].m_iAdjacent[0], 1 * 4 + 0);
    EXPECT_EQ(mesh->m_pQuads[2].m_iAdjacent[0], -1);
    EXPECT_EQ(mesh->m_iOpenEdges, 10u);
    ExpectSymmetricLinks(mesh->m_pQuads, mesh->m_iFaceCount, 4);

    // Pairing the third on purpose lets the old partner go.
    mesh->PairQuads(0, 2);
    EXPECT_EQ(mesh->m_pQuads[0].m_iAdjacent[0], 2 * 4 + 0);
    EXPECT_EQ(mesh->m_pQuads[1].m_iAdjacent[0], -1);
    ExpectSymmetricLinks(mesh->m_pQuads, mesh->m_iFaceCount, 4);
}

TEST(MeshAdjacency, TrianglesLinkTheSlotOppositeTheCorner)
{
    auto fan = MakeFan(5, true);
    fan->CalculateAdjacency();
    EXPECT_EQ(fan->m_iOpenEdges, 5u);
    ExpectSymmetricLinks(fan->m_pTriangles, fan->m_iFaceCount, 3);
    // Triangle 0 is (0, 1, 2): its edge 2 → 0 (slot 1) is shared with triangle 1's edge 0 → 2 (slot 2).
    EXPECT_EQ(fan->m_pTriangles[0].m_iAdjacent[1], 1 * 3 + 2);
    EXPECT_EQ(fan->m_pTriangles[0].m_iAdjacent[0], -1);
}

// Faces over a few vertices drawn at random: repeated corners, edges of three or more faces
// either way round, faces on both sides of one edge.
template <unsigned n>
std::unique_ptr<Mesh> MakeSoup(unsigned vertices, unsigned faces, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<General::Vector> p(vertices, General::Vector(0, 0, 0));
    std::vector<std::array<unsigned, n>> f(faces);
    for (auto &face : f)
        for (unsigned &corner : face)
            corner = unsigned(random() % vertices);
    if constexpr (n == 4)
        return MakeQuads(p, f);
    else
        return MakeTriangles(p, f);
}

std::vector<int32_t> Links(const Mesh &mesh)
{
    std::vector<int32_t> links;
    mesh.WithFaces([&](const auto &faces) {
        for (unsigned f = 0; f < mesh.m_iFaceCount; ++f)
            links.insert(links.end(), std::begin(faces[f].m_iAdjacent), std::end(faces[f].m_iAdjacent));
    });
    return links;
}

TEST(MeshAdjacency, BucketsOnAnyThreadCountLinkAsFaceByFace)
{
    auto outside = MakeSoup<4>(12, 300, 3);
    outside->m_iVertexCount = 9;  // corners 9 to 11 lie outside the mesh
    struct Case {
        const char *name;
        std::unique_ptr<Mesh> mesh;
    } cases[] = {
        {"grid cube", MakeGridCube(9)},
        {"wavy sheet", MakeWavySheet(40, 30, 7)},
        {"quad soup", MakeSoup<4>(10, 400, 1)},
        {"sparse quad soup", MakeSoup<4>(300, 600, 2)},
        {"triangle soup", MakeSoup<3>(8, 300, 4)},
        {"corners outside the mesh", std::move(outside)},
        {"closed fan past the bucket size", MakeFan(150, true)},
        {"open fan past the bucket size", MakeFan(90, false)},
        {"quad folded onto itself", MakeQuads({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 0, 2}, {1, 0, 2, 0}})},
    };
    for (Case &c : cases) {
        ASSERT_TRUE(MeshTopology::CalculateAdjacency(*c.mesh, 1, MeshTopology::AdjacencyBuild::FaceByFace)) << c.name;
        const std::vector<int32_t> expected = Links(*c.mesh);
        const uint32_t open = c.mesh->m_iOpenEdges;
        for (unsigned threads : {1u, 2u, 3u, 8u}) {
            c.mesh->WithFaces([&](auto &faces) {
                for (unsigned f = 0; f < c.mesh->m_iFaceCount; ++f)
                    for (int32_t &entry : faces[f].m_iAdjacent)
                        entry = 12345;  // stale links must not survive
            });
            c.mesh->m_bAdjacencyValid = false;
            ASSERT_TRUE(MeshTopology::CalculateAdjacency(*c.mesh, threads, MeshTopology::AdjacencyBuild::Buckets));
            EXPECT_TRUE(c.mesh->m_bAdjacencyValid);
            EXPECT_EQ(Links(*c.mesh), expected) << c.name << ", " << threads << " threads";
            EXPECT_EQ(c.mesh->m_iOpenEdges, open) << c.name << ", " << threads << " threads";
        }
    }
}

TEST(MeshAdjacency, GrowFaceListAddsOneRingSortedAndUnique)
{
    auto grid = MakeGridCube(4);
    grid->CalculateAdjacency();
    General::Store<unsigned> list("test faces");
    list.Add(5);
    ASSERT_TRUE(grid->GrowFaceList(list));
    EXPECT_EQ(list.GetItemCount(), 5u);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    General::Store<unsigned> empty("test faces");
    EXPECT_TRUE(grid->GrowFaceList(empty));
    EXPECT_EQ(empty.GetItemCount(), 0u);
}

TEST(MeshNormals, FaceNormals)
{
    auto cube = MakeCube();
    General::Vector n;
    cube->GetFaceNormal(n, 0);
    EXPECT_EQ(n, General::Vector(0, 0, -1));
    auto degenerate = MakeTriangles({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 1, 3}});
    degenerate->CalculateNormals(false);
    EXPECT_EQ(Normal(degenerate->m_pTriangles[0].m_aNormal), General::Vector(0, 0, 0));
    // Vertex 2 belongs only to the degenerate triangle: nothing reaches it, so it normalises to (0, 1, 0).
    EXPECT_EQ(Normal(degenerate->m_pVertices[2].m_aNormal), General::Vector(0, 1, 0));
    EXPECT_NEAR(Normal(degenerate->m_pVertices[3].m_aNormal).z, 1.0f, 1e-4f);
}

TEST(MeshNormals, FanPolygonSharesTheMeanOfItsTriangles)
{
    // A bent pentagon (0, 1, 2, 3, 4) stored as three triangles.
    auto mesh = MakeTriangles({{0, 0, 0}, {1, 0, 0}, {1.5f, 1, 0.5f}, {0.5f, 2, 1}, {-0.5f, 1, 0}},
                              {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}});
    mesh->m_pTriangles[1].m_iIndices[2] |= MeshFlags::kBit31;
    mesh->m_pTriangles[2].m_iIndices[2] |= MeshFlags::kBit31;
    General::Vector expected(0, 0, 0);
    for (unsigned t = 0; t < 3; ++t) {
        General::Vector n;
        mesh->GetFaceNormal(n, t);
        expected += n;
    }
    expected *= 1.0f / 3.0f;
    mesh->CalculateNormals(false);
    for (unsigned t = 0; t < 3; ++t) {
        const General::Vector n = Normal(mesh->m_pTriangles[t].m_aNormal);
        EXPECT_NEAR(n.x, expected.x, 1e-4f);
        EXPECT_NEAR(n.y, expected.y, 1e-4f);
        EXPECT_NEAR(n.z, expected.z, 1e-4f);
    }
}

TEST(MeshNormals, ScaledObjectDividesBySquaredScale)
{
    auto mesh = MakeCube<PlacedMesh>();
    TestPlacement placement(General::Vector(2, 1, 1), General::Vector(0, 0, 0));
    mesh->m_pPlacement = &placement;
    mesh->m_pQuads[0].m_iFreeze = 7;
    mesh->CalculateNormals(true);
    EXPECT_EQ(mesh->m_pQuads[0].m_iFreeze, 7);
    // Vertex 7 = (1, 1, 1) touches the +x, +y and +z faces: sum (1, 1, 1), x divided by 4.
    General::Vector expected(0.25f, 1, 1);
    expected.Normalize();
    const General::Vector n = Normal(mesh->m_pVertices[7].m_aNormal);
    EXPECT_NEAR(n.x, expected.x, 1e-4f);
    EXPECT_NEAR(n.y, expected.y, 1e-4f);
    EXPECT_NEAR(n.z, expected.z, 1e-4f);
    EXPECT_TRUE(mesh->m_bNormalsValid);
    mesh->CalculateNormals(false);
    EXPECT_EQ(mesh->m_pQuads[0].m_iFreeze, 0);
}

TEST(MeshNormals, BareMeshIsUnscaledAndReportsNothing)
{
    auto mesh = MakeCube();
    mesh->CalculateNormals(false);
    EXPECT_FALSE(Recorder().LogContains("Assertion failed"));
    General::Vector expected(1, 1, 1);
    expected.Normalize();
    EXPECT_NEAR(Normal(mesh->m_pVertices[7].m_aNormal).x, expected.x, 1e-4f);
    EXPECT_EQ(Recorder().progressTexts.value(0), QStringLiteral("calculating normals..."));
}

TEST(MeshStar, InteriorBorderAndCornerVertices)
{
    Recorder().ExpectAssertionFailures();
    auto grid = MakeGridCube(4);
    grid->CalculateAdjacency();
    Neighbours star;
    // Vertex 0 of face 5 is an interior vertex of a side: valence 4, closed.
    const unsigned v = grid->FaceVertexIndex(5, 0);
    EXPECT_EQ(grid->EnumerateAdjacentVertices(star, v, 5), 4u);
    EXPECT_FALSE(star.m_bOpen);
    EXPECT_EQ(std::set<unsigned>(star.seen.begin(), star.seen.end()).size(), 4u);

    auto quad = MakeQuads({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
    quad->CalculateAdjacency();
    Neighbours corner;
    EXPECT_EQ(quad->EnumerateAdjacentVertices(corner, 2, 0), 2u);
    EXPECT_TRUE(corner.m_bOpen);
    EXPECT_EQ(corner.seen, (std::vector<unsigned>{3, 1}));

    Neighbours stranger;
    EXPECT_EQ(quad->EnumerateAdjacentVertices(stranger, 7, 0), 0u);
    EXPECT_TRUE(Recorder().LogContains("!(i == 4)"));
}

TEST(MeshStar, VerticesOfAnyValence)
{
    for (unsigned valence : {3u, 17u, 18u, 64u, 300u}) {
        auto closed = MakeFan(valence, true);
        closed->CalculateAdjacency();
        Neighbours star;
        EXPECT_EQ(closed->EnumerateAdjacentVertices(star, 0, valence / 2), valence) << valence;
        EXPECT_FALSE(star.m_bOpen);
        EXPECT_EQ(std::set<unsigned>(star.seen.begin(), star.seen.end()).size(), valence);

        // Open on one side, started in the middle: both ways round, every neighbour once.
        auto open = MakeFan(valence, false);
        open->CalculateAdjacency();
        Neighbours border;
        EXPECT_EQ(open->EnumerateAdjacentVertices(border, 0, (valence - 1) / 2), valence) << valence;
        EXPECT_TRUE(border.m_bOpen);
        EXPECT_EQ(std::set<unsigned>(border.seen.begin(), border.seen.end()).size(), valence);
    }
}

namespace {

// A 3 × 3 sheet of quads (16 vertices, one coordinate each, u = x / 3, v = y / 3 with
// the interior moved off the mean) and, optionally, a UV seam down the column x = 1.
std::unique_ptr<Mesh> MakeTexturedSheet(bool seam)
{
    std::vector<General::Vector> p;
    for (unsigned j = 0; j < 4; ++j)
        for (unsigned i = 0; i < 4; ++i)
            p.emplace_back(float(i), float(j), 0.0f);
    std::vector<std::array<unsigned, 4>> quads;
    for (unsigned j = 0; j < 3; ++j)
        for (unsigned i = 0; i < 3; ++i)
            quads.push_back({j * 4 + i, j * 4 + i + 1, j * 4 + i + 5, j * 4 + i + 4});
    auto mesh = MakeQuads(p, quads);
    mesh->m_iTCCount = 16;
    mesh->m_pTCs.SetItemCount(16, false);
    for (unsigned i = 0; i < 16; ++i)
        mesh->m_pTCs[i] = TC{float(i % 4) / 3.0f, float(i / 4) / 3.0f};
    mesh->m_pTCs[5] = TC{0.5f, 0.5f};  // an interior vertex off its neighbours' mean
    mesh->m_pTCs[6] = TC{0.6f, 0.3f};
    if (seam) {
        // Faces left of x = 1 use their own copies (16..19) of the coordinates on that column.
        mesh->m_iTCCount = 20;
        mesh->m_pTCs.SetItemCount(20, true);
        for (unsigned j = 0; j < 4; ++j)
            mesh->m_pTCs[16 + j] = TC{0.1f, float(j) / 3.0f};
        for (unsigned f : {0u, 3u, 6u}) {
            mesh->m_pQuads[f].m_iTCI[1] = int32_t(16 + f / 3);
            mesh->m_pQuads[f].m_iTCI[2] = int32_t(17 + f / 3);
        }
    }
    mesh->CalculateAdjacency();
    return mesh;
}

}  // namespace

TEST(MeshTCSmoothing, InteriorMovesToTheMeanBordersStay)
{
    auto mesh = MakeTexturedSheet(false);
    std::vector<TC> before(mesh->m_pTCs.begin(), mesh->m_pTCs.end());
    mesh->SmoothTCs(1.0f);
    // Vertex 5's star: itself, 6, 9, 4, 1.
    const float u = (before[5].u + before[6].u + before[9].u + before[4].u + before[1].u) / 5.0f;
    const float v = (before[5].v + before[6].v + before[9].v + before[4].v + before[1].v) / 5.0f;
    EXPECT_NEAR(mesh->m_pTCs[5].u, u, 1e-6f);
    EXPECT_NEAR(mesh->m_pTCs[5].v, v, 1e-6f);
    for (unsigned border : {0u, 1u, 3u, 4u, 12u, 15u})
        EXPECT_EQ(mesh->m_pTCs[border].u, before[border].u) << border;
}

TEST(MeshTCSmoothing, SeamCoordinatesDoNotMove)
{
    auto mesh = MakeTexturedSheet(true);
    std::vector<TC> before(mesh->m_pTCs.begin(), mesh->m_pTCs.end());
    mesh->SmoothTCs(1.0f);
    // Both sides of the seam, on the interior vertices 5 and 9 as well.
    for (unsigned seam : {1u, 5u, 9u, 13u, 16u, 17u, 18u, 19u}) {
        EXPECT_EQ(mesh->m_pTCs[seam].u, before[seam].u) << seam;
        EXPECT_EQ(mesh->m_pTCs[seam].v, before[seam].v) << seam;
    }
    // Vertex 6 is interior and off the seam: it still moves.
    EXPECT_NE(mesh->m_pTCs[6].u, before[6].u);
}

TEST(MeshTCSmoothing, PartialLevelKeepsAndRestoresTheOriginals)
{
    auto mesh = MakeTexturedSheet(false);
    mesh->m_iTotalFaceCount = 100;
    std::vector<TC> before(mesh->m_pTCs.begin(), mesh->m_pTCs.end());
    mesh->SmoothTCs(1.0f);
    ASSERT_EQ(mesh->m_aOriginalTCs.GetItemCount(), 16u);
    EXPECT_EQ(mesh->m_aOriginalTCs[5].u, before[5].u);
    mesh->SmoothTCs(1.0f);  // starts again from the originals: the same result
    EXPECT_NEAR(mesh->m_pTCs[5].u, (before[5].u + before[6].u + before[9].u + before[4].u + before[1].u) / 5.0f, 1e-6f);
}

TEST(MeshTCBounds, DefaultBoxForFlatCoordinates)
{
    auto mesh = MakeTexturedSheet(false);
    EXPECT_TRUE(mesh->CalculateTCBounds());
    EXPECT_EQ(mesh->m_cTCBounds, AABB(General::Vector(0, 0, 0), General::Vector(1, 1, 0)));
    mesh->m_pTCs.Fill(TC{0.5f, 0.5f});
    EXPECT_FALSE(mesh->CalculateTCBounds());
    EXPECT_EQ(mesh->TCBounds(false), AABB(General::Vector(0, 0, 0), General::Vector(1, 1, 0)));
    unsigned face = 99;
    EXPECT_EQ(mesh->FindBiggestTCFace(face), 0.0f);
    EXPECT_EQ(face, 0u);
}
