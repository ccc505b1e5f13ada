#include "LevelFixtures.h"
#include "SubdivisionFixtures.h"
#include "foundation/Memory.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/core/MeshSwitches.h"
#include "support/FileSizeLimit.h"
#include "support/IndexLists.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

using namespace SubdivisionFixtures;
using namespace LevelBits;

namespace {

class SubdivideTest : public testing::Test {
protected:
    void SetUp() override { Recorder().tempFolder = m_dir.Path(); }
    void TearDown() override
    {
        General::SetMemoryLimit(~uint64_t(0));
        MeshSwitches::s_bSmoothPositions = true;
    }
    TempDir m_dir;
};

// Every neighbour entry points back, across an edge with the same two vertices.
void ExpectSoundAdjacency(const SubdivLevel &level)
{
    for (unsigned f = 0; f < level.m_iFaceCount; ++f) {
        const Quad &q = level.m_pQuads[f];
        for (unsigned e = 0; e < 4; ++e) {
            const int32_t entry = q.m_iAdjacent[e];
            if (entry < 0)
                continue;
            const unsigned h = unsigned(entry) / 4, s = unsigned(entry) % 4;
            ASSERT_LT(h, level.m_iFaceCount);
            const Quad &n = level.m_pQuads[h];
            EXPECT_EQ(n.m_iAdjacent[s], int32_t(f * 4 + e)) << f << " " << e;
            EXPECT_EQ(CornerVertex(q, e), CornerVertex(n, (s + 1) % 4)) << f << " " << e;
            EXPECT_EQ(CornerVertex(q, (e + 1) % 4), CornerVertex(n, s)) << f << " " << e;
        }
    }
}

// The adjacency that the mesh code builds from the corners alone.
std::vector<int32_t> RebuiltAdjacency(SubdivLevel &level)
{
    std::vector<int32_t> made;
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        made.insert(made.end(), level.m_pQuads[f].m_iAdjacent, level.m_pQuads[f].m_iAdjacent + 4);
    level.m_bAdjacencyValid = false;
    level.CalculateAdjacency();
    std::vector<int32_t> rebuilt;
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        rebuilt.insert(rebuilt.end(), level.m_pQuads[f].m_iAdjacent, level.m_pQuads[f].m_iAdjacent + 4);
    EXPECT_EQ(made, rebuilt);
    return rebuilt;
}

}  // namespace

TEST_F(SubdivideTest, CubeLevelsHaveTheCatmullClarkCountsAndNoOpenEdges)
{
    auto base = MakeJitteredCube();
    const unsigned faces[] = {24, 96, 384, 1536}, vertices[] = {26, 98, 386, 1538};
    SubdivLevel *level = base.get();
    for (unsigned i = 0; i < 4; ++i) {
        SCOPED_TRACE(i + 1);
        ASSERT_TRUE(Subdivide(*level));
        level = level->GetNextLevel(false);
        ASSERT_NE(level, nullptr);
        EXPECT_EQ(level->GetLevelIndex(), int(i + 1));
        EXPECT_EQ(level->m_iFaceCount, faces[i]);
        EXPECT_EQ(level->m_iTotalFaceCount, faces[i]);
        EXPECT_EQ(level->m_iVertexCount, vertices[i]);
        EXPECT_EQ(level->m_iTotalVertexCount, vertices[i]);
        EXPECT_TRUE(level->m_bFull);
        EXPECT_FALSE(level->m_aFaceMap.HasItems());
        EXPECT_EQ(level->m_aVertexMap.GetItemCount(), vertices[i]);
        EXPECT_EQ(OpenEdges(*level), 0u);
        EXPECT_EQ(level->m_iOpenEdges, 0u);
        ExpectSoundAdjacency(*level);
        RebuiltAdjacency(*level);
        // Global vertex indices are unique and below the level's bound.
        std::set<int> globals;
        for (const General::IntPair &pair : level->m_aVertexMap) {
            EXPECT_LT(unsigned(pair.second), level->m_iGlobalVertexBound);
            globals.insert(pair.second);
        }
        EXPECT_EQ(globals.size(), vertices[i]);
    }
    EXPECT_EQ(base->GetHighestLevel(), level);
    EXPECT_EQ(level->GetHighestLevel(), level);
    EXPECT_EQ(level->GetNextLevel(false), nullptr);
    EXPECT_EQ(base->GetLevelIndex(), 0);
}

