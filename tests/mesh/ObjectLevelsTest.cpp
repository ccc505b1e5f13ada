#include "ObjectFixtures.h"
#include "SubdivisionFixtures.h"
#include "foundation/Globals.h"
#include "foundation/Memory.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/core/Octree.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstring>

using namespace SubdivisionFixtures;
using namespace LevelBits;

namespace {

class ObjectLevels : public testing::Test {
protected:
    void SetUp() override { m_object = MakeObject(*MakeJitteredCube()); }
    void TearDown() override
    {
        General::SetMemoryLimit(~uint64_t(0));
        MeshSwitches::s_bLevelsOnDisk = false;
    }

    static void Select(SubdivLevel &level, std::initializer_list<unsigned> faces)
    {
        for (unsigned f : faces)
            SetSelected(level.m_pQuads[f], true);
        level.m_iSelectedFaces = unsigned(faces.size());
    }
    static void SelectAll(SubdivLevel &level)
    {
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            SetSelected(level.m_pQuads[f], true);
        level.m_iSelectedFaces = level.m_iFaceCount;
    }
    // Positions by global vertex, of the visible faces' corners.
    static std::map<unsigned, Vector> Shown(SubdivLevel &level)
    {
        std::map<unsigned, Vector> shown;
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            if (IsVisible(level.m_pQuads[f]))
                for (unsigned c = 0; c < 4; ++c) {
                    const unsigned v = CornerVertex(level.m_pQuads[f], c);
                    shown[GlobalVertex(level, v)] = level.m_pVertices[v].m_vPosition;
                }
        return shown;
    }

    fixtures::ModelFixture m_model;
    fixtures::RecordingMeshHost m_host;
    std::unique_ptr<Object> m_object;
};

// A level's stores as bytes, so that "as it was" can be checked exactly.
QByteArray Image(SubdivLevel &level)
{
    QByteArray bytes;
    auto add = [&](const void *data, size_t size) { bytes.append(static_cast<const char *>(data), qsizetype(size)); };
    add(level.m_pQuads.begin(), level.m_pQuads.GetItemCount() * sizeof(Quad));
    add(level.m_pVertices.begin(), level.m_pVertices.GetItemCount() * sizeof(Vertex));
    add(level.m_aCCPositions.begin(), level.m_aCCPositions.GetItemCount() * sizeof(Vector));
    std::vector<General::IntPair> maps(level.m_aFaceMap.begin(), level.m_aFaceMap.end());
    auto byFirst = [](auto a, auto b) { return a.first < b.first; };
    std::sort(maps.begin(), maps.end(), byFirst);
    add(maps.data(), maps.size() * 8);
    maps.assign(level.m_aVertexMap.begin(), level.m_aVertexMap.end());
    std::sort(maps.begin(), maps.end(), byFirst);
    add(maps.data(), maps.size() * 8);
    const uint32_t counts[] = {level.m_iFaceCount, level.m_iVertexCount, level.m_iTotalFaceCount,
                               level.m_iTotalVertexCount, level.m_iHiddenFaces, level.m_bFull, level.m_bAbsolute};
    add(counts, sizeof(counts));
    return bytes;
}

}  // namespace

TEST_F(ObjectLevels, SubdividingACubeFourTimesGivesTheCatmullClarkLevels)
{
    const unsigned faces[] = {24, 96, 384, 1536}, vertices[] = {26, 98, 386, 1538};
    for (unsigned i = 0; i < 4; ++i) {
        ASSERT_TRUE(m_object->Subdivide());
        SubdivLevel &level = *m_object->GetHighestLevel();
        EXPECT_EQ(level.GetLevelIndex(), int(i + 1));
        EXPECT_EQ(level.m_iFaceCount, faces[i]);
        EXPECT_EQ(level.m_iVertexCount, vertices[i]);
        EXPECT_EQ(level.m_iHiddenFaces, 0u);
        EXPECT_EQ(OpenEdges(level), 0u);
        EXPECT_EQ(m_object->m_pActiveLevel, &level);
        // The level below is covered by its children.
        EXPECT_EQ(level.m_pPrev->m_iHiddenFaces, level.m_pPrev->m_iFaceCount);
    }
    EXPECT_EQ(m_object->LevelCount(), 5);
    EXPECT_TRUE(Recorder().LogContains("Subdivide mesh\n"));
    EXPECT_EQ(Recorder().statusMessages.last(), "done");
    EXPECT_FALSE(QFile::exists(Recorder().tempFolder + "/tempL" + General::InstanceSuffix() + ".tmp"));
}

