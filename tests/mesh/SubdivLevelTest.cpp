#include "LevelFixtures.h"
#include "foundation/Globals.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/core/MeshGlobals.h"
#include "mesh/object/MeshHost.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/core/Octree.h"
#include "mesh/levels/SubdivLevel.h"
#include "support/IndexLists.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <set>

using namespace LevelFixtures;
using namespace LevelBits;

namespace {

// Every test's swap files go to a private folder.
class LevelTest : public testing::Test {
protected:
    void SetUp() override { Recorder().tempFolder = m_dir.Path(); }
    TempDir m_dir;
};

}  // namespace

// --- the chain --------------------------------------------------------------------------

TEST_F(LevelTest, ChainIndicesAndBase)
{
    auto base = MakeCube(1);
    SubdivLevel &one = AddSplitLevel(*base);
    SubdivLevel &two = AddSplitLevel(one);
    EXPECT_EQ(base->GetLevelIndex(), 0);
    EXPECT_EQ(two.GetLevelIndex(), 2);
    EXPECT_EQ(SubdivLevel::GetLevelIndex(nullptr), -1);
    EXPECT_EQ(two.GetBaseLevel(), base.get());
    EXPECT_EQ(one.m_iFaceCount, 24u);
    EXPECT_EQ(two.m_iFaceCount, 96u);
    EXPECT_EQ(two.m_iVertexCount, 98u);
    EXPECT_EQ(two.m_iOpenEdges, 0u);
}

TEST_F(LevelTest, IsARegisteredKindOfMeshNamedAfterItsObject)
{
    InitializeMeshGlobals();
    const General::TypeInfo *record = General::TypeInfo::Find(QStringLiteral("SubdivLevel"));
    ASSERT_EQ(record, &SubdivLevel::s_typeInfo);
    EXPECT_TRUE(General::TypeInfo::IsKindOf(record, &Mesh::s_typeInfo));
    std::unique_ptr<General::Node> made(record->Create(1));
    ASSERT_NE(dynamic_cast<SubdivLevel *>(made.get()), nullptr);

    struct Named : SubdivLevel {
        Named() { m_sName = QStringLiteral("head"); }
    };
    auto base = std::make_unique<Named>();
    SubdivLevel *one = new SubdivLevel(24, 0, 0, 0, true);
    base->SetNextLevel(one);
    EXPECT_EQ(one->GetName(), "head (level: 1, faces: 24)");
    EXPECT_EQ(one->GetObjectName(), "head");
}

TEST_F(LevelTest, DeletingALevelDeletesTheFinerOnesAndTheirSwapFiles)
{
    auto base = MakeCube(1);
    SubdivLevel &one = AddSplitLevel(*base);
    SubdivLevel &two = AddSplitLevel(one);
    const QString bases[2] = {one.GetSwapFileName(), two.GetSwapFileName()};
    EXPECT_NE(bases[0], bases[1]);  // both are level -1 without a scene: their names still differ
    for (const QString &b : bases)
        EXPECT_TRUE(QFile::exists(LevelSwapFiles::Path(b, LevelSwapFiles::kFaces)));
    base->SetNextLevel(nullptr);
    for (const QString &b : bases)
        for (LevelSwapFiles::Kind kind : LevelSwapFiles::kStored)
            EXPECT_FALSE(QFile::exists(LevelSwapFiles::Path(b, kind)));
}

TEST_F(LevelTest, SwapFilesCarryTheInstanceSuffixAndTheSceneId)
{
    General::InstanceSuffix() = QStringLiteral(".4242");
    struct ThirdObject : MeshHost {
        int GetMeshId(const SubdivLevel *level) const override { return 3 * 65536 + level->GetLevelIndex(); }
    } host;
    MeshHost::Install(&host);
    auto base = MakeCube(1);
    const QString name = base->GetSwapFileName();
    EXPECT_EQ(name, m_dir.Path() + "/tmp196608");
    for (const char *kind : {"v", "vi", "f", "fi"})
        EXPECT_TRUE(QFile::exists(name + kind + ".4242.tmp")) << kind;
    General::InstanceSuffix().clear();
    MeshHost::Install(nullptr);
}

TEST_F(LevelTest, SwapFileNameMakesIdentityMapsOnlyWhenNoneExist)
{
    auto base = MakeCube(1);
    base->m_bFull = false;
    base->GetSwapFileName();
    EXPECT_TRUE(base->m_bAbsolute);
    EXPECT_EQ(base->m_iGlobalVertexBound, 8u);
    ASSERT_EQ(base->m_aVertexMap.GetItemCount(), 8u);
    EXPECT_EQ(base->m_aVertexMap[5], (General::IntPair{5, 5}));
    EXPECT_EQ(base->m_aFaceMap.GetItemCount(), 6u);

    SubdivLevel &one = AddSplitLevel(*MakeCube(1).release());  // has its own maps already
    const General::IntPair last = one.m_aVertexMap[25];
    one.GetSwapFileName();
    EXPECT_EQ(one.m_aVertexMap[25], last);
    delete one.m_pPrev;
}