TEST_F(SubdivideTest, ChildrenFollowTheLayoutOfTheirParent)
{
    // One quad and one triangle, each alone: corners, edge points and face point by table.
    struct Case {
        std::vector<Vector> positions;
        Polygon face;
        std::vector<std::array<int, 4>> layout;  // 0..k-1 corners, 10 + e edge points, 20 the face point
    };
    const Case cases[] = {
        {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
         {0, 1, 2, 3},
         {{0, 10, 20, 13}, {10, 1, 11, 20}, {13, 20, 12, 3}, {20, 11, 2, 12}}},
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}, {{0, 10, 20, 12}, {10, 1, 11, 20}, {12, 20, 11, 2}}},
    };
    for (const Case &c : cases) {
        const unsigned k = unsigned(c.face.size());
        SCOPED_TRACE(k);
        auto base = MakeBase(c.positions, {c.face});
        ASSERT_TRUE(Subdivide(*base));
        SubdivLevel &one = *base->GetNextLevel(false);
        ASSERT_EQ(one.m_iFaceCount, k);
        EXPECT_EQ(one.m_eType, Mesh::typeQuadric);
        EXPECT_EQ(one.m_iVertexCount, 2 * k + 1);
        EXPECT_EQ(OpenEdges(one), 2 * k);
        ExpectSoundAdjacency(one);
        RebuiltAdjacency(one);
        // Name the vertices by what they are: the corners keep their global index, the
        // face point is bound + 0, edge point e is bound + 1 + the key of its slot.
        const unsigned bound = base->m_iGlobalVertexBound;
        auto name = [&](unsigned local) {
            const unsigned g = GlobalVertex(one, local);
            if (g < bound)
                return int(g);
            if (g == bound)
                return 20;
            const unsigned slot = g - bound - 1;
            return 10 + int(k == 3 ? (slot + 1) % 3 : slot);
        };
        for (unsigned child = 0; child < k; ++child)
            for (unsigned corner = 0; corner < 4; ++corner)
                EXPECT_EQ(name(CornerVertex(one.m_pQuads[child], corner)), c.layout[child][corner])
                    << child << " " << corner;
    }
}

TEST_F(SubdivideTest, TwoCallsShareTheEdgePointAndResolvePendingNeighbours)
{
    // Two quads side by side: 0 = (0,1,4,3), 1 = (1,2,5,4); their shared edge is 1-4.
    std::vector<Vector> p = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    auto whole = MakeBase(p, {{0, 1, 4, 3}, {1, 2, 5, 4}});
    auto split = MakeBase(p, {{0, 1, 4, 3}, {1, 2, 5, 4}});
    ASSERT_TRUE(Subdivide(*whole));
    ASSERT_TRUE(Subdivide(*split, {0}));
    SubdivLevel &a = *whole->GetNextLevel(false), &b = *split->GetNextLevel(false);
    EXPECT_FALSE(b.m_bFull);
    EXPECT_EQ(b.m_iFaceCount, 4u);
    EXPECT_EQ(b.m_iTotalFaceCount, 8u);
    // Face 0's edge 1 (to face 1) waits for face 1's children 4 + {0, 1}... as pending entries.
    const Quad &upper = b.m_pQuads[1], &lower = b.m_pQuads[3];
    EXPECT_EQ(uint32_t(upper.m_iAdjacent[1]), kAbsentNeighbour + (1 * 4 + 0) * 4 + 3);
    EXPECT_EQ(uint32_t(lower.m_iAdjacent[1]), kAbsentNeighbour + (1 * 4 + 2) * 4 + 3);

    ASSERT_TRUE(Subdivide(*split, {1}));
    EXPECT_EQ(b.m_iFaceCount, 8u);
    EXPECT_EQ(b.m_iVertexCount, a.m_iVertexCount);
    EXPECT_EQ(b.m_iVertexCount, 15u);
    ExpectSoundAdjacency(b);
    EXPECT_EQ(OpenEdges(b), OpenEdges(a));
    // The same faces and positions, global index by global index.
    b.m_aFaceMap.Sort(General::Map::kByFirst);
    for (unsigned f = 0; f < 8; ++f) {
        const unsigned g = unsigned(b.m_aFaceMap[f].second);
        for (unsigned c = 0; c < 4; ++c) {
            const unsigned va = CornerVertex(a.m_pQuads[g], c), vb = CornerVertex(b.m_pQuads[f], c);
            EXPECT_EQ(GlobalVertex(a, va), GlobalVertex(b, vb));
            const Vector pa = a.m_pVertices[va].m_vPosition, pb = b.m_pVertices[vb].m_vPosition;
            EXPECT_NEAR((pa - pb).Length(), 0.0f, 1e-6f) << f << " " << c;
        }
    }
}