TEST_F(ObjectLevels, APartialLevelSubdividesOnlyTheSelectedFaces)
{
    Select(*m_object, {1, 4});
    ASSERT_TRUE(m_object->Subdivide());
    SubdivLevel &one = *m_object->GetLevel(1);
    EXPECT_FALSE(one.m_bFull);
    EXPECT_EQ(one.m_iFaceCount, 8u);
    one.m_aFaceMap.Sort(General::Map::kByFirst);
    std::vector<int> globals;
    for (const General::IntPair &pair : one.m_aFaceMap)
        globals.push_back(pair.second);
    EXPECT_EQ(globals, (std::vector<int>{4, 5, 6, 7, 16, 17, 18, 19}));
    // The subdivided faces hide on level 0; the others stay.
    for (unsigned f = 0; f < 6; ++f)
        EXPECT_EQ(IsVisible(m_object->m_pQuads[f]), f != 1 && f != 4) << f;
    EXPECT_EQ(m_object->m_iHiddenFaces, 2u);
}

TEST_F(ObjectLevels, SteppingDownAndUpKeepsTheSculptedDetail)
{
    ASSERT_TRUE(m_object->Subdivide());
    ASSERT_TRUE(m_object->Subdivide());
    SubdivLevel &one = *m_object->GetLevel(1), &two = *m_object->GetLevel(2);
    // A stroke on level 2.
    two.m_iStamp = two.m_iPropagationStamp + 1;
    for (unsigned v = 0; v < two.m_iVertexCount; v += 3) {
        two.m_pVertices[v].m_vPosition += Vector(0.01f * float(v % 5), 0.02f, 0);
        two.m_pVertices[v].m_iStrokeID = int32_t(two.m_iPropagationStamp);
    }
    ++two.m_iStamp;
    const auto sculpted = Shown(two);

    ASSERT_TRUE(m_object->ChangeLevel(0, true));
    EXPECT_EQ(m_object->m_pActiveLevel, &one);
    EXPECT_EQ(two.m_iHiddenFaces, two.m_iFaceCount);
    EXPECT_TRUE(Recorder().LogContains("Level down on mesh\n"));

    SelectAll(one);
    ASSERT_TRUE(m_object->ChangeLevel(1, true));
    EXPECT_EQ(m_object->m_pActiveLevel, &two);
    const auto back = Shown(two);
    ASSERT_EQ(back.size(), sculpted.size());
    for (const auto &[global, position] : sculpted)
        EXPECT_LT((back.at(global) - position).Length(), 1e-5f) << global;
}

// Without a selection a step works on the level shown: down from the top and back up, in
// both directions, then the top refuses to go further up.
TEST_F(ObjectLevels, WithoutASelectionStepsGoFromTheActiveLevel)
{
    ASSERT_TRUE(m_object->Subdivide());
    ASSERT_TRUE(m_object->Subdivide());
    SubdivLevel &one = *m_object->GetLevel(1), &two = *m_object->GetLevel(2);
    ASSERT_EQ(m_object->m_pActiveLevel, &two);
    ASSERT_TRUE(m_object->ChangeLevel(-1, true));
    EXPECT_EQ(m_object->m_pActiveLevel, &one);
    ASSERT_TRUE(m_object->ChangeLevel(1, true));
    EXPECT_EQ(m_object->m_pActiveLevel, &two);
    EXPECT_EQ(two.m_iHiddenFaces, 0u);
    EXPECT_EQ(one.m_iHiddenFaces, one.m_iFaceCount);
    EXPECT_EQ(Recorder().statusMessages.last(), "done");
    EXPECT_FALSE(m_object->ChangeLevel(1, true));
    EXPECT_EQ(Recorder().statusMessages.last(), "Cannot step up: there is no level above the one shown");
    EXPECT_EQ(m_object->m_pActiveLevel, &two);
}

