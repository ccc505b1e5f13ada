#include "mesh/core/Octree.h"
#include "mesh/object/Object.h"
#include "scene/picking/Picker.h"
#include "support/LooseOctree.h"
#include "support/MeshFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

using General::Vector;

namespace {

using Hit = std::tuple<int, int, float>;  // face, half, distance

std::vector<Hit> Hits(const Picker &picker)
{
    std::vector<Hit> hits;
    for (int i = 0; i < picker.GetPickCount(); ++i)
        hits.emplace_back(picker.GetPick(i)->m_iFace, picker.GetPick(i)->m_iHalf, picker.GetPick(i)->m_fDistance);
    return hits;
}

bool SortedByDistance(const Picker &picker)
{
    for (int i = 1; i < picker.GetPickCount(); ++i)
        if (picker.GetPick(i - 1)->m_fDistance > picker.GetPick(i)->m_fDistance)
            return false;
    return true;
}

// Every face tested, no octree.
std::vector<Hit> BruteForce(Mesh &mesh, const Vector &start, const Vector &end, bool twoSided)
{
    Picker picker;
    picker.m_bTwoSided = twoSided;
    picker.SetSegment(start, end);
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f)
        picker.VisitFace(mesh, f);
    return Hits(picker);
}

std::vector<Hit> Sorted(std::vector<Hit> hits)
{
    std::sort(hits.begin(), hits.end());
    return hits;
}

// A flat n × n grid of unit quads at z = 0 (or its triangles): the grazing cases.
std::unique_ptr<Mesh> FlatGrid(unsigned n, bool triangles)
{
    std::vector<Vector> p;
    for (unsigned j = 0; j <= n; ++j)
        for (unsigned i = 0; i <= n; ++i)
            p.emplace_back(float(i), float(j), 0.0f);
    std::vector<std::array<unsigned, 4>> quads;
    std::vector<std::array<unsigned, 3>> tris;
    for (unsigned j = 0; j < n; ++j)
        for (unsigned i = 0; i < n; ++i) {
            const unsigned a = j * (n + 1) + i;
            quads.push_back({a, a + 1, a + n + 2, a + n + 1});
            tris.push_back({a, a + 1, a + n + 2});
            tris.push_back({a, a + n + 2, a + n + 1});
        }
    if (triangles)
        return fixtures::MakeTriangles(p, tris);
    return fixtures::MakeQuads(p, quads);
}

}  // namespace

// The same comparison on a million faces runs in bench/pick_bench (Release).
TEST(Picker, OctreePicksEqualBruteForceOnAGeneratedSheet)
{
    auto mesh = fixtures::MakeWavySheet(200, 200, 5);
    BuildLooseOctree(*mesh, 1.0f);
    // Then again with every third face hidden, which the walk must leave out as the
    // test of every face does, in whichever cube the face lies.
    for (const bool hiding : {false, true}) {
        SCOPED_TRACE(hiding);
        if (hiding)
            for (unsigned f = 0; f < mesh->m_iFaceCount; f += 3)
                mesh->m_pQuads[f].m_iIndices[0] &= ~MeshFlags::kBit31;
        std::mt19937 random(11);
        std::uniform_real_distribution<float> across(-5.0f, 205.0f);
        std::uniform_real_distribution<float> height(-30.0f, 30.0f);
        int withHits = 0;
        for (int ray = 0; ray < 24; ++ray) {
            const Vector start(across(random), across(random), height(random));
            // Steep rays, shallow rays that cross many faces, and short ones.
            const Vector end = ray % 3 == 0 ? Vector(start.x + 3, start.y - 2, -start.z)
                             : ray % 3 == 1 ? Vector(across(random), across(random), height(random))
                                            : start + Vector(0.5f, 0.25f, -height(random));
            const bool twoSided = ray % 2 == 1;
            Picker picker;
            picker.Pick(*mesh->m_pOctree, start, end, 0, twoSided, false, false, 0);
            EXPECT_TRUE(SortedByDistance(picker)) << ray;
            EXPECT_EQ(Sorted(Hits(picker)), Sorted(BruteForce(*mesh, start, end, twoSided))) << ray;
            withHits += picker.GetPickCount() > 0;
        }
        EXPECT_GT(withHits, 4);
    }
}

