#include "SubdivisionFixtures.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/core/MeshSwitches.h"
#include "support/IndexLists.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

using namespace SubdivisionFixtures;
using namespace LevelBits;

namespace {

class FaceListTest : public testing::Test {
protected:
    void SetUp() override { Recorder().tempFolder = m_dir.Path(); }
    void TearDown() override { MeshSwitches::s_bCreateTCs = false; }
    TempDir m_dir;
};

// Texture coordinates of a level by global face and corner.
std::map<std::pair<unsigned, unsigned>, std::pair<float, float>> Coordinates(SubdivLevel &level)
{
    std::map<std::pair<unsigned, unsigned>, std::pair<float, float>> tcs;
    level.m_aFaceMap.Sort(General::Map::kByFirst);
    for (unsigned f = 0; f < level.m_iFaceCount; ++f) {
        const unsigned global = level.m_bFull ? f : unsigned(level.m_aFaceMap[f].second);
        for (unsigned c = 0; c < 4; ++c) {
            const TC &tc = level.GetFaceTC(f, c);
            tcs[{global, c}] = {tc.u, tc.v};
        }
    }
    return tcs;
}

// The jittered cube with one texture coordinate per vertex.
std::unique_ptr<SubdivLevel> TexturedCube()
{
    auto base = MakeJitteredCube();
    base->m_iTCCount = 8;
    base->m_pTCs.SetItemCount(8, false);
    for (unsigned t = 0; t < 8; ++t)
        base->m_pTCs[t] = TC{float(t) * 0.1f, float(t % 3) * 0.3f};
    for (Quad &q : base->m_pQuads)
        for (unsigned c = 0; c < 4; ++c)
            q.m_iTCI[c] = int32_t(CornerVertex(q, c));
    return base;
}

}  // namespace

TEST_F(FaceListTest, WithoutASelectionEveryVisibleFaceIsSelectedAndListed)
{
    auto base = MakeJitteredCube();
    SetVisible(base->m_pQuads[2], false);
    General::Store<unsigned int> list("test list");
    base->CreateFaceList(list, true);
    EXPECT_EQ(Vec(list), (std::vector<unsigned>{0, 1, 3, 4, 5}));
    for (unsigned f : {0u, 1u, 3u, 4u, 5u})
        EXPECT_TRUE(IsSelected(base->m_pQuads[f]));
    EXPECT_FALSE(IsSelected(base->m_pQuads[2]));

    // With a selection only the selected visible faces count.
    for (Quad &q : base->m_pQuads)
        SetSelected(q, false);
    SetSelected(base->m_pQuads[4], true);
    SetSelected(base->m_pQuads[2], true);
    base->m_iSelectedFaces = 2;
    list.Clear();
    base->CreateFaceList(list, false);
    EXPECT_EQ(Vec(list), (std::vector<unsigned>{4}));
}

TEST_F(FaceListTest, APolygonLevelListsEveryFaceAndChangesNoFlag)
{
    auto base = MakePrism();
    SetVisible(base->m_pTriangles[3], false);
    std::vector<Triangle> before(base->m_pTriangles.begin(), base->m_pTriangles.end());
    General::Store<unsigned int> list("test list");
    base->CreateFaceList(list, true);
    EXPECT_EQ(list.GetItemCount(), base->m_iFaceCount);
    for (unsigned f = 0; f < base->m_iFaceCount; ++f)
        EXPECT_EQ(std::memcmp(&before[f], &base->m_pTriangles[f], sizeof(Triangle)), 0);
}

TEST_F(FaceListTest, RemovedNeighboursOfTheSelectionComeBackAndAreListed)
{
    auto base = MakeJitteredCube();
    AddLevel(*base);
    SubdivLevel &two = AddLevel(*base);
    // Take out the children of parent 1 (faces 4..7), then select face 0, a neighbour of face 5.
    General::Store<unsigned int> gone("test list");
    for (unsigned f : {4u, 5u, 6u, 7u})
        gone.Add(f);
    ASSERT_TRUE(two.RemoveFaces(gone, false));
    ASSERT_EQ(two.m_iFaceCount, 92u);
    SetSelected(two.m_pQuads[0], true);
    two.m_iSelectedFaces = 1;
    General::Store<unsigned int> list("test list");
    two.CreateFaceList(list, true);
    EXPECT_GT(two.m_iFaceCount, 92u);
    EXPECT_EQ(list[0], 0u);
    EXPECT_EQ(list.GetItemCount(), 1 + two.m_iFaceCount - 92);
    EXPECT_EQ(two.m_aExtraFaces.GetItemCount(), two.m_iFaceCount - 92);
    two.m_aFaceMap.Sort(General::Map::kByFirst);
    for (unsigned f = 92; f < two.m_iFaceCount; ++f) {
        EXPECT_FALSE(IsMapped(two.m_pQuads[f]));
        EXPECT_GE(two.m_aFaceMap[f].second, 4);
        EXPECT_LE(two.m_aFaceMap[f].second, 7);
    }
}

TEST_F(FaceListTest, RecreatedCoordinatesEqualTheOnesSubdivisionMade)
{
    MeshSwitches::s_bCreateTCs = true;
    auto base = TexturedCube();
    SubdivLevel &one = AddLevel(*base);
    SubdivLevel &two = AddLevel(*base);
    ASSERT_GT(two.m_iTCCount, 0u);
    const auto made = Coordinates(two);
    two.RecreateUVs(true);
    EXPECT_EQ(Coordinates(two), made);

    // Level 0, or a level whose coordinates stand, is left alone.
    const unsigned count = one.m_iTCCount;
    base->RecreateUVs(true);
    one.RecreateUVs(false);
    EXPECT_EQ(one.m_iTCCount, count);
}

TEST_F(FaceListTest, APartialLevelBringsBackTheParentsItNeedsForItsCoordinates)
{
    MeshSwitches::s_bCreateTCs = true;
    auto base = TexturedCube();
    SubdivLevel &one = AddLevel(*base);
    ASSERT_TRUE(Subdivide(one, {0, 1, 2, 3, 8, 9}));
    SubdivLevel &two = *one.GetNextLevel(false);
    const auto made = Coordinates(two);
    // The parents leave level 1 for its swap files.
    General::Store<unsigned int> parents("test list");
    for (unsigned f : {0u, 1u, 2u, 3u, 8u, 9u})
        parents.Add(f);
    ASSERT_TRUE(one.RemoveFaces(parents, false));
    const unsigned held = one.m_iFaceCount;
    two.RecreateUVs(true);
    EXPECT_EQ(Coordinates(two), made);
    EXPECT_EQ(one.m_iFaceCount, held);
}