TEST_F(ObjectLevels, EditsBelowCarryUpWhileTheDetailStays)
{
    ASSERT_TRUE(m_object->Subdivide());
    ASSERT_TRUE(m_object->Subdivide());
    SubdivLevel &one = *m_object->GetLevel(1), &two = *m_object->GetLevel(2);
    two.m_iStamp = two.m_iPropagationStamp + 1;
    for (unsigned v = 0; v < two.m_iVertexCount; v += 2) {
        two.m_pVertices[v].m_vPosition += Vector(0, 0, 0.05f);
        two.m_pVertices[v].m_iStrokeID = int32_t(two.m_iPropagationStamp);
    }
    ++two.m_iStamp;
    ASSERT_TRUE(m_object->ChangeLevel(0, true));
    // The detail of level 2 over level 1, vertex by vertex.
    std::map<unsigned, Vector> detail;
    for (unsigned v = 0; v < two.m_iVertexCount; ++v)
        detail[GlobalVertex(two, v)] = two.m_pVertices[v].m_vPosition - two.m_aCCPositions[v];
    // Level 1 moves as a whole; level 2 must follow with its detail.
    for (unsigned v = 0; v < one.m_iVertexCount; ++v)
        one.m_pVertices[v].m_vPosition += Vector(1, 0, 0);
    SelectAll(one);
    ASSERT_TRUE(m_object->ChangeLevel(1, true));
    for (unsigned v = 0; v < two.m_iVertexCount; ++v) {
        const Vector now = two.m_pVertices[v].m_vPosition - two.m_aCCPositions[v];
        EXPECT_LT((now - detail.at(GlobalVertex(two, v))).Length(), 1e-5f) << v;
    }
}

TEST_F(ObjectLevels, ARefusedAllocationInLevelCreationLeavesBothLevelsAsTheyWere)
{
    ASSERT_TRUE(m_object->Subdivide());
    SubdivLevel &one = *m_object->GetLevel(1);
    const QByteArray base = Image(*m_object), before = Image(one);
    unsigned refused = 0;
    bool made = false;
    for (uint64_t extra = 0; extra < 400000 && !made; extra += 2000) {
        General::SetMemoryLimit(General::GetCountedMemory() + extra);
        made = m_object->Subdivide();
        General::SetMemoryLimit(~uint64_t(0));
        if (made)
            break;
        ++refused;
        EXPECT_EQ(m_object->LevelCount(), 2) << extra;
        EXPECT_EQ(Image(one), before) << extra;
        EXPECT_EQ(Image(*m_object), base) << extra;
        EXPECT_EQ(m_object->m_pActiveLevel, &one);
        SelectAll(one);  // the refusal cleared the selection
        one.m_iSelectedFaces = 0;
        for (Quad &q : one.m_pQuads)
            SetSelected(q, false);
    }
    EXPECT_GT(refused, 2u);
    // Some refusals came after the levels were written to their snapshots and read back.
    EXPECT_TRUE(Recorder().messages.contains("Not enough memory to complete this operation."));
    EXPECT_TRUE(made);
    EXPECT_EQ(m_object->GetLevel(2)->m_iFaceCount, 96u);
}

