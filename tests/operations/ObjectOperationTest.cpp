#include "BrushFixtures.h"

#include "foundation/Memory.h"
#include "foundation/OperationBuffer.h"
#include "foundation/Stream.h"
#include "mesh/core/Octree.h"
#include "mesh/surface/Material.h"
#include "operations/brushes/MoveOperation.h"
#include "mesh/core/PickInfo.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "operations/objects/DeleteFaceOperation.h"
#include "operations/objects/DeleteObjectOperation.h"
#include "operations/objects/HideFaceOperation.h"
#include "operations/objects/ObjectStateOperation.h"
#include "operations/selection/PaintFreezeOperation.h"
#include "operations/selection/SelectFaceOperation.h"
#include "operations/selection/SelectObjectOperation.h"
#include "scene/Brush.h"
#include "scene/SceneFixtures.h"
#include "scene/camera/Camera.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <memory>

using namespace Operations;

namespace {

// Face records without their octree links, which a rebuilt octree may set differently,
// and without the scratch of the brushes: the walk stamp and the stroke mark.
QByteArray FaceBytes(SubdivLevel &level)
{
    QByteArray bytes;
    level.WithFaces([&](auto &records) {
        for (unsigned f = 0; f < level.m_iFaceCount; ++f) {
            auto face = records[f];
            face.m_iOctree = 0;
            face.m_iStamp = 0;
            face.m_iIndices[2] &= ~MeshFlags::kBit30;
            bytes.append(reinterpret_cast<const char *>(&face), sizeof face);
        }
    });
    return bytes;
}

// Three objects of different sizes (so that their order shows in the bytes), each with a
// finer level and an octree.
class ObjectOperationTest : public SceneTestBase {
protected:
    void SetUp() override
    {
        SceneTestBase::SetUp();
        for (unsigned faces : {2u, 3u, 4u})
            m_scene->AddObject(MakeLeveledObject({faces, faces * 2}).release());
        for (Object *o = m_scene->m_pObjects; o; o = o->m_pNextObject)
            for (SubdivLevel *level = o; level; level = level->m_pNext)
                ASSERT_TRUE(level->CalculateAdjacency());
        Scene::BuildOctrees(m_scene->m_pObjects);
    }

    // What the operations change, object by object in list order: the flags, and per
    // level its counts, its visible-face table, its face records and its vertices.
    QByteArray SceneBytes()
    {
        QByteArray bytes;
        for (Object *o = m_scene->m_pObjects; o; o = o->m_pNextObject) {
            bytes += char(o->m_bVisible);
            bytes += char(o->m_bLocked);
            for (SubdivLevel *level = o; level; level = level->m_pNext) {
                bytes += QByteArray::number(level->m_iFaceCount) + ',' + QByteArray::number(level->m_iHiddenFaces) +
                         ',' + QByteArray::number(level->m_iSelectedFaces) + ',' +
                         QByteArray::number(level->m_iFrozenFaces) + ',' +
                         QByteArray::number(level->m_iTotalFaceCount) + ',';
                // The face map's pairs, whatever order a lookup left them in.
                std::vector<General::IntPair> pairs(level->m_aFaceMap.begin(), level->m_aFaceMap.end());
                std::sort(pairs.begin(), pairs.end(), [](auto &a, auto &b) { return a.first < b.first; });
                for (const General::IntPair &pair : pairs)
                    bytes += QByteArray::number(pair.first) + '>' + QByteArray::number(pair.second) + ' ';
                for (unsigned i = 0; i < level->m_aFaceIndexTable.GetItemCount(); ++i)
                    bytes += QByteArray::number(level->m_aFaceIndexTable[i]) + ' ';
                bytes += FaceBytes(*level);
                for (unsigned v = 0; v < level->m_iVertexCount; ++v)
                    bytes.append(reinterpret_cast<const char *>(&level->m_pVertices[v].m_vPosition),
                                 sizeof(General::Vector));
                bytes += ';';
            }
        }
        return bytes;
    }

    SubdivLevel &Level(int object, int level) { return *m_scene->GetObject(object)->GetLevel(level); }