TEST_F(SubdivideTest, APartialLevelHoldsOnlyTheChildrenOfTheListedFaces)
{
    auto base = LevelFixtures::MakeCube(2);
    for (Quad &q : base->m_pQuads)
        SetMapped(q, true);
    ASSERT_TRUE(Subdivide(*base, {5, 1, 5, 20}));
    SubdivLevel &one = *base->GetNextLevel(false);
    EXPECT_FALSE(one.m_bFull);
    EXPECT_EQ(one.m_iFaceCount, 12u);
    EXPECT_EQ(one.m_iTotalFaceCount, 96u);
    one.m_aFaceMap.Sort(General::Map::kByFirst);
    std::vector<int> globals;
    for (const General::IntPair &pair : one.m_aFaceMap)
        globals.push_back(pair.second);
    EXPECT_EQ(globals, (std::vector<int>{4, 5, 6, 7, 20, 21, 22, 23, 80, 81, 82, 83}));
    // Every entry names a held face or a pending global child; no open edge on a closed cube.
    EXPECT_EQ(OpenEdges(one), 0u);
    unsigned pending = 0;
    for (unsigned f = 0; f < one.m_iFaceCount; ++f)
        for (int32_t entry : one.m_pQuads[f].m_iAdjacent)
            if (uint32_t(entry) >= kAbsentNeighbour) {
                ++pending;
                EXPECT_LT((uint32_t(entry) - kAbsentNeighbour) / 4, 96u);
            }
    EXPECT_GT(pending, 0u);
    // Children of an unmapped parent stay hidden and out of the worked region.
    base->m_pQuads[2].m_iIndices[3] &= ~MeshFlags::kBit31;
    ASSERT_TRUE(Subdivide(*base, {2}));
    for (unsigned f = 12; f < 16; ++f) {
        EXPECT_FALSE(IsVisible(one.m_pQuads[f]));
        EXPECT_FALSE(IsActive(one.m_pQuads[f]));
        EXPECT_FALSE(IsSelected(one.m_pQuads[f]));
    }
    for (unsigned f = 0; f < 12; ++f) {
        EXPECT_TRUE(IsVisible(one.m_pQuads[f]));
        EXPECT_FALSE(IsSelected(one.m_pQuads[f]));
    }
}

TEST_F(SubdivideTest, APolygonBaseSplitsEveryPolygonIntoOneQuadPerCorner)
{
    auto base = MakePrism();
    ASSERT_EQ(base->m_aGenericFaces.GetItemCount(), 7u);
    General::Store<unsigned int> list = List({0});  // the list does not matter: all polygons are split
    SubdivLevel *one = base->GetNextLevel(true);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->m_iTotalFaceCount, 30u);
    one->m_iNewVertexCount = 0;
    ASSERT_TRUE(one->Subdivide(list));
    // 5 + 5 + 5 × 4 corners; vertices 10 + 7 centres + 15 edges.
    EXPECT_EQ(one->m_iFaceCount, 30u);
    EXPECT_EQ(one->m_pQuads.GetItemCount(), 30u);
    EXPECT_EQ(one->m_iTotalFaceCount, 30u);
    EXPECT_EQ(one->m_iNewVertexCount, 32u);
    EXPECT_EQ(one->m_iTotalVertexCount, 32u);
    EXPECT_EQ(one->m_iGlobalVertexBound, 32u);
    EXPECT_EQ(one->m_aCCPositions.GetItemCount(), 32u);
    EXPECT_TRUE(one->m_bFull);
    EXPECT_EQ(OpenEdges(*one), 0u);
    ExpectSoundAdjacency(*one);
    // The first polygon's children sit at 0..4 with its centre 10 and its corners 4, 3, 2, 1, 0.
    for (unsigned c = 0; c < 5; ++c) {
        EXPECT_EQ(CornerVertex(one->m_pQuads[c], 0), 4 - c);
        EXPECT_EQ(CornerVertex(one->m_pQuads[c], 2), 10u);
    }
}

