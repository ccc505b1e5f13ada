#include "LevelFixtures.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/SubdivLevel.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace LevelFixtures;
using namespace LevelBits;

namespace {

// Level 0: a cube whose corners each carry the texture coordinate of their vertex, so no
// edge is a seam; `seamFace` (when set) gets copies of those coordinates under new indices.
std::unique_ptr<SubdivLevel> TexturedCube(int seamFace = -1)
{
    auto cube = MakeCube(1);
    cube->m_iTCCount = 8 + (seamFace >= 0 ? 4 : 0);
    cube->m_pTCs.SetItemCount(cube->m_iTCCount, false);
    for (unsigned v = 0; v < 8; ++v) {
        const General::Vector p = cube->m_pVertices[v].m_vPosition;
        cube->m_pTCs[v] = TC{p.x + 2 * p.z, p.y + 4 * p.z};
    }
    for (unsigned f = 0; f < 6; ++f)
        for (unsigned c = 0; c < 4; ++c) {
            const unsigned v = CornerVertex(cube->m_pQuads[f], c);
            if (int(f) == seamFace) {
                cube->m_pTCs[8 + c] = cube->m_pTCs[v];
                cube->m_pQuads[f].m_iTCI[c] = int32_t(8 + c);
            } else {
                cube->m_pQuads[f].m_iTCI[c] = int32_t(v);
            }
        }
    return cube;
}

General::Store<unsigned int> AllFaces(unsigned n)
{
    General::Store<unsigned int> list("parents");
    for (unsigned f = 0; f < n; ++f)
        list.Add(f);
    return list;
}

// Texture indices each vertex of the level ended up with.
std::map<unsigned, std::set<int>> IndicesPerVertex(const SubdivLevel &level)
{
    std::map<unsigned, std::set<int>> result;
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        for (unsigned c = 0; c < 4; ++c)
            result[CornerVertex(level.m_pQuads[f], c)].insert(level.m_pQuads[f].m_iTCI[c]);
    return result;
}

}  // namespace

TEST(LevelTCs, WithoutSeamsEveryVertexGetsOneCoordinate)
{
    auto cube = TexturedCube();
    SubdivLevel &one = AddSplitLevel(*cube);
    ASSERT_TRUE(one.UpdateTCs(AllFaces(6), 0));
    EXPECT_EQ(one.m_iTCCount, 26u);
    EXPECT_EQ(one.m_pTCs.GetItemCount(), 26u);
    EXPECT_TRUE(Recorder().LogContains(" Updated texture coordinates (26 new item)\n"));
    for (const auto &[vertex, indices] : IndicesPerVertex(one))
        EXPECT_EQ(indices.size(), 1u) << vertex;
    // The coordinates are those of the parents' corners, midpoints and centres.
    const Quad &child = one.m_pQuads[0];
    const TC &corner = one.m_pTCs[unsigned(child.m_iTCI[0])];
    EXPECT_EQ(corner.u, cube->m_pTCs[unsigned(cube->m_pQuads[0].m_iTCI[0])].u);
    const TC a = cube->m_pTCs[unsigned(cube->m_pQuads[0].m_iTCI[0])], b = cube->m_pTCs[unsigned(cube->m_pQuads[0].m_iTCI[1])];
    EXPECT_FLOAT_EQ(one.m_pTCs[unsigned(child.m_iTCI[1])].u, 0.5f * (a.u + b.u));
    // Children 0 and 1 share the midpoint of their common edge.
    EXPECT_EQ(one.m_pQuads[0].m_iTCI[1], one.m_pQuads[1].m_iTCI[0]);
    EXPECT_FALSE(Recorder().LogContains("Assertion failed"));
}

TEST(LevelTCs, ASeamKeepsItsCoordinatesApartWhereTheValuesCoincide)
{
    auto cube = TexturedCube(0);
    SubdivLevel &one = AddSplitLevel(*cube);
    ASSERT_TRUE(one.UpdateTCs(AllFaces(6), 0));
    // Face 0's border: its four corners and four edge points each carry two indices.
    EXPECT_EQ(one.m_iTCCount, 26u + 8u);
    unsigned doubled = 0;
    for (const auto &[vertex, indices] : IndicesPerVertex(one)) {
        EXPECT_LE(indices.size(), 2u);
        doubled += indices.size() == 2;
    }
    EXPECT_EQ(doubled, 8u);
}

TEST(LevelTCs, CornersThatHaveCoordinatesAreLeftAlone)
{
    auto cube = TexturedCube();
    SubdivLevel &one = AddSplitLevel(*cube);
    one.m_pTCs.SetItemCount(1, false);
    one.m_pTCs[0] = TC{9, 9};
    one.m_iTCCount = 1;
    for (unsigned f = 0; f < 4; ++f)
        for (int32_t &tci : one.m_pQuads[f].m_iTCI)
            tci = 0;
    // Only the children of parents 1 to 5 are new.
    General::Store<unsigned int> parents = AllFaces(6);
    parents.SetItemCount(0, false);
    for (unsigned f = 1; f < 6; ++f)
        parents.Add(f);
    ASSERT_TRUE(one.UpdateTCs(parents, 4));
    for (unsigned f = 0; f < 4; ++f)
        for (int32_t tci : one.m_pQuads[f].m_iTCI)
            EXPECT_EQ(tci, 0);
    EXPECT_EQ(one.m_pTCs[0].u, 9.0f);
}