    // Level 1 of the last object (a row of 8) without its faces 2 and 5: six faces, of which
    // 1, 2, 3 and 4 each border a face the level does not hold, paired in the face map with
    // their places in the whole row (0 1 3 4 6 7).
    SubdivLevel &PartialLevel()
    {
        Recorder().tempFolder = m_dir.Path();
        SubdivLevel &level = Level(2, 1);
        // The level as subdivision leaves it: totals of the whole row, absolute positions
        // over Catmull-Clark ones (zero here), faces in the worked region.
        level.m_iTotalFaceCount = level.m_iFaceCount;
        level.m_bAbsolute = true;
        EXPECT_TRUE(level.m_aCCPositions.SetItemCount(level.m_iVertexCount, false));
        for (General::Vector &cc : level.m_aCCPositions)
            cc = General::Vector(0, 0, 0);
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            LevelBits::SetActive(level.m_pQuads[f], true);
        General::Store<unsigned int> removed("test removed");
        removed.Add(2);
        removed.Add(5);
        EXPECT_TRUE(level.RemoveFaces(removed, false));
        EXPECT_FALSE(level.m_bFull);
        EXPECT_EQ(level.m_iFaceCount, 6u);
        level.BuildOctree();
        level.m_aFaceIndexTable.Clear();  // listed only while faces are hidden
        return level;
    }

    // A move stroke on the level's first face, undone through the history: the operation
    // that redoes it.
    std::unique_ptr<Operation> MoveStroke(SubdivLevel &level)
    {
        Camera camera;
        Brush tool("Move", kMove);
        tool.m_bSharedSize = false;
        tool.m_aPairs[0] = Brush::Pair{1.5f, 100.0f};
        tool.m_iDirection = 10;
        m_services.viewCamera = &camera;
        PickInfo pick;
        pick.m_pMesh = &level;
        pick.m_iFace = 0;
        pick.m_vPosition = level.CornerPosition(0, 0);
        camera.SetTranslate(pick.m_vPosition + General::Vector(0, 0, 5));
        auto stroke = std::make_unique<MoveOperation>(&tool, nullptr, 0);
        EXPECT_TRUE(stroke->AddPoint(&pick, 1.5f, 1.0f, General::Vector(0, 0, 0)));
        m_brushes.pointerX = 0.2f;
        m_brushes.pointerY = -0.1f;
        EXPECT_TRUE(stroke->AddPoint(nullptr, 1.5f, 1.0f, General::Vector(0, 0, 0)));
        m_services.viewCamera = nullptr;
        EXPECT_TRUE(stroke->Execute());
        OperationBuffer::SetFactory([](int) -> std::unique_ptr<General::Recordable> {
            return std::make_unique<MoveOperation>();
        });
        OperationBuffer history(m_dir.File("move"));
        EXPECT_TRUE(history.Append(*stroke, 0));
        stroke.reset();
        char kind = -1;
        std::unique_ptr<General::Recordable> record = history.ReadPrevious(kind);
        OperationBuffer::SetFactory(nullptr);
        auto undo = std::unique_ptr<Operation>(dynamic_cast<Operation *>(record.release()));
        EXPECT_TRUE(undo && undo->Execute());
        return undo;
    }