TEST_F(ObjectLevels, GoingToALevelNeedsRoomByTheProgramsOwnLimit)
{
    Recorder().ExpectAssertionFailures();
    ASSERT_TRUE(m_object->Subdivide());
    ASSERT_TRUE(m_object->Subdivide());
    SubdivLevel *two = m_object->GetLevel(2);
    // Targets that are no change do nothing but report the call.
    for (int target : {2, -1, 3}) {
        Recorder().Clear();
        EXPECT_FALSE(m_object->ChangeLevel(target, false)) << target;
        EXPECT_FALSE(Recorder().LogContains("Changing level"));
        EXPECT_TRUE(Recorder().LogContains("Assertion failed"));
    }
    // 24 bytes for each of the 96 faces of the top level do not fit in 1000 bytes.
    General::SetMemoryLimit(General::GetCountedMemory() + 1000);
    EXPECT_FALSE(m_object->ChangeLevel(0, false));
    General::SetMemoryLimit(~uint64_t(0));
    EXPECT_TRUE(Recorder().LogContains(" Change level: Memory trial failed."));
    EXPECT_EQ(m_object->m_pActiveLevel, two);

    ASSERT_TRUE(m_object->ChangeLevel(0, false));
    EXPECT_EQ(m_object->m_pActiveLevel, m_object.get());
    EXPECT_EQ(m_object->m_iHiddenFaces, 0u);
    EXPECT_EQ(two->m_iHiddenFaces, two->m_iFaceCount);
    ASSERT_TRUE(m_object->ChangeLevel(2, false));
    EXPECT_EQ(m_object->m_pActiveLevel, two);
    EXPECT_EQ(two->m_iHiddenFaces, 0u);
    EXPECT_EQ(m_object->m_iHiddenFaces, m_object->m_iFaceCount);
}

TEST_F(ObjectLevels, TheHighestLevelGoesOnlyWhenItIsNotActiveAndShowsAllItsFaces)
{
    ASSERT_TRUE(m_object->Subdivide());
    ASSERT_TRUE(m_object->Subdivide());
    Layer3D *layer = m_object->CreateLayer(nullptr, nullptr);
    SubdivLevel *two = m_object->GetLevel(2);
    ASSERT_NE(layer->GetLevel(two), nullptr);
    EXPECT_FALSE(m_object->RemoveHighestLevel());
    EXPECT_EQ(Recorder().statusMessages.last(), "You cannot remove the active level!");

    m_object->m_pActiveLevel = m_object->GetLevel(1);
    SetVisible(two->m_pQuads[5], false);
    EXPECT_FALSE(m_object->RemoveHighestLevel());
    EXPECT_TRUE(Recorder().statusMessages.last().startsWith("Error: The highest level cannot be deleted"));
    SetVisible(two->m_pQuads[5], true);

    ASSERT_TRUE(layer->LockToLevel(m_object->GetLevel(1)));
    EXPECT_TRUE(m_object->RemoveHighestLevel());
    EXPECT_EQ(m_object->LevelCount(), 2);
    EXPECT_EQ(layer->GetLevel(two), nullptr);
}

TEST_F(ObjectLevels, LevelsMoveToDiskAndBack)
{
    Select(*m_object, {0, 1});
    ASSERT_TRUE(m_object->Subdivide());
    const unsigned held = m_object->m_iFaceCount;
    m_object->MoveLevelsToDisk();
    EXPECT_TRUE(MeshSwitches::s_bLevelsOnDisk);
    // The two faces that level 1 shows instead leave level 0.
    EXPECT_EQ(m_object->m_iFaceCount, held - 2);
    m_object->MoveLevelsToDisk();
    EXPECT_EQ(m_object->m_iFaceCount, held - 2);
    m_object->MoveLevelsToRAM();
    EXPECT_FALSE(MeshSwitches::s_bLevelsOnDisk);
    EXPECT_EQ(m_object->m_iFaceCount, held);
    EXPECT_EQ(m_object->m_iHiddenFaces, 2u);
    m_object->MoveLevelsToRAM();
    EXPECT_EQ(m_object->m_iFaceCount, held);
}