TEST_F(SubdivideTest, ALevelTooLargeToNumberIsRefusedWithAMessage)
{
    auto base = MakeJitteredCube();
    base->GetSwapFileName();
    // Totals as for a level of 2^28 faces: the next would have 2^30.
    base->m_iTotalFaceCount = 1u << 28;
    base->m_iTotalVertexCount = (1u << 28) + 2;
    base->m_iGlobalVertexBound = (1u << 28) + 2;
    EXPECT_EQ(base->GetNextLevel(true), nullptr);
    EXPECT_EQ(base->GetNextLevel(false), nullptr);
    ASSERT_EQ(Recorder().messages.size(), 1);
    EXPECT_TRUE(Recorder().messages[0].contains("1073741824 faces")) << Recorder().messages[0].toStdString();
    EXPECT_TRUE(Recorder().LogContains("cannot be made"));

    // A level already made (read from a file, say) refuses to grow past the bound as well.
    auto small = MakeJitteredCube();
    SubdivLevel *one = small->GetNextLevel(true);
    ASSERT_NE(one, nullptr);
    one->m_iGlobalVertexBound = (1u << 29) + 1;
    General::Store<unsigned int> list = List({0, 1});
    EXPECT_FALSE(one->Subdivide(list));
    EXPECT_EQ(one->m_iFaceCount, 0u);
}