    TempDir m_dir;
    TestBrushServices m_brushes;
    Brush m_tool{"Test", 1};
};

TEST_F(ObjectOperationTest, ExecuteTwiceIsTheIdentity)
{
    using Make = std::function<std::unique_ptr<Operation>()>;
    const std::vector<std::pair<const char *, Make>> cases = {
        {"hide objects",
         [this]() -> std::unique_ptr<Operation> {
             auto op = std::make_unique<HideObjectOperation>();
             op->Add(*m_scene->GetObject(0), false);
             op->Add(*m_scene->GetObject(2), false);
             return op;
         }},
        {"lock object",
         [this]() -> std::unique_ptr<Operation> {
             auto op = std::make_unique<LockObjectOperation>();
             op->Add(*m_scene->GetObject(1), true);
             return op;
         }},
        {"delete first and last objects",
         [this]() -> std::unique_ptr<Operation> {
             return std::make_unique<DeleteObjectOperation>(
                 std::vector<Object *>{m_scene->GetObject(2), m_scene->GetObject(0)});
         }},
        {"delete the middle object",
         [this]() -> std::unique_ptr<Operation> {
             return std::make_unique<DeleteObjectOperation>(std::vector<Object *>{m_scene->GetObject(1)});
         }},
        {"hide faces on two levels",
         [this]() -> std::unique_ptr<Operation> {
             auto op = std::make_unique<HideFaceOperation>();
             op->Add(Level(1, 0), 0, false);
             op->Add(Level(1, 0), 2, false);
             for (unsigned f = 0; f < Level(2, 1).m_iFaceCount; ++f)
                 op->Add(Level(2, 1), f, false);
             return op;
         }},
        {"delete faces, the last one among them",
         [this]() -> std::unique_ptr<Operation> {
             auto op = std::make_unique<DeleteFaceOperation>();
             for (unsigned f : {1u, 3u, 0u})
                 op->Add(Level(2, 0), f, false);
             op->Add(Level(1, 1), 2, false);
             return op;
         }},
        {"delete a face of a partial level beside a face it does not hold",
         [this]() -> std::unique_ptr<Operation> {
             auto op = std::make_unique<DeleteFaceOperation>();
             op->Add(PartialLevel(), 1, false);
             return op;
         }},
        {"delete the last face of a partial level",
         [this]() -> std::unique_ptr<Operation> {
             auto op = std::make_unique<DeleteFaceOperation>();
             op->Add(PartialLevel(), 5, false);
             return op;
         }},
        {"delete faces of a partial level, moved ones among them",
         [this]() -> std::unique_ptr<Operation> {
             auto op = std::make_unique<DeleteFaceOperation>();
             SubdivLevel &level = PartialLevel();
             for (unsigned f : {0u, 4u, 5u, 2u})
                 op->Add(level, f, false);
             return op;
         }},
        {"delete a hidden face and its neighbour on a partial level",
         [this]() -> std::unique_ptr<Operation> {
             SubdivLevel &level = PartialLevel();
             level.m_pQuads[3].m_iIndices[0] &= ~MeshFlags::kBit31;
             EXPECT_TRUE(level.RebuildVisibleFaces());
             auto op = std::make_unique<DeleteFaceOperation>();
             op->Add(level, 3, false);
             op->Add(level, 2, false);
             return op;
         }},
        {"delete every face of a partial level",
         [this]() -> std::unique_ptr<Operation> {
             auto op = std::make_unique<DeleteFaceOperation>();
             SubdivLevel &level = PartialLevel();
             for (unsigned f = 0; f < level.m_iFaceCount; ++f)
                 op->Add(level, f, false);
             return op;
         }},
        {"move vertices of a finer level", [this]() { return MoveStroke(Level(1, 1)); }},
        {"delete every face of a level",
         [this]() -> std::unique_ptr<Operation> {
             auto op = std::make_unique<DeleteFaceOperation>();
             for (unsigned f = 0; f < Level(0, 0).m_iFaceCount; ++f)
                 op->Add(Level(0, 0), f, false);
             return op;
         }},
        {"select and deselect faces on two levels",
         [this]() -> std::unique_ptr<Operation> {
             SelectFace(Level(1, 1), 4);
             auto op = std::make_unique<SelectFaceOperation>();
             op->AddTarget(&Level(1, 0));
             op->AddFace(0, true);
             op->AddFace(2, true);
             op->AddTarget(&Level(1, 1));
             op->AddFace(4, false);
             op->AddFace(1, true, op->GetTargetIndex(&Level(1, 1)));
             return op;
         }},
        {"grow selection",
         [this]() -> std::unique_ptr<Operation> {
             SelectFace(Level(2, 1), 3);
             auto op = std::make_unique<SelectFaceOperation>();
             op->GrowSelection(&Level(2, 1));
             return op;
         }},
        {"select border edge",
         [this]() -> std::unique_ptr<Operation> {
             auto op = std::make_unique<SelectFaceOperation>();
             op->SelectBorderEdge(&Level(0, 1));
             return op;
         }},
        // A stroke has changed the scene when it ends; its own first Execute only records it.
        {"select object stroke on the finest level",
         [this]() -> std::unique_ptr<Operation> {
             auto op = std::make_unique<SelectObjectOperation>(&m_tool, nullptr, 0);
             PickInfo pick;
             pick.m_pMesh = &Level(2, 1);
             pick.m_iFace = 2;
             EXPECT_TRUE(op->AddPoint(&pick, 1.0f, 1.0f, General::Vector(0, 0, 0)));
             EXPECT_EQ(SelectedFaces(Level(2, 0)).size(), Level(2, 0).m_iFaceCount);
             return op;
         }},
        {"freeze flood",
         [this]() -> std::unique_ptr<Operation> {
             m_tool.m_fStrengthMaximum = 100.0f;
             m_tool.SetStrength(40.0f);
             auto op = std::make_unique<PaintFreezeOperation>(&m_tool, nullptr, 0);
             EXPECT_TRUE(op->Flood(&Level(1, 1), false));
             return op;
         }},
    };
    for (const auto &[name, make] : cases) {
        SCOPED_TRACE(name);
        TearDown();
        SetUp();
        const QByteArray initial = SceneBytes();
        auto op = make();
        ASSERT_NE(op, nullptr);
        const bool stroke = op->IsChanged();
        if (stroke)
            ASSERT_TRUE(op->Execute());
        const QByteArray before = SceneBytes();
        ASSERT_TRUE(op->Execute());
        EXPECT_NE(SceneBytes(), before);
        if (stroke)
            EXPECT_EQ(SceneBytes(), initial);  // undoing a stroke gives back every level it changed
        // What the history keeps of the operation undoes it as well as the operation itself.
        OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
            switch (type) {
            case kSelectFace:
                return std::make_unique<SelectFaceOperation>();
            case kSelectObject:
                return std::make_unique<SelectObjectOperation>();
            case kPaintFreeze:
                return std::make_unique<PaintFreezeOperation>();
            case kDeleteFace:
                return std::make_unique<DeleteFaceOperation>();
            default:
                return nullptr;
            }
        });
        std::unique_ptr<General::Recordable> record;
        if (op->GetType() == kSelectFace || op->GetType() == kSelectObject || op->GetType() == kPaintFreeze ||
            op->GetType() == kDeleteFace) {
            OperationBuffer buffer(m_dir.File("undo"));
            ASSERT_TRUE(buffer.Append(*op, 0));
            char kind = -1;
            record = buffer.ReadPrevious(kind);
            ASSERT_NE(record, nullptr);
        }
        OperationBuffer::SetFactory(nullptr);
        auto *read = dynamic_cast<Operation *>(record.get());
        ASSERT_TRUE(read ? read->Execute() : op->Execute());
        EXPECT_EQ(SceneBytes(), before);
    }
}