// Picks keep a copy of each cube's faces; a stroke moves faces within and between cubes
// and must not leave the copies behind. Rays aim at the moved patch, and picks are checked
// after every dab, so a copy made before a move would be caught.
TEST(Picker, PicksEqualBruteForceWhileAndAfterFacesMove)
{
    const struct {
        const char *what;
        bool recorded;  // moved through the stroke's restore record, as brushes move vertices
        float lift;
        // During a stroke picks test the pre-stroke corners while the tree files faces by
        // their moved ones, so a face lifted far is out of reach until the stroke ends.
        bool checkDabs;
    } strokes[] = {
        {"recorded stroke, within the cubes", true, 0.3f, true},
        {"recorded stroke, out of the cubes", true, 9.0f, false},
        {"direct moves, within the cubes", false, 0.3f, true},
        {"direct moves, out of the cubes", false, 9.0f, true},
    };
    for (const auto &stroke : strokes) {
        SCOPED_TRACE(stroke.what);
        auto mesh = fixtures::MakeWavySheet(60, 60, 2);
        BuildLooseOctree(*mesh, 1.0f);
        std::mt19937 random(5);
        std::uniform_real_distribution<float> around(24.0f, 36.0f);
        auto checkPicks = [&](int dab) {
            for (int ray = 0; ray < 12; ++ray) {
                const Vector start(around(random), around(random), 25.0f);
                // Upright rays have the thinnest boxes, which a stale face box is most likely to miss.
                const Vector tilt = ray % 3 ? Vector(around(random) - 30.0f, around(random) - 30.0f, 0) : Vector(0, 0, 0);
                const Vector end = start + tilt + Vector(0, 0, -50.0f);
                Picker picker;
                picker.Pick(*mesh->m_pOctree, start, end, 0, ray % 2 == 1, false, false, 0);
                ASSERT_EQ(Sorted(Hits(picker)), Sorted(BruteForce(*mesh, start, end, ray % 2 == 1)))
                    << "dab " << dab << " ray " << ray;
            }
        };
        checkPicks(-1);
        for (int dab = 0; dab < 4; ++dab) {
            // Lift the vertices within a growing radius of the patch centre.
            const Vector centre(30.0f, 30.0f, 0.0f);
            std::vector<bool> moved(mesh->m_iVertexCount, false);
            for (unsigned v = 0; v < mesh->m_iVertexCount; ++v) {
                Vector p = mesh->m_pVertices[v].m_vPosition;
                const float dx = p.x - centre.x, dy = p.y - centre.y;
                if (dx * dx + dy * dy > float((dab + 2) * (dab + 2)))
                    continue;
                p += Vector(0.5f, 0.25f, 1.0f) * stroke.lift;
                moved[v] = true;
                if (stroke.recorded) {
                    bool created = false;
                    ASSERT_NE(mesh->AddToRestoreBuffer(v, created), nullptr);
                    mesh->SetVertexPosition(v, p);
                } else {
                    mesh->m_pVertices[v].m_vPosition = p;
                }
            }
            for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
                for (unsigned c = 0; c < 4; ++c)
                    if (moved[mesh->FaceVertexIndex(f, c)]) {
                        ASSERT_TRUE(mesh->m_pOctree->UpdateFace(f));
                        break;
                    }
            if (stroke.checkDabs)
                checkPicks(dab);
        }
        // The stroke's end makes the moved positions the ones picks test.
        mesh->ClearRestoreBuffer();
        checkPicks(4);
    }
}

