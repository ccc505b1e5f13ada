#include "LevelFixtures.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/core/Octree.h"
#include "mesh/levels/SubdivLevel.h"
#include "support/IndexLists.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace LevelFixtures;
using namespace LevelBits;

namespace {

// Level 0 (a cube) with its split as level 1; every face active and mapped.
class MappingTest : public testing::Test {
protected:
    void SetUp() override
    {
        Recorder().tempFolder = m_dir.Path();
        m_base = MakeCube(1, true);
        m_one = &AddSplitLevel(*m_base);
        m_one->BuildOctree();
        for (SubdivLevel *level : {m_base.get(), m_one})
            for (Quad &q : level->m_pQuads)
                SetMapped(q, true);
    }
    void TearDown() override { MeshSwitches::s_bLevelsOnDisk = false; }
    bool OctreeIsSound(SubdivLevel &level)
    {
        QString why;
        const bool ok = level.m_pOctree->CheckLinks(
            level.m_iFaceCount, [&](unsigned f) { return level.NextInCube(f, 0); }, why);
        EXPECT_TRUE(ok) << why.toStdString();
        return ok;
    }

    TempDir m_dir;
    std::unique_ptr<SubdivLevel> m_base;
    SubdivLevel *m_one = nullptr;
};

}  // namespace

TEST_F(MappingTest, EmptyListsChangeNothing)
{
    General::Store<unsigned int> empty("empty"), parents("parents");
    EXPECT_TRUE(m_one->Unmap(empty, false));
    EXPECT_TRUE(m_one->MapFaces(empty, true, true, true));
    EXPECT_TRUE(m_base->RemapFaces(empty, parents, false, false));
    EXPECT_TRUE(m_one->m_bFull);
    EXPECT_TRUE(m_base->m_bFull);
    EXPECT_EQ(m_one->m_iHiddenFaces, 0u);
}

TEST_F(MappingTest, UnmapParksOnlyFacesThatAreActiveAndMapped)
{
    SetMapped(m_one->m_pQuads[5], false);
    General::Store<unsigned int> list = List({5});
    EXPECT_TRUE(m_one->Unmap(list, false));
    EXPECT_TRUE(IsVisible(m_one->m_pQuads[5]));
    EXPECT_TRUE(m_one->m_bFull);

    list = List({3, 5, 0, 2, 1});
    ASSERT_TRUE(m_one->Unmap(list, false));
    EXPECT_EQ(Vec(list), (std::vector<unsigned>{0, 1, 2, 3}));
    EXPECT_TRUE(Recorder().LogContains("Unmapping 4 faces from level 1\n"));
    EXPECT_FALSE(m_one->m_bFull);
    EXPECT_EQ(m_one->m_aFaceMap.GetItemCount(), 24u);
    EXPECT_EQ(m_one->m_iHiddenFaces, 4u);
    EXPECT_EQ(m_one->m_aFaceIndexTable.GetItemCount(), 20u);
    for (unsigned f = 0; f < 4; ++f) {
        EXPECT_FALSE(IsVisible(m_one->m_pQuads[f]));
        EXPECT_TRUE(IsSelected(m_one->m_pQuads[f]));
        EXPECT_FALSE(IsMapped(m_one->m_pQuads[f]));
    }
    EXPECT_TRUE(IsVisible(m_one->m_pQuads[5]));
    EXPECT_EQ(m_one->m_iFaceCount, 24u);  // parked, not removed
}

TEST_F(MappingTest, WithLevelsOnDiskUnmappedFacesGoToTheSwapFiles)
{
    MeshSwitches::s_bLevelsOnDisk = true;
    General::Store<unsigned int> list = List({0, 1, 2, 3});
    ASSERT_TRUE(m_one->Unmap(list, true));
    EXPECT_EQ(m_one->m_iFaceCount, 20u);
    EXPECT_TRUE(m_one->m_bFacesRemoved);
    EXPECT_TRUE(OctreeIsSound(*m_one));

    // A level left with no face both active and mapped goes to disk whole.
    for (unsigned f = 0; f < m_one->m_iFaceCount; ++f)
        SetMapped(m_one->m_pQuads[f], false);
    list = List({0});
    SetMapped(m_one->m_pQuads[0], true);
    ASSERT_TRUE(m_one->Unmap(list, true));
    EXPECT_EQ(m_one->m_iFaceCount, 0u);
}