TEST_F(ObjectLevels, TextureCoordinatesImportFaceByFaceOrByPosition)
{
    auto source = MakeObject(*MakeJitteredCube());
    fixtures::SetTCs(*source, {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0.5f, 0.5f}, {0.2f, 0.7f}, {0.7f, 0.2f}, {0.9f, 0.9f}});
    for (unsigned f = 0; f < 6; ++f)
        for (unsigned c = 0; c < 4; ++c)
            source->m_pQuads[f].m_iTCI[c] = int32_t(CornerVertex(source->m_pQuads[f], c));
    m_object->ImportUV(source.get(), 0, 0.0f);
    ASSERT_EQ(m_object->m_iTCCount, 8u);
    for (unsigned f = 0; f < 6; ++f)
        for (unsigned c = 0; c < 4; ++c)
            EXPECT_EQ(m_object->m_pQuads[f].m_iTCI[c], source->m_pQuads[f].m_iTCI[c]);

    // By position: the target's faces start at another corner and come in another order.
    auto target = MakeObject(*MakeJitteredCube());
    std::swap(target->m_pQuads[0], target->m_pQuads[3]);
    Quad &q = target->m_pQuads[1];
    std::rotate(q.m_iIndices, q.m_iIndices + 1, q.m_iIndices + 4);
    target->ImportUV(source.get(), 2, 1e-4f);
    EXPECT_TRUE(Recorder().LogContains("Total: 6 faces, matched: 6\n"));
    for (unsigned f = 0; f < 6; ++f)
        for (unsigned c = 0; c < 4; ++c)
            EXPECT_EQ(unsigned(target->m_pQuads[f].m_iTCI[c]), CornerVertex(target->m_pQuads[f], c)) << f << c;

    // Mode 0 between different face counts changes nothing.
    auto other = MakeObject(*MakeLGrid());
    const unsigned count = other->m_iTCCount;
    other->ImportUV(source.get(), 0, 0.0f);
    EXPECT_EQ(other->m_iTCCount, count);
}

namespace {

bool Holds(SubdivLevel &level, unsigned global)
{
    if (level.m_bFull)
        return global < level.m_iFaceCount;
    for (const General::IntPair &pair : level.m_aFaceMap)
        if (unsigned(pair.second) == global)
            return true;
    return false;
}

}  // namespace

TEST_F(ObjectLevels, StepsThatCannotStartWriteNothing)
{
    const QString lower = Recorder().tempFolder + "/tempL" + General::InstanceSuffix() + ".tmp";
    General::Store<unsigned int> list("test list"), empty("test list");
    list.Add(0);
    EXPECT_FALSE(m_object->LevelDownFaces(list));
    ASSERT_TRUE(m_object->Subdivide());
    EXPECT_FALSE(m_object->GetLevel(1)->LevelDownFaces(empty));
    EXPECT_FALSE(QFile::exists(lower));

    // A polygon base steps up whole or not at all, and makes no level when refused.
    auto prism = MakeObject(*MakePrism());
    EXPECT_FALSE(prism->ReloadLowerLevel(list, true));
    EXPECT_EQ(prism->LevelCount(), 1);
    EXPECT_FALSE(QFile::exists(lower));
}

TEST_F(ObjectLevels, AStepWhoseSnapshotCannotBeWrittenKeepsTheUnsavedMarks)
{
    ASSERT_TRUE(m_object->Subdivide());
    SubdivLevel &lower = *m_object->GetLevel(0), &higher = *m_object->GetLevel(1);
    lower.m_bModified = higher.m_bModified = true;
    const QString folder = Recorder().tempFolder;
    Recorder().tempFolder = Recorder().TempFolder() + "/missing";
    General::Store<unsigned int> list("test list");
    list.Add(0);
    EXPECT_FALSE(higher.LevelDownFaces(list));
    Recorder().tempFolder = folder;
    EXPECT_TRUE(lower.m_bModified);
    EXPECT_TRUE(higher.m_bModified);
}

TEST_F(ObjectLevels, CreatingAFaceMakesItsMissingAncestorsFirst)
{
    // One corner of the cube worked down to level 3: level 1 holds 0..3, level 2 0..3, level 3 0..3.
    for (int level = 0; level < 3; ++level) {
        Select(*m_object->GetLevel(level), {0});
        ASSERT_TRUE(m_object->Subdivide());
        m_object->GetLevel(level)->m_iSelectedFaces = 0;  // the selection tool's count, done with
    }
    SubdivLevel &one = *m_object->GetLevel(1), &two = *m_object->GetLevel(2), &three = *m_object->GetLevel(3);
    ASSERT_FALSE(Holds(one, 4));
    ASSERT_FALSE(Holds(two, 16));
    General::Store<unsigned int> wanted("test list");
    wanted.Add(64);
    ASSERT_TRUE(three.CreateLevel(wanted, false));
    EXPECT_TRUE(Holds(one, 4));
    EXPECT_TRUE(Holds(two, 16));
    EXPECT_TRUE(Holds(three, 64));
}