// Writes the operation as the undo history does, drops it, and reads it back.
template <class Op>
std::unique_ptr<Op> ThroughHistory(TempDir &dir, Op &op)
{
    OperationBuffer::SetFactory([](int) -> std::unique_ptr<General::Recordable> { return std::make_unique<Op>(); });
    OperationBuffer buffer(dir.File("undo"));
    EXPECT_TRUE(buffer.Append(op, 0));
    char kind = -1;
    auto record = buffer.ReadPrevious(kind);
    OperationBuffer::SetFactory(nullptr);
    return std::unique_ptr<Op>(dynamic_cast<Op *>(record.release()));
}

TEST_F(ObjectOperationTest, DeletedObjectsComeBackFromTheHistoryAtTheirPositions)
{
    const QByteArray before = SceneBytes();
    Object *middle = m_scene->GetObject(1);
    auto deletion = std::make_unique<DeleteObjectOperation>(
        std::vector<Object *>{m_scene->GetObject(0), m_scene->GetObject(2)});
    ASSERT_TRUE(deletion->Execute());
    EXPECT_EQ(m_scene->GetObjectCount(), 1);
    EXPECT_EQ(m_scene->GetObject(0), middle);

    // Undo: the record carries the objects; the operation that wrote them is gone.
    auto undo = ThroughHistory(m_dir, *deletion);
    deletion.reset();
    ASSERT_NE(undo, nullptr);
    ASSERT_TRUE(undo->Execute());
    EXPECT_EQ(SceneBytes(), before);
    EXPECT_EQ(m_scene->GetObject(1), middle);
    EXPECT_TRUE(m_scene->GetObject(0)->m_pOctree && m_scene->GetObject(0)->m_pOctree->GetRoot());
    // A later record that names position 2 finds the restored last object.
    EXPECT_EQ(m_scene->GetMeshById(m_scene->GetMeshId(&Level(2, 1))), &Level(2, 1));

    // Redo, then undo again, both through the history.
    auto redo = ThroughHistory(m_dir, *undo);
    undo.reset();
    ASSERT_TRUE(redo->Execute());
    EXPECT_EQ(m_scene->GetObjectCount(), 1);
    auto again = ThroughHistory(m_dir, *redo);
    redo.reset();
    ASSERT_TRUE(again->Execute());
    EXPECT_EQ(SceneBytes(), before);
}

TEST_F(ObjectOperationTest, DeletedFacesLeaveTheirNeighboursOpenAndComeBackLinked)
{
    // The row 0 1 2 3: face f shares one edge with f - 1 and one with f + 1.
    SubdivLevel &level = Level(2, 0);
    auto word = [&](unsigned f, int s) { return level.WithFaces([&](auto &records) { return records[f].m_iAdjacent[s]; }); };
    // The slot of f whose word names n; -1 when none does.
    auto slotTo = [&](unsigned f, unsigned n) {
        for (int s = 0; s < 4; ++s)
            if (word(f, s) >= 0 && unsigned(word(f, s) / 4) == n)
                return s;
        return -1;
    };
    auto open = [&](unsigned f) {
        int count = 0;
        for (int s = 0; s < 4; ++s)
            count += word(f, s) == -1;
        return count;
    };
    auto corner = [&](unsigned f) { return level.WithFaces([&](auto &records) { return records[f].m_iIndices[0]; }); };
    ASSERT_GE(slotTo(2, 3), 0);
    const int openOf1 = open(1), openOf2 = open(2), openOf3 = open(3);
    const QByteArray before = FaceBytes(level);
    const uint32_t lastCorner = corner(3);

    // Face 2 neighbours the last face: the last face moves into slot 2 with that edge open.
    level.m_iTotalFaceCount = level.m_iFaceCount;
    DeleteFaceOperation middle;
    middle.Add(level, 2, false);
    ASSERT_TRUE(middle.Execute());
    EXPECT_EQ(level.m_iFaceCount, 3u);
    EXPECT_EQ(level.m_iTotalFaceCount, 3u);  // a base level's total is its faces
    EXPECT_EQ(corner(2), lastCorner);
    EXPECT_EQ(open(2), openOf3 + 1);
    EXPECT_EQ(open(1), openOf1 + 1);
    EXPECT_GE(slotTo(1, 0), 0);
    EXPECT_EQ(level.m_aFaceIndexTable.GetItemCount(), 0u);
    ASSERT_TRUE(middle.Execute());
    EXPECT_EQ(FaceBytes(level), before);
    EXPECT_EQ(level.m_iTotalFaceCount, 4u);

    // The last face: only its neighbour's edge opens, nothing is redirected.
    DeleteFaceOperation last;
    last.Add(level, 3, false);
    ASSERT_TRUE(last.Execute());
    EXPECT_EQ(level.m_iFaceCount, 3u);
    EXPECT_EQ(slotTo(2, 3), -1);
    EXPECT_EQ(open(2), openOf2 + 1);
    EXPECT_GE(slotTo(2, 1), 0);
    ASSERT_TRUE(last.Execute());
    EXPECT_EQ(FaceBytes(level), before);
}