TEST_F(MappingTest, MappingShowsParkedChildrenAndHidesTheirParent)
{
    // The children of face 0 were parked and taken out of the octree.
    m_one->MarkFaceList(List({0, 1, 2, 3}));
    m_one->RebuildVisibleFaces();
    m_one->MakePartial();
    General::Store<unsigned int> list = List({0});
    ASSERT_TRUE(m_one->MapFaces(list, true, true, true));
    EXPECT_FALSE(list.HasItems());
    EXPECT_TRUE(Recorder().LogContains("Mapping 4 faces upto level 1\n"));
    for (unsigned f = 0; f < 4; ++f) {
        EXPECT_TRUE(IsVisible(m_one->m_pQuads[f]));
        EXPECT_FALSE(IsSelected(m_one->m_pQuads[f]));
        EXPECT_LT(m_one->m_pQuads[f].m_iOctree, OctreeLink::kUnlinked);
    }
    EXPECT_EQ(m_one->m_iHiddenFaces, 0u);
    EXPECT_TRUE(OctreeIsSound(*m_one));
    EXPECT_TRUE(m_base->m_bMappingMark);
    // The parent is out of view now, and no longer marked as mapped.
    EXPECT_FALSE(IsVisible(m_base->m_pQuads[0]));
    EXPECT_FALSE(IsMapped(m_base->m_pQuads[0]));
    EXPECT_EQ(m_base->m_iHiddenFaces, 1u);
    EXPECT_FALSE(Recorder().LogContains("Assertion failed")) << Recorder().log.toStdString();
}

TEST_F(MappingTest, ChildrenThatDoNotExistYetNeedTheSubdivision)
{
    // Level 1 lost the children of face 2 without keeping them: they must be made anew.
    for (unsigned f = 8; f < 12; ++f)
        SetActive(m_one->m_pQuads[f], false);
    General::Store<unsigned int> gone = List({8, 9, 10, 11});
    ASSERT_TRUE(m_one->RemoveFaces(gone, false));
    m_one->m_bFacesRemoved = false;
    General::Store<unsigned int> list = List({2});
    ASSERT_TRUE(m_one->MapFaces(list, true, false, false));
    // The 20 faces kept, then face 2's children made again with their global indices.
    EXPECT_EQ(m_one->m_iFaceCount, 24u);
    m_one->m_aFaceMap.Sort(General::Map::kByFirst);
    for (unsigned c = 0; c < 4; ++c)
        EXPECT_EQ(m_one->m_aFaceMap[20 + c].second, int(8 + c));
    EXPECT_FALSE(Recorder().LogContains("Assertion failed")) << Recorder().log.toStdString();
}

TEST_F(MappingTest, RemappingShowsHiddenParentsOrListsTheMissingOnes)
{
    General::Store<unsigned int> parentList = List({0, 3});
    ASSERT_TRUE(m_base->Unmap(parentList, false));
    EXPECT_FALSE(IsVisible(m_base->m_pQuads[3]));

    General::Store<unsigned int> children = List({12, 13, 1}), parents("parents");
    ASSERT_TRUE(m_base->RemapFaces(children, parents, true, false));
    EXPECT_FALSE(parents.HasItems());  // both parents are held: none was missing
    EXPECT_FALSE(IsVisible(m_base->m_pQuads[3]));

    ASSERT_TRUE(m_base->RemapFaces(children, parents, false, false));
    EXPECT_EQ(Vec(parents), (std::vector<unsigned>{3, 0}));  // in list order, repeats skipped
    EXPECT_TRUE(Recorder().LogContains("Remapping 2 faces to level 0\n"));
    EXPECT_TRUE(IsVisible(m_base->m_pQuads[0]));
    EXPECT_TRUE(IsVisible(m_base->m_pQuads[3]));
    EXPECT_FALSE(IsSelected(m_base->m_pQuads[3]));
}

TEST_F(MappingTest, RemappingOnAPolygonLevelListsEveryPolygon)
{
    for (unsigned i = 0; i < 3; ++i) {
        GenericFace face;
        for (unsigned c = 0; c < 5; ++c)
            face.m_aVertices.Add(c);
        m_base->m_aGenericFaces.Add(std::move(face));
    }
    General::Store<unsigned int> children = List({7}), parents("parents");
    ASSERT_TRUE(m_base->RemapFaces(children, parents, false, false));
    EXPECT_EQ(Vec(parents), (std::vector<unsigned>{0, 1, 2}));
    EXPECT_TRUE(m_base->m_bFull);
}