TEST_F(ObjectLevels, APolygonBaseSubdividesThroughItsPolygons)
{
    auto prism = MakeObject(*MakePrism());
    ASSERT_TRUE(prism->Subdivide());
    SubdivLevel &one = *prism->GetLevel(1);
    EXPECT_EQ(one.m_iFaceCount, 30u);
    EXPECT_EQ(one.m_iVertexCount, 32u);
    EXPECT_EQ(OpenEdges(one), 0u);
    ASSERT_TRUE(prism->Subdivide());
    EXPECT_EQ(prism->GetLevel(2)->m_iFaceCount, 120u);
}

TEST_F(ObjectLevels, StepsWithNowhereToGoSayWhy)
{
    EXPECT_FALSE(m_object->ChangeLevel(1, true));
    EXPECT_FALSE(m_object->ChangeLevel(0, true));
    EXPECT_EQ(m_object->LevelCount(), 1);
    EXPECT_EQ(Recorder().statusMessages, QStringList({"Cannot step up: there is no level above the one shown",
                                                      "Cannot step down: there is no level below the one shown"}));
    EXPECT_EQ(Recorder().statusStates.back(), 2);

    // A polygon base that lost faces cannot be split.
    auto prism = MakeObject(*MakePrism());
    prism->m_iTotalFaceCount = prism->m_iFaceCount + 1;
    EXPECT_FALSE(prism->Subdivide());
    EXPECT_EQ(Recorder().statusMessages.last(), "ERROR: Cannot subdivide this mesh as it is not full");
    EXPECT_EQ(Recorder().statusStates.back(), 2);
    EXPECT_EQ(prism->LevelCount(), 1);
}

TEST_F(ObjectLevels, GoingToALevelBringsBackItsSwappedFaces)
{
    Recorder().ExpectAssertionFailures();  // going to a level by index reports "false" first, every time
    Select(*m_object, {0, 1});
    ASSERT_TRUE(m_object->Subdivide());
    m_object->m_iSelectedFaces = 0;
    m_object->MoveLevelsToDisk();
    ASSERT_EQ(m_object->m_iFaceCount, 4u);
    ASSERT_TRUE(m_object->ChangeLevel(0, false));
    EXPECT_EQ(m_object->m_iFaceCount, 6u);
    EXPECT_EQ(m_object->m_iHiddenFaces, 0u);
    EXPECT_EQ(m_object->m_aFaceIndexTable.GetItemCount(), 6u);
    SubdivLevel &one = *m_object->GetLevel(1);
    EXPECT_EQ(one.m_iHiddenFaces, one.m_iFaceCount);
    // Every face is in the octree once more: the links hold together.
    QString why;
    EXPECT_TRUE(m_object->m_pOctree->CheckLinks(
        m_object->m_iFaceCount, [&](unsigned f) { return m_object->NextInCube(f, 0); }, why))
        << why.toStdString();
}

TEST_F(ObjectLevels, DeletedLevelsLeaveNoLayerDataBehind)
{
    Layer3D *layer = m_object->CreateLayer(nullptr, nullptr);
    ASSERT_NE(layer, nullptr);
    ASSERT_TRUE(m_object->Subdivide());
    ASSERT_TRUE(m_object->Subdivide());
    const SubdivLevel *one = m_object->GetLevel(1);
    const SubdivLevel *two = m_object->GetLevel(2);
    ASSERT_NE(layer->GetLevel(one), nullptr);
    ASSERT_NE(layer->GetLevel(two), nullptr);

    m_object->m_pActiveLevel = m_object.get();
    m_object->SetNextLevel(nullptr);  // deletes levels 1 and 2
    EXPECT_EQ(layer->GetLevel(one), nullptr);
    EXPECT_EQ(layer->GetLevel(two), nullptr);
    EXPECT_NE(layer->GetLevel(m_object.get()), nullptr);
}