TEST(Picker, GrazingAndInPlaneSegmentsEqualBruteForce)
{
    for (bool triangles : {false, true})
        for (float loose : {0.0f, 1.0f}) {
            SCOPED_TRACE(testing::Message() << triangles << " " << loose);
            auto mesh = FlatGrid(48, triangles);
            BuildLooseOctree(*mesh, loose);
            const struct {
                Vector start, end;
            } segments[] = {
                {{0, 0, 0}, {48, 48, 0}},          // in the plane, along diagonals
                {{-1, 10, 0}, {49, 10, 0}},        // in the plane, along a grid line
                {{10, 10, 5}, {10, 10, -5}},       // through a vertex shared by four quads
                {{10.5f, 3, 5}, {10.5f, 3, -5}},   // through an edge
                {{24, 24, 1}, {24, 24, 0}},        // ending on the plane
                {{24, 24, 0}, {24, 24, -1}},       // starting on the plane
                {{5.5f, 5.5f, 0}, {5.5f, 5.5f, 3}},
                {{0, 0, 3}, {48, 48, -3}},         // shallow, across the whole grid
                {{-5, 48, 2}, {54, 48, -2}},       // over the border edge
                {{12, 12, 4}, {36, 36, -4}},       // across the centre planes of the root
            };
            for (const auto &s : segments)
                for (bool twoSided : {false, true}) {
                    Picker picker;
                    picker.Pick(*mesh->m_pOctree, s.start, s.end, 0, twoSided, false, false, 0);
                    EXPECT_TRUE(SortedByDistance(picker));
                    EXPECT_EQ(Sorted(Hits(picker)), Sorted(BruteForce(*mesh, s.start, s.end, twoSided)))
                        << s.start.x << " " << s.start.y << " " << s.start.z << " -> " << s.end.x << " " << s.end.y
                        << " " << s.end.z;
                }
        }
}