TEST(LevelTCs, FailuresAreReported)
{
    Recorder().ExpectAssertionFailures();
    auto cube = TexturedCube();
    SubdivLevel &one = AddSplitLevel(*cube);
    EXPECT_FALSE(one.UpdateTCs(AllFaces(6), 25));
    EXPECT_TRUE(Recorder().LogContains("!(iStartFaceIndex > m_iFaceCount || m_iTCCount != m_pTCs.GetItemCount())"));

    // A parent index past the level below: its children get coordinate 0 and the call says it failed.
    General::Store<unsigned int> parents = AllFaces(6);
    parents[5] = 40;
    EXPECT_FALSE(one.UpdateTCs(parents, 0));
    EXPECT_TRUE(Recorder().LogContains("!(aPrevFaces[iOFI] >= m_pPrev->m_iFaceCount)"));
    EXPECT_EQ(one.m_pQuads[20].m_iTCI[0], 0);

    // A parent without texture coordinates of its own cannot give any.
    auto bare = TexturedCube();
    bare->m_pQuads[2].m_iTCI[1] = int32_t(MeshFlags::kNoTC);
    SubdivLevel &next = AddSplitLevel(*bare);
    EXPECT_FALSE(next.UpdateTCs(AllFaces(6), 0));
}

TEST(LevelTCs, LevelOneOfAPolygonMeshSharesMidpointsAcrossEdgesWithoutSeams)
{
    // A quad (0 1 2 3) and a triangle (1 4 2) sharing the edge 1-2 with the same texture indices.
    SubdivLevel base;
    base.m_iTCCount = 5;
    base.m_pTCs.SetItemCount(5, false);
    for (unsigned t = 0; t < 5; ++t)
        base.m_pTCs[t] = TC{float(t), float(t * t)};
    auto polygon = [](std::initializer_list<unsigned> corners, std::initializer_list<unsigned> neighbours) {
        GenericFace face;
        for (unsigned c : corners) {
            face.m_aVertices.Add(c);
            face.m_aTCIndices.Add(c);
        }
        for (unsigned n : neighbours)
            face.m_aNeighbours.Add(n);
        return face;
    };
    base.m_aGenericFaces.Add(polygon({0, 1, 2, 3}, {0xFFFFFFFF, 1 * 16 + 2, 0xFFFFFFFF, 0xFFFFFFFF}));
    base.m_aGenericFaces.Add(polygon({1, 4, 2}, {0xFFFFFFFF, 0xFFFFFFFF, 0 * 16 + 1}));
    auto level = new SubdivLevel(7, 0, 0, 0, true);
    base.SetNextLevel(level);
    General::Store<unsigned int> parents = AllFaces(2);
    ASSERT_TRUE(level->UpdateTCs(parents, 0));
    // The five coordinates, two centres, six distinct midpoints (the shared edge has one).
    EXPECT_EQ(level->m_iTCCount, 5u + 2u + 6u);
    EXPECT_EQ(level->m_pTCs[5].u, 1.5f);  // centre of the quad
    const Quad &q1 = level->m_pQuads[1];    // the quad's child at corner 1
    EXPECT_EQ(q1.m_iTCI[0], 1);
    EXPECT_EQ(q1.m_iTCI[2], 5);
    // The quad's edge 1 (corners 1-2) and the triangle's edge 2 (corners 2-1) share their midpoint.
    EXPECT_EQ(q1.m_iTCI[1], level->m_pQuads[4 + 2].m_iTCI[1]);
    EXPECT_EQ(level->m_pTCs[unsigned(q1.m_iTCI[1])].u, 1.5f);

    // Every child meets the others of its polygon at that polygon's own centre.
    const TC centres[2] = {{1.5f, 3.5f}, {7.0f / 3, 7.0f}};
    for (unsigned j = 0, first = 0; j < 2; first += base.m_aGenericFaces[j].m_aVertices.GetItemCount(), ++j)
        for (unsigned k = 0; k < base.m_aGenericFaces[j].m_aVertices.GetItemCount(); ++k) {
            const int centre = level->m_pQuads[first + k].m_iTCI[2];
            EXPECT_EQ(centre, int(5 + j)) << "polygon " << j << " child " << k;
            ASSERT_GE(centre, 0);
            EXPECT_FLOAT_EQ(level->m_pTCs[unsigned(centre)].u, centres[j].u);
            EXPECT_FLOAT_EQ(level->m_pTCs[unsigned(centre)].v, centres[j].v);
        }
}