// What a partial level must keep true whatever was deleted or restored: one face map pair
// per face; every held neighbour names the face back; a neighbour the level does not hold
// is named by a global index that the map does not hold; the face found by a global index
// is the face that had it (told by its first corner, `corner` by global index); the octree
// holds every face.
void ExpectPartialLevelInStep(SubdivLevel &level, const std::map<int, uint32_t> &corner)
{
    General::Store<unsigned int> globals("test globals");
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        globals.Add(f);
    level.MapFaceListToGlobal(globals);
    ASSERT_EQ(level.m_aFaceMap.GetItemCount(), level.m_iFaceCount);
    std::set<int> held;
    for (unsigned f = 0; f < level.m_iFaceCount; ++f) {
        const int global = int(globals[f]);
        ASSERT_TRUE(corner.count(global)) << f;
        EXPECT_EQ(level.m_pQuads[f].m_iIndices[0] & MeshFlags::kIndexMask, corner.at(global)) << f;
        held.insert(global);
    }
    EXPECT_EQ(held.size(), size_t(level.m_iFaceCount));
    General::Store<unsigned int> local("test local");
    for (unsigned g : globals)
        local.Add(g);
    level.MapFaceListToLocal(local);
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        EXPECT_EQ(local[f], f);
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        for (int s = 0; s < 4; ++s) {
            const int32_t w = level.m_pQuads[f].m_iAdjacent[s];
            SCOPED_TRACE(testing::Message() << "face " << f << " edge " << s);
            if (w >= 0) {
                ASSERT_LT(unsigned(w / 4), level.m_iFaceCount);
                EXPECT_EQ(level.m_pQuads[w / 4].m_iAdjacent[w % 4], int32_t(f * 4 + unsigned(s)));
            } else if (w != -1) {
                EXPECT_FALSE(held.count(int((uint32_t(w) - LevelBits::kAbsentNeighbour) / 4)));
            }
        }
    QString why;
    EXPECT_TRUE(level.m_pOctree->CheckLinks(level.m_iFaceCount, [&](unsigned f) { return level.NextInCube(f, 0); }, why))
        << why.toStdString();
}

TEST_F(ObjectOperationTest, PartialLevelsStayInStepThroughDeletionsUndoAndRedo)
{
    SubdivLevel &level = PartialLevel();
    std::map<int, uint32_t> corner;
    level.m_aFaceMap.Sort(General::Map::kByFirst);
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        corner[level.m_aFaceMap[f].second] = level.m_pQuads[f].m_iIndices[0] & MeshFlags::kIndexMask;
    ExpectPartialLevelInStep(level, corner);
    const QByteArray before = SceneBytes();

    // Face 1 (global 1) lies between face 0 and the absent global 2; face 2 (global 3)
    // between the absent global 2 and face 3. The last face (global 7) moves into slot 1.
    auto op = std::make_unique<DeleteFaceOperation>();
    op->Add(level, 1, false);
    op->Add(level, 2, false);
    ASSERT_TRUE(op->Execute());
    ASSERT_EQ(level.m_iFaceCount, 4u);
    ExpectPartialLevelInStep(level, corner);
    General::Store<unsigned int> globals("test globals");
    for (unsigned f = 0; f < 4; ++f)
        globals.Add(f);
    level.MapFaceListToGlobal(globals);
    EXPECT_EQ(std::set<unsigned>(globals.begin(), globals.end()), (std::set<unsigned>{0, 4, 6, 7}));
    // The faces that bordered the deleted ones are open there; none names a deleted face.
    int open = 0;
    for (unsigned f = 0; f < 4; ++f)
        for (int32_t w : level.m_pQuads[f].m_iAdjacent)
            open += w == -1;
    EXPECT_EQ(open, 2 * 4 + 2 + 2);  // the row's sides, its two ends, and the two opened edges

    // Undo and redo as the history keeps them.
    auto undo = ThroughHistory(m_dir, *op);
    op.reset();
    ASSERT_NE(undo, nullptr);
    ASSERT_TRUE(undo->Execute());
    EXPECT_EQ(SceneBytes(), before);
    ExpectPartialLevelInStep(level, corner);
    auto redo = ThroughHistory(m_dir, *undo);
    undo.reset();
    ASSERT_TRUE(redo->Execute());
    ExpectPartialLevelInStep(level, corner);
    EXPECT_EQ(level.m_iFaceCount, 4u);
    auto again = ThroughHistory(m_dir, *redo);
    redo.reset();
    ASSERT_TRUE(again->Execute());
    EXPECT_EQ(SceneBytes(), before);
}