TEST(Picker, OneTriangleCases)
{
    // A tilted triangle facing +z (wound counter-clockwise seen from above).
    auto mesh = fixtures::MakeTriangles({{0, 0, 0}, {4, 0, 1}, {0, 4, 1}}, {{{0, 1, 2}}});
    BuildLooseOctree(*mesh, 0.0f);
    const Vector up = (Vector(4, 0, 1) - Vector(0, 0, 0)).Cross(Vector(0, 4, 1) - Vector(0, 0, 0)).Normalized();
    const struct {
        const char *what;
        Vector start, end;
        bool twoSided;
        int picks;
        float t;
        float normalSign;  // the stored normal, relative to the triangle's own
    } cases[] = {
        {"front", {1, 1, 5}, {1, 1, -5}, false, 1, 0.5f - 0.05f, 1},
        {"from behind", {1, 1, -5}, {1, 1, 5}, false, 0, 0, 0},
        {"from behind, two-sided", {1, 1, -5}, {1, 1, 5}, true, 1, 0.5f + 0.05f, -1},
        {"ends on the plane", {1, 1, 5}, {1, 1, 0.5f}, false, 1, 1.0f, 1},
        {"starts on the plane", {1, 1, 0.5f}, {1, 1, -5}, false, 1, 0.0f, 1},
        {"in the plane", {0.5f, 0.5f, 0.25f}, {2, 1, 0.75f}, true, 0, 0, 0},
        {"misses beside", {3.5f, 3.5f, 5}, {3.5f, 3.5f, -5}, true, 0, 0, 0},
        {"zero length", {1, 1, 1}, {1, 1, 1}, true, 0, 0, 0},
        {"grazing the extent", {4, 0, 5}, {4, 2, 5}, true, 0, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Picker picker;
        picker.Pick(*mesh->m_pOctree, c.start, c.end, 0, c.twoSided, false, false, 7);
        ASSERT_EQ(picker.GetPickCount(), c.picks);
        EXPECT_EQ(picker.m_bFound, c.picks > 0);
        if (!c.picks)
            continue;
        const PickInfo &pick = *picker.GetFirstPick();
        EXPECT_NEAR(pick.m_fDistance, c.t, 1e-5f);
        EXPECT_NEAR(pick.m_vNormal.Dot(up), c.normalSign, 1e-5f);
        EXPECT_EQ(pick.m_iTag, 7);
        EXPECT_EQ(pick.m_iFace, 0);
        EXPECT_EQ(pick.m_pMesh, mesh.get());
        const Vector expected = c.start + (c.end - c.start) * c.t;
        EXPECT_NEAR((pick.m_vPosition - expected).Length(), 0.0f, 1e-4f);
    }
}

TEST(Picker, QuadHalvesHiddenFacesAndThePlacement)
{
    fixtures::TestPlacement placement(Vector(2, 2, 2), Vector(10, 0, 0));
    auto mesh = fixtures::MakeQuads<fixtures::PlacedMesh>({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                                          {{{0, 1, 2, 3}}});
    mesh->m_pPlacement = &placement;
    BuildLooseOctree(*mesh, 0.0f);
    Picker picker;
    picker.Pick(*mesh->m_pOctree, Vector(0.2f, 0.2f, 1), Vector(0.2f, 0.2f, -1), 0, false, false, false, 0);
    picker.Pick(*mesh->m_pOctree, Vector(0.8f, 0.8f, 1), Vector(0.8f, 0.8f, -1), 0, false, false, false, 0);
    ASSERT_EQ(picker.GetPickCount(), 2);
    EXPECT_EQ(picker.GetPick(0)->m_iHalf, 0);
    EXPECT_EQ(picker.GetPick(1)->m_iHalf, 1);
    EXPECT_EQ(picker.GetPick(1)->m_vPosition, Vector(11.6f, 1.6f, 0));  // world space
    EXPECT_EQ(picker.m_iBatchStart, 1);

    mesh->m_pQuads[0].m_iIndices[0] &= ~MeshFlags::kBit31;  // hidden
    picker.Clear();
    picker.Pick(*mesh->m_pOctree, Vector(0.2f, 0.2f, 1), Vector(0.2f, 0.2f, -1), 0, false, false, false, 0);
    EXPECT_EQ(picker.GetPickCount(), 0);
    picker.m_bVisibleOnly = false;
    picker.Pick(*mesh->m_pOctree, Vector(0.2f, 0.2f, 1), Vector(0.2f, 0.2f, -1), 0, false, false, false, 0);
    EXPECT_EQ(picker.GetPickCount(), 1);
}

TEST(Picker, AChainDamagedIntoALoopEndsTheWalk)
{
    auto mesh = fixtures::MakeQuads<Mesh>({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}},
                                          {{{0, 1, 2, 3}}, {{1, 4, 5, 2}}});
    BuildLooseOctree(*mesh, 0.0f);
    // Every face names itself next: no copy of the faces can be made, and the chain walk
    // that stands in for it must not go round for ever.
    for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
        mesh->NextInCube(f, 0) = f;
    mesh->m_pOctree->InvalidateFaceCopies();
    Picker picker;
    picker.Pick(*mesh->m_pOctree, Vector(0.5f, 0.5f, 1), Vector(0.5f, 0.5f, -1), 0, true, false, false, 0);
    picker.Pick(*mesh->m_pOctree, Vector(1.5f, 0.5f, 1), Vector(1.5f, 0.5f, -1), 0, true, false, false, 0);
    EXPECT_GE(picker.GetPickCount(), 1);  // the first face of the chain is still tested
}

TEST(Picker, BatchesStaySortedAndEqualDistancesPutTheLaterFirst)
{
    // Two coincident quads, and one further down.
    auto mesh = fixtures::MakeQuads({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, -1}, {1, 0, -1}, {1, 1, -1},
                                     {0, 1, -1}},
                                    {{{0, 1, 2, 3}}, {{0, 1, 2, 3}}, {{4, 5, 6, 7}}});
    BuildLooseOctree(*mesh, 0.0f);
    Picker picker;
    picker.Pick(*mesh->m_pOctree, Vector(0.3f, 0.3f, 1), Vector(0.3f, 0.3f, -3), 0, false, false, false, 0);
    ASSERT_EQ(picker.GetPickCount(), 3);
    EXPECT_EQ(picker.GetPick(0)->m_fDistance, picker.GetPick(1)->m_fDistance);
    EXPECT_EQ(picker.GetPick(2)->m_iFace, 2);
    // The octree visits the faces of one cube from its chain head, newest first, so the
    // face met last is the one inserted first.
    Picker order;
    order.SetSegment(Vector(0.3f, 0.3f, 1), Vector(0.3f, 0.3f, -3));
    order.VisitFace(*mesh, 0);
    order.VisitFace(*mesh, 1);
    EXPECT_EQ(order.GetPick(0)->m_iFace, 1);
    EXPECT_EQ(order.GetPick(1)->m_iFace, 0);

    // A second batch goes after the first; continuing it merges in order.
    picker.Pick(*mesh->m_pOctree, Vector(0.6f, 0.6f, 3), Vector(0.6f, 0.6f, -1.5f), 0, false, false, false, 0);
    EXPECT_EQ(picker.m_iBatchStart, 3);
    ASSERT_EQ(picker.GetPickCount(), 6);
    EXPECT_EQ(picker.GetPick(5)->m_iFace, 2);
    picker.Pick(*mesh->m_pOctree, Vector(0.6f, 0.6f, 0.5f), Vector(0.6f, 0.6f, -0.5f), 0, false, false, true, 0);
    ASSERT_EQ(picker.GetPickCount(), 8);
    for (int i = 4; i < 8; ++i)
        EXPECT_LE(picker.GetPick(i - 1)->m_fDistance, picker.GetPick(i)->m_fDistance) << i;
}