// --- absolute and relative positions, maps ----------------------------------------------

TEST_F(LevelTest, RelativeAndAbsoluteAreInverse)
{
    auto base = MakeCube(1);
    SubdivLevel &one = AddSplitLevel(*base);
    for (unsigned v = 0; v < one.m_iVertexCount; ++v)
        one.m_pVertices[v].m_vPosition += General::Vector(0.5f, 0, 0);
    one.MakeRelative();
    EXPECT_FALSE(one.m_bAbsolute);
    EXPECT_EQ(one.m_pVertices[7].m_vPosition, General::Vector(0.5f, 0, 0));
    one.MakeRelative();  // already relative: nothing
    EXPECT_EQ(one.m_pVertices[7].m_vPosition, General::Vector(0.5f, 0, 0));
    one.MakeAbsolute();
    EXPECT_EQ(one.m_pVertices[7].m_vPosition, one.m_aCCPositions[7] + General::Vector(0.5f, 0, 0));
}

TEST_F(LevelTest, VertexMapCursorOnlyMovesForward)
{
    auto base = MakeCube(1);
    SubdivLevel &one = AddSplitLevel(*base);
    one.ResetVertexMapCursor();
    EXPECT_EQ(one.FindInVertexMap(3), 3);
    EXPECT_EQ(one.FindInVertexMap(8), 8);  // the face point of face 0
    EXPECT_EQ(one.FindInVertexMap(2), -1);  // below the previous query
    one.ResetVertexMapCursor();
    EXPECT_EQ(one.FindInVertexMap(2), 2);
}

TEST_F(LevelTest, FaceListsMapBetweenLocalAndGlobal)
{
    auto base = MakeCube(1);
    base->m_bFull = false;
    base->m_aFaceMap.SetItemCount(3, false);
    base->m_aFaceMap[0] = {2, 40};
    base->m_aFaceMap[1] = {0, 17};
    base->m_aFaceMap[2] = {1, 5};
    base->m_aFaceMap.MarkUnsorted();
    base->m_iFaceCount = 3;
    General::Store<unsigned int> list = List({0, 2, 3, 0xFFFFFFFF});
    base->MapFaceListToGlobal(list);
    EXPECT_EQ(std::vector<unsigned>(list.begin(), list.end()), (std::vector<unsigned>{17, 40, 0xFFFFFFFF, 0xFFFFFFFF}));
    list = List({5, 40, 6});
    base->MapFaceListToLocal(list);
    EXPECT_EQ(std::vector<unsigned>(list.begin(), list.end()), (std::vector<unsigned>{1, 2, 0xFFFFFFFF}));
}

TEST_F(LevelTest, ChildTablesFindEveryParentVertexAtItsChildCorner)
{
    auto base = MakeCube(1);
    SubdivLevel &one = AddSplitLevel(*base);
    one.MakePartial();  // a partial level: the tables are built, not skipped
    General::FileArray<unsigned int> faces(6 * 4), vertices(8);
    one.BuildChildTables(4, faces, vertices);
    for (unsigned f = 0; f < 24; ++f)
        EXPECT_EQ(faces.Get(f), f);
    // Every corner vertex of the parent is the same global vertex on the child level.
    for (unsigned v = 0; v < 8; ++v) {
        ASSERT_NE(vertices.Get(v), 0xFFFFFFFFu) << v;
        EXPECT_EQ(unsigned(one.m_aVertexMap[vertices.Get(v)].second), v);
    }
}

// --- propagation ---------------------------------------------------------------------------

TEST_F(LevelTest, SculptedVerticesAreCarriedDownOnce)
{
    auto base = MakeCube(1);
    base->GetSwapFileName();
    SubdivLevel &one = AddSplitLevel(*base);
    one.m_iStamp = 10;
    one.m_iPropagationStamp = 5;
    one.m_pVertices[2].m_vPosition += General::Vector(0, 0, 1);  // a corner vertex, sculpted
    one.m_pVertices[2].m_iStrokeID = 7;
    one.m_pVertices[3].m_vPosition += General::Vector(0, 0, 1);  // sculpted before the last propagation
    one.m_pVertices[3].m_iStrokeID = 4;
    one.m_pVertices[8].m_vPosition += General::Vector(0, 0, 1);  // a face point: not on the level below
    one.m_pVertices[8].m_iStrokeID = 7;
    base->m_iStamp = base->m_iPropagationStamp;
    one.PropagateToLowerLevel();
    EXPECT_EQ(base->m_pVertices[2].m_vPosition, one.m_pVertices[2].m_vPosition);
    EXPECT_EQ(base->m_pVertices[2].m_iStrokeID, int32_t(base->m_iPropagationStamp));
    EXPECT_NE(base->m_pVertices[3].m_vPosition, one.m_pVertices[3].m_vPosition);
    EXPECT_EQ(base->m_iPropagatedCount, 1u);
    EXPECT_EQ(one.m_iPropagationStamp, 10u);
    EXPECT_EQ(base->m_iStamp, base->m_iPropagationStamp + 1);
}