TEST_F(ObjectOperationTest, LevelsAreMadeReadyBeforeAnyFaceGoes)
{
    // A partial level without a face map stands for the identity pairs, which the deletion
    // makes. When they cannot be made the operation ends: neither the level nor the level
    // of the next id changes, and the records stay as they were.
    SubdivLevel &partial = Level(2, 1);
    partial.m_bFull = false;
    partial.m_iTotalFaceCount = 32;
    const QByteArray before = SceneBytes();
    DeleteFaceOperation op;
    op.Add(partial, 0, false);
    op.Add(Level(2, 0), 1, false);
    General::SetMemoryLimit(General::GetCountedMemory() + 16);
    const bool refused = !op.Execute();
    General::SetMemoryLimit(~uint64_t(0));
    EXPECT_TRUE(refused);
    EXPECT_EQ(SceneBytes(), before);
    ASSERT_TRUE(op.Execute());
    EXPECT_EQ(partial.m_iFaceCount, 7u);
    EXPECT_EQ(partial.m_aFaceMap.GetItemCount(), 7u);
    General::Store<unsigned int> globals("test globals");
    globals.Add(0);
    partial.MapFaceListToGlobal(globals);
    EXPECT_EQ(globals[0], 7u);  // the last face took the slot
    EXPECT_EQ(Level(2, 0).m_iFaceCount, 3u);
    ASSERT_TRUE(op.Execute());
    EXPECT_EQ(partial.m_aFaceMap.GetItemCount(), 8u);
    partial.m_aFaceMap.Clear();  // the identity pairs the deletion made
    EXPECT_EQ(SceneBytes(), before);

    // A level swapped out to temporary files comes back into memory first.
    Recorder().tempFolder = m_dir.Path();
    SubdivLevel &swapped = Level(1, 1);
    ASSERT_TRUE(swapped.SaveFacesToDisk() && swapped.SaveVerticesToDisk());
    ASSERT_FALSE(swapped.m_pQuads.HasItems());
    DeleteFaceOperation again;
    again.Add(swapped, 2, false);
    ASSERT_TRUE(again.Execute());
    EXPECT_EQ(swapped.m_iFaceCount, 5u);
    ASSERT_TRUE(again.Execute());
    EXPECT_EQ(SceneBytes(), before);
}

TEST_F(ObjectOperationTest, LevelOperationsAfterAnUndoneDeletionActAsBefore)
{
    // Bringing back the faces the partial level does not hold, and naming faces by global
    // index, give the same level whether or not a deletion was made and undone first.
    auto run = [&](bool deleteFirst) {
        SubdivLevel &level = PartialLevel();
        if (deleteFirst) {
            DeleteFaceOperation op;
            for (unsigned f : {3u, 1u, 0u})
                op.Add(level, f, false);
            EXPECT_TRUE(op.Execute());
            EXPECT_TRUE(op.Execute());
        }
        General::Store<unsigned int> globals("test globals");
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            globals.Add(f);
        level.MapFaceListToGlobal(globals);
        QByteArray bytes;
        for (unsigned g : globals)
            bytes += QByteArray::number(g) + ' ';
        General::Store<unsigned int> missing("test missing");
        missing.Add(5);
        missing.Add(2);
        EXPECT_TRUE(level.RestoreFaces(missing, true, false, nullptr, true));
        EXPECT_EQ(level.m_iFaceCount, 8u);
        return bytes + SceneBytes();
    };
    const QByteArray deleted = run(true);
    TearDown();
    SetUp();
    EXPECT_EQ(deleted, run(false));
}