TEST(Picker, OnePerFreezeStateKeepsTheNearestOfEach)
{
    auto thawed = fixtures::MakeQuads<Object>({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, -1}, {1, 0, -1},
                                               {1, 1, -1}, {0, 1, -1}},
                                              {{{0, 1, 2, 3}}, {{4, 5, 6, 7}}});
    auto frozen = fixtures::MakeQuads<Object>({{0, 0, -0.5f}, {1, 0, -0.5f}, {1, 1, -0.5f}, {0, 1, -0.5f},
                                               {0, 0, -2}, {1, 0, -2}, {1, 1, -2}, {0, 1, -2}},
                                              {{{0, 1, 2, 3}}, {{4, 5, 6, 7}}});
    frozen->m_bFrozen = true;
    BuildLooseOctree(*thawed, 0.0f);
    BuildLooseOctree(*frozen, 0.0f);
    const Vector start(0.4f, 0.4f, 1), end(0.4f, 0.4f, -3);
    // Both orders of objects give the same two picks.
    for (bool frozenFirst : {false, true}) {
        SCOPED_TRACE(frozenFirst);
        Picker picker;
        Object *first = frozenFirst ? frozen.get() : thawed.get();
        Object *second = frozenFirst ? thawed.get() : frozen.get();
        picker.Pick(*first->m_pOctree, start, end, 0, false, true, false, 0);
        picker.Pick(*second->m_pOctree, start, end, 0, false, true, true, 0);
        ASSERT_EQ(picker.GetPickCount(), 2);
        EXPECT_FALSE(picker.GetPick(0)->m_bFrozen);
        EXPECT_FLOAT_EQ(picker.GetPick(0)->m_fDistance, 0.25f);
        EXPECT_TRUE(picker.GetPick(1)->m_bFrozen);
        EXPECT_FLOAT_EQ(picker.GetPick(1)->m_fDistance, 0.375f);
    }
}

TEST(Picker, ClosestPick)
{
    Picker picker;
    EXPECT_EQ(picker.GetClosestPick(0.5f), nullptr);
    for (float d : {0.2f, 0.6f, 0.6f}) {
        auto pick = std::make_unique<PickInfo>();
        pick->m_fDistance = d;
        picker.Append(std::move(pick));
    }
    EXPECT_EQ(picker.GetClosestPick(0.3f), picker.GetPick(0));
    EXPECT_EQ(picker.GetClosestPick(0.7f), picker.GetPick(1));  // the first of equals
    EXPECT_EQ(picker.GetClosestPick(2.7f), nullptr);             // 2.0 or more away
    EXPECT_EQ(picker.GetClosestPick(2.5f), picker.GetPick(1));
    picker.Clear();
    EXPECT_EQ(picker.GetPickCount(), 0);
    EXPECT_FALSE(picker.m_bFound);
}