// --- face states ---------------------------------------------------------------------------

TEST_F(LevelTest, BorderOfTheWorkedRegionIsFrozen)
{
    auto cube = MakeCube(2);
    // Face 0 of side +x leaves the worked region: its four corners lie on the border.
    SetActive(cube->m_pQuads[0], false);
    cube->FreezeLocalBorder();
    EXPECT_TRUE(Recorder().LogContains(" Freezing local border on level 0\n"));
    std::set<unsigned> frozen;
    for (unsigned v = 0; v < cube->m_iVertexCount; ++v)
        if (cube->m_pVertices[v].m_cFreeze == 255)
            frozen.insert(v);
    std::set<unsigned> corners;
    for (unsigned c = 0; c < 4; ++c)
        corners.insert(CornerVertex(cube->m_pQuads[0], c));
    EXPECT_EQ(frozen, corners);
    EXPECT_EQ(cube->m_iFrozenVertices, 4u);
}

TEST_F(LevelTest, MarkedFacesLeaveTheOctreeAndRelinkingPutsThemBack)
{
    auto cube = MakeCube(2, true);
    cube->MarkFaceList(List({3, 7}));
    for (unsigned f : {3u, 7u}) {
        EXPECT_FALSE(IsVisible(cube->m_pQuads[f]));
        EXPECT_FALSE(IsSelected(cube->m_pQuads[f]));
        EXPECT_GE(cube->m_pQuads[f].m_iOctree, OctreeLink::kUnlinked);
    }
    QString why;
    auto linkOf = [&](unsigned f) { return cube->NextInCube(f, 0); };
    EXPECT_TRUE(cube->m_pOctree->CheckLinks(cube->m_iFaceCount, linkOf, why)) << why.toStdString();
    EXPECT_TRUE(cube->RebuildVisibleFaces());
    EXPECT_EQ(cube->m_iHiddenFaces, 2u);

    // Faces before the first new one go back into their cubes but stay hidden.
    ASSERT_TRUE(cube->RelinkFaces(cube->m_iFaceCount, true));
    EXPECT_EQ(cube->m_iHiddenFaces, 2u);
    EXPECT_EQ(cube->m_aFaceIndexTable.GetItemCount(), 22u);
    EXPECT_LT(cube->m_pQuads[3].m_iOctree, OctreeLink::kUnlinked);
    EXPECT_TRUE(cube->m_pOctree->CheckLinks(cube->m_iFaceCount, linkOf, why)) << why.toStdString();
}

// --- whole-level swaps ---------------------------------------------------------------------

TEST_F(LevelTest, VerticesSwapOutOnceAndComeBack)
{
    auto cube = MakeCube(1);
    MarkVertices(*cube);
    const Vertex seventh = cube->m_pVertices[7];
    EXPECT_TRUE(cube->ReloadVertices());  // nothing swapped: nothing to do
    ASSERT_TRUE(cube->SaveVerticesToDisk());
    const QString file = cube->m_sVertexSwapFile;
    EXPECT_FALSE(cube->m_pVertices.HasItems());
    EXPECT_EQ(QFileInfo(file).size(), 8 * 24);
    ASSERT_TRUE(cube->SaveVerticesToDisk());
    EXPECT_EQ(cube->m_sVertexSwapFile, file);
    ASSERT_TRUE(cube->ReloadVertices());
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(std::memcmp(&cube->m_pVertices[7], &seventh, sizeof(Vertex)), 0);

    ASSERT_TRUE(cube->SaveFacesToDisk());
    EXPECT_FALSE(cube->m_pQuads.HasItems());
    ASSERT_TRUE(cube->ReloadFaces());
    EXPECT_EQ(cube->m_pQuads.GetItemCount(), 6u);
}

TEST_F(LevelTest, AMissingSwapFileFailsTheReloadAndKeepsTheName)
{
    auto cube = MakeCube(1);
    ASSERT_TRUE(cube->SaveVerticesToDisk());
    const QString file = cube->m_sVertexSwapFile;
    QFile::rename(file, file + ".away");
    EXPECT_FALSE(cube->ReloadVertices());
    EXPECT_EQ(cube->m_sVertexSwapFile, file);
    EXPECT_FALSE(cube->m_pVertices.HasItems());
    QFile::rename(file + ".away", file);
    EXPECT_TRUE(cube->ReloadVertices());
    EXPECT_EQ(cube->m_pVertices.GetItemCount(), 8u);
}

TEST_F(LevelTest, SwapToAFolderThatCannotTakeFilesFailsAndKeepsTheData)
{
    Recorder().tempFolder = m_dir.Path() + "/missing";
    auto cube = MakeCube(1);
    EXPECT_FALSE(cube->SaveVerticesToDisk());
    EXPECT_EQ(cube->m_pVertices.GetItemCount(), 8u);
    EXPECT_TRUE(Recorder().messages.contains("Cannot write temp files"));
}