TEST_F(ObjectOperationTest, LaterRecordsFindFacesThatEarlierDeletionsMoved)
{
    // Deleting 0 moves face 3 to slot 0; the record naming 3 must still delete that face.
    SubdivLevel &level = Level(2, 0);
    const QByteArray before = FaceBytes(level);
    auto corner = [&](unsigned f) { return level.WithFaces([&](auto &records) { return records[f].m_iIndices[0]; }); };
    const uint32_t kept1 = corner(1), kept2 = corner(2);
    DeleteFaceOperation op;
    op.Add(level, 0, false);
    op.Add(level, 3, false);
    ASSERT_TRUE(op.Execute());
    ASSERT_EQ(level.m_iFaceCount, 2u);
    std::set<uint32_t> left{corner(0), corner(1)};
    EXPECT_EQ(left, (std::set<uint32_t>{kept1, kept2}));
    ASSERT_TRUE(op.Execute());
    EXPECT_EQ(FaceBytes(level), before);
}

TEST_F(ObjectOperationTest, UndoAndRedoInAnyOrderRestoreTheScene)
{
    // Faces of the last object are deleted, then two objects: undo and redo the two
    // through the history, interleaved, and every state along the way is one seen before.
    const QByteArray start = SceneBytes();
    auto faces = std::make_unique<DeleteFaceOperation>();
    faces->Add(Level(2, 1), 5, false);
    faces->Add(Level(2, 1), 0, false);
    ASSERT_TRUE(faces->Execute());
    const QByteArray afterFaces = SceneBytes();
    auto objects = std::make_unique<DeleteObjectOperation>(std::vector<Object *>{m_scene->GetObject(0), m_scene->GetObject(1)});
    ASSERT_TRUE(objects->Execute());
    const QByteArray afterObjects = SceneBytes();

    objects = ThroughHistory(m_dir, *objects);
    ASSERT_TRUE(objects->Execute());  // undo objects
    EXPECT_EQ(SceneBytes(), afterFaces);
    faces = ThroughHistory(m_dir, *faces);
    ASSERT_TRUE(faces->Execute());  // undo faces
    EXPECT_EQ(SceneBytes(), start);
    faces = ThroughHistory(m_dir, *faces);
    ASSERT_TRUE(faces->Execute());  // redo faces
    EXPECT_EQ(SceneBytes(), afterFaces);
    objects = ThroughHistory(m_dir, *objects);
    ASSERT_TRUE(objects->Execute());  // redo objects
    EXPECT_EQ(SceneBytes(), afterObjects);
    objects = ThroughHistory(m_dir, *objects);
    ASSERT_TRUE(objects->Execute());
    faces = ThroughHistory(m_dir, *faces);
    ASSERT_TRUE(faces->Execute());
    EXPECT_EQ(SceneBytes(), start);
}

TEST_F(ObjectOperationTest, DamagedRecordsAreRefused)
{
    struct Case {
        const char *name;
        std::vector<int> words;
    };
    // A stream file holding the words, written the way records are.
    auto write = [&](const std::vector<int> &words) {
        Stream stream(m_dir.File("record"), true);
        for (int w : words)
            stream.Serialize(w);
    };
    const Case deleteCases[] = {
        {"position count past the end", {1000}},
        {"positions not ascending", {2, 1, 0, 0}},
        {"negative position", {1, -1, 0}},
        {"object count unlike position count", {2, 0, 1, 1}},
    };
    for (const Case &c : deleteCases) {
        SCOPED_TRACE(c.name);
        write(c.words);
        Stream stream(m_dir.File("record"), false);
        DeleteObjectOperation op;
        op.Serialize(stream);
        EXPECT_TRUE(stream.HasError());
        EXPECT_TRUE(op.m_aPositions.empty());
        EXPECT_TRUE(op.m_aRemoved.empty());
    }
    const Case hideCases[] = {
        {"mesh count past the end", {100000}},
        {"record count past the end", {1, 0, 5000, 0, 0}},
    };
    for (const Case &c : hideCases) {
        SCOPED_TRACE(c.name);
        write(c.words);
        Stream stream(m_dir.File("record"), false);
        HideFaceOperation op;
        op.Serialize(stream);
        EXPECT_TRUE(stream.HasError());
        EXPECT_TRUE(op.m_aMeshes.empty());
    }
}