TEST_F(SubdivideTest, ARefusedAllocationLeavesTheLevelAsItWas)
{
    // For every memory limit around the cost of the subdivision, it either works or leaves
    // the level exactly as it was.
    auto probe = LevelFixtures::MakeCube(2);
    ASSERT_TRUE(Subdivide(*probe, {0, 1, 2, 3, 4, 5}));
    struct Image {
        std::vector<Quad> quads;
        std::vector<General::IntPair> faceMap, vertexMap;
        std::vector<Vector> cc, positions;
        unsigned faces, vertices, newVertices, created, totalFaces, totalVertices, bound;
        bool full, absolute;
    };
    auto image = [](SubdivLevel &level) {
        Image i;
        i.quads.assign(level.m_pQuads.begin(), level.m_pQuads.end());
        auto sorted = [](General::Map &map) {
            std::vector<General::IntPair> v(map.begin(), map.end());
            std::sort(v.begin(), v.end(), [](auto a, auto b) { return a.first < b.first; });
            return v;
        };
        i.faceMap = sorted(level.m_aFaceMap);
        i.vertexMap = sorted(level.m_aVertexMap);
        i.cc.assign(level.m_aCCPositions.begin(), level.m_aCCPositions.end());
        for (unsigned v = 0; v < level.m_iVertexCount; ++v)
            i.positions.push_back(level.m_pVertices[v].m_vPosition);
        i.faces = level.m_iFaceCount;
        i.vertices = level.m_iVertexCount;
        i.newVertices = level.m_iNewVertexCount;
        i.created = level.m_iCreatedFaces;
        i.totalFaces = level.m_iTotalFaceCount;
        i.totalVertices = level.m_iTotalVertexCount;
        i.bound = level.m_iGlobalVertexBound;
        i.full = level.m_bFull;
        i.absolute = level.m_bAbsolute;
        return i;
    };
    auto same = [](const Image &a, const Image &b) {
        return a.quads.size() == b.quads.size() &&
               std::memcmp(a.quads.data(), b.quads.data(), a.quads.size() * sizeof(Quad)) == 0 &&
               a.faceMap == b.faceMap && a.vertexMap == b.vertexMap && a.cc == b.cc && a.positions == b.positions &&
               a.faces == b.faces && a.vertices == b.vertices && a.newVertices == b.newVertices &&
               a.created == b.created && a.totalFaces == b.totalFaces && a.totalVertices == b.totalVertices &&
               a.bound == b.bound && a.full == b.full && a.absolute == b.absolute;
    };
    unsigned refused = 0, worked = 0;
    for (uint64_t extra = 0; extra < 40000; extra += 250) {
        auto base = LevelFixtures::MakeCube(2);
        for (Quad &q : base->m_pQuads)
            SetMapped(q, true);
        ASSERT_TRUE(Subdivide(*base, {0, 1, 2, 3, 4, 5}));
        SubdivLevel &one = *base->GetNextLevel(false);
        const Image before = image(one);
        General::Store<unsigned int> list = List({6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
        one.m_iNewVertexCount = one.m_iVertexCount;
        General::SetMemoryLimit(General::GetCountedMemory() + extra);
        const bool ok = one.Subdivide(list);
        General::SetMemoryLimit(~uint64_t(0));
        if (ok) {
            ++worked;
            EXPECT_EQ(one.m_iFaceCount, 64u);
        } else {
            ++refused;
            EXPECT_TRUE(same(before, image(one))) << "limit + " << extra;
        }
    }
    EXPECT_GT(refused, 3u);
    EXPECT_GT(worked, 3u);
}

TEST_F(SubdivideTest, MappingGivesNewVerticesTheirPositions)
{
    // The same level made by mapping and by the steps of the fixture.
    auto mapped = MakeJitteredCube(), direct = MakeJitteredCube();
    SubdivLevel *one = mapped->GetNextLevel(true);
    ASSERT_NE(one, nullptr);
    General::Store<unsigned int> list = List({0, 1, 2, 3, 4, 5});
    ASSERT_TRUE(one->MapFaces(list, true, false, true));
    ASSERT_TRUE(Subdivide(*direct));
    SubdivLevel &reference = *direct->GetNextLevel(false);
    ASSERT_EQ(one->m_iVertexCount, reference.m_iVertexCount);
    for (unsigned v = 0; v < one->m_iVertexCount; ++v) {
        EXPECT_EQ(one->m_pVertices[v].m_vPosition, reference.m_pVertices[v].m_vPosition) << v;
        EXPECT_EQ(one->m_pVertices[v].m_cMask, 0) << v;
        EXPECT_EQ(one->m_pVertices[v].m_iStrokeID, 0) << v;
    }
    EXPECT_TRUE(one->m_bAbsolute);
}

TEST_F(SubdivideTest, AFailedWorkFileFailsThePositionUpdate)
{
    // Work tables whose memory is refused go to a file; on a full disk that file fails, and
    // the positions computed with it must not be taken for good: the level steps roll back
    // on the failure.
    unsigned tableFailed = 0;
    for (uint64_t extra = 0; extra < 1600; extra += 16) {
        auto base = LevelFixtures::MakeCube(2);
        for (Quad &q : base->m_pQuads)
            SetMapped(q, true);
        ASSERT_TRUE(Subdivide(*base, {0, 1, 2, 3, 4, 5}));
        SubdivLevel &one = *base->GetNextLevel(false);
        Recorder().Clear();
        one.MakeRelative();
        bool ok = false;
        {
            FileSizeLimit disk(0);
            General::SetMemoryLimit(General::GetCountedMemory() + extra);
            ok = one.UpdateCC(false);
            General::SetMemoryLimit(~uint64_t(0));
        }
        one.MakeAbsolute();
        if (Recorder().LogContains("File array could not")) {
            ++tableFailed;
            EXPECT_FALSE(ok) << "limit + " << extra;
            EXPECT_TRUE(Recorder().LogContains("Cannot calculate CC positions on level 1: a work table failed"))
                << "limit + " << extra;
            EXPECT_TRUE(Recorder().statusMessages.contains("A work file could not be written or read. Disk may be full."));
        }
    }
    EXPECT_GT(tableFailed, 0u);
}

TEST_F(SubdivideTest, AFailedWorkFileFailsTheSubdivision)
{
    // The polygon split keeps its edge points in a work table; where its memory is refused
    // the table goes to a file, and on a full disk the split must fail and leave no level.
    unsigned tableFailed = 0;
    for (uint64_t extra = 0; extra < 4000; extra += 8) {
        auto base = MakePrism();
        SubdivLevel *one = base->GetNextLevel(true);
        ASSERT_NE(one, nullptr);
        one->m_iNewVertexCount = 0;
        General::Store<unsigned int> list = List({0});
        Recorder().Clear();
        bool ok = false;
        {
            FileSizeLimit disk(0);
            General::SetMemoryLimit(General::GetCountedMemory() + extra);
            ok = one->Subdivide(list);
            General::SetMemoryLimit(~uint64_t(0));
        }
        if (Recorder().LogContains("File array could not")) {
            ++tableFailed;
            EXPECT_FALSE(ok) << "limit + " << extra;
            EXPECT_TRUE(Recorder().LogContains("their edge work table failed")) << "limit + " << extra;
        }
        if (!ok) {
            EXPECT_EQ(one->m_iFaceCount, 0u) << "limit + " << extra;
            EXPECT_EQ(one->m_pQuads.GetItemCount(), 0u) << "limit + " << extra;
        }
    }
    EXPECT_GT(tableFailed, 0u);
}