TEST_F(ObjectOperationTest, HidingFacesKeepsCountsTableSelectionAndOctreeInStep)
{
    SubdivLevel &level = Level(2, 0);
    SelectFace(level, 3);
    HideFaceOperation hide;
    hide.Add(level, 1, false);
    ASSERT_TRUE(hide.Execute());
    EXPECT_EQ(level.m_iHiddenFaces, 1u);
    EXPECT_FALSE(level.IsFaceVisible(1));
    // Some faces stay hidden: nothing is selected, the table lists the visible faces.
    EXPECT_EQ(level.m_iSelectedFaces, 0u);
    EXPECT_TRUE(SelectedFaces(level).empty());
    ASSERT_EQ(level.m_aFaceIndexTable.GetItemCount(), 3u);
    EXPECT_EQ(level.m_aFaceIndexTable[1], 2);
    // The hidden face is out of the octree, its neighbours are not.
    level.WithFaces([&](auto &records) {
        EXPECT_GE(records[1].m_iOctree, OctreeLink::kUnlinked);
        EXPECT_LT(records[2].m_iOctree, OctreeLink::kUnlinked);
    });

    // Hiding all, then showing all, leaves no hidden face, an empty table and the object shown.
    HideFaceOperation all;
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        all.Add(level, f, false);
    ASSERT_TRUE(all.Execute());
    EXPECT_EQ(level.m_iHiddenFaces, level.m_iFaceCount);
    EXPECT_EQ(level.m_aFaceIndexTable.GetItemCount(), 0u);
    m_scene->GetObject(2)->m_bVisible = false;
    HideFaceOperation show;
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        show.Add(level, f, true);
    ASSERT_TRUE(show.Execute());
    EXPECT_EQ(level.m_iHiddenFaces, 0u);
    EXPECT_EQ(level.m_aFaceIndexTable.GetItemCount(), 0u);
    EXPECT_TRUE(m_scene->GetObject(2)->m_bVisible);
}

// A level on two texture tiles: what is drawn with each tile's texture follows hiding,
// showing, deleting and restoring faces (the view rebuilds stale partitions as it draws).
TEST_F(ObjectOperationTest, TilePartitionsFollowHiddenShownAndDeletedFaces)
{
    TempDir dir;
    SubdivLevel &level = Level(2, 0);  // faces 0 to 3 along x
    // u = x / 2: faces 0 and 1 lie in tile (0, 0), faces 2 and 3 in tile (1, 0).
    ASSERT_TRUE(level.m_pTCs.SetItemCount(level.m_iVertexCount, false));
    level.m_iTCCount = level.m_iVertexCount;
    for (unsigned v = 0; v < level.m_iVertexCount; ++v)
        level.m_pTCs[v] = TC{level.m_pVertices[v].m_vPosition.x * 0.5f, level.m_pVertices[v].m_vPosition.y};
    auto *material = new Surface::Material(1);
    Surface::Materials().Append(material);
    material->m_aDiffuseTexture.SetValue(dir.File("t_%x_%y.png"));
    m_scene->GetObject(2)->m_aMaterial.SetValue(material, true);
    level.BuildPartitions(true);
    auto tile = [&](unsigned k) {
        level.BuildPartitions(false);
        std::set<unsigned> faces;
        if (k < level.m_aPartitions.GetItemCount())
            for (unsigned face : level.m_aPartitions[k].m_aFaces)
                faces.insert(face);
        return faces;
    };
    using Faces = std::set<unsigned>;
    ASSERT_EQ(level.m_aPartitions.GetItemCount(), 2u);
    EXPECT_EQ(tile(1), (Faces{2, 3}));

    HideFaceOperation hide;
    hide.Add(level, 2, false);
    ASSERT_TRUE(hide.Execute());
    EXPECT_EQ(tile(1), (Faces{3}));
    ASSERT_TRUE(hide.Execute());  // shown again
    EXPECT_EQ(tile(1), (Faces{2, 3}));

    // The last face moves into the deleted slot 0 and takes its tile with it.
    DeleteFaceOperation deletion;
    deletion.Add(level, 0, false);
    ASSERT_TRUE(deletion.Execute());
    EXPECT_EQ(tile(0), (Faces{1}));
    EXPECT_EQ(tile(1), (Faces{0, 2}));
    EXPECT_EQ(level.m_aFacePartition[0], 1u);
    ASSERT_TRUE(deletion.Execute());
    EXPECT_EQ(tile(0), (Faces{0, 1}));
    EXPECT_EQ(tile(1), (Faces{2, 3}));
    EXPECT_EQ(level.m_aFacePartition[0], 0u);
}

TEST_F(ObjectOperationTest, ObjectFlagsSwapThroughTheHistory)
{
    LockObjectOperation lock;
    lock.Add(*m_scene->GetObject(2), true);
    auto read = ThroughHistory(m_dir, lock);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->m_aStates.size(), 1u);
    ASSERT_TRUE(read->Execute());
    EXPECT_TRUE(m_scene->GetObject(2)->m_bLocked);
    EXPECT_FALSE(m_scene->GetObject(1)->m_bLocked);
    ASSERT_TRUE(read->Execute());
    EXPECT_FALSE(m_scene->GetObject(2)->m_bLocked);
}

}  // namespace
