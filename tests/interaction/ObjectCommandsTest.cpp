#include "InteractionFixtures.h"

#include "foundation/Memory.h"
#include "foundation/OperationBuffer.h"
#include "foundation/ShippedFiles.h"
#include "interaction/InteractionMeshHost.h"
#include "interaction/undo/OperationFactory.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/object/Object.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "foundation/curves/NURBSCurve.h"
#include "operations/objects/HideFaceOperation.h"
#include "operations/selection/SelectionHost.h"
#include "scene/SceneServices.h"
#include "scene/SelectionSet.h"
#include "scene/SceneGlobals.h"

#include <QByteArray>

#include <map>
#include <set>

namespace {

// Two cubes imported from a file, each subdivided twice: levels of 6, 24 and 96 quads,
// the top level active. The history as the program keeps it.
class ObjectCommands : public InteractionTest {
protected:
    void SetUp() override
    {
        SetUpCubes(2, 2);
        if (HasFatalFailure())
            return;
        for (Object *object : m_objects) {
            ASSERT_EQ(object->LevelCount(), 3);
            ASSERT_EQ(object->GetLevel(2)->m_iFaceCount, 96u);
            for (SubdivLevel *level = object; level; level = level->m_pNext)
                Deselect(*level);
        }
        Interface::ClearHistory();
        m_interface->SelectObject(nullptr, false);
        m_interface->SetActiveObject(nullptr);
    }
    void SetUpCubes(int count, int subdivisions)
    {
        InteractionTest::SetUp();
        m_objects.clear();
        // Objects keep their placement in the scene's transformation node, which a deletion records.
        InitializeSceneGlobals();
        RegisterObjectOperations();
        InstallUndoableSelection();
        MeshHost::Install(&m_meshHost);
        for (int i = 0; i < count; ++i) {
            Object *object =
                m_scene->Import(QStringLiteral(TEVRIN_TEST_DATA "/obj/assimp_cube.obj"), true, false, true);
            ASSERT_NE(object, nullptr);
            for (int s = 0; s < subdivisions; ++s)
                ASSERT_TRUE(object->Subdivide());
            m_objects.push_back(object);
        }
    }
    void TearDown() override
    {
        MeshHost::Install(nullptr);
        Operations::SelectionHost::Install(nullptr);
        SceneServices::Install(nullptr);
        MeshEdits::Install(nullptr);
        MeshSwitches::s_bLevelsOnDisk = false;
        InteractionTest::TearDown();
    }

    static void Deselect(SubdivLevel &level)
    {
        level.WithFaces([](auto &faces) {
            for (auto &face : faces)
                LevelBits::SetSelected(face, false);
        });
        level.m_iSelectedFaces = 0;
    }
    // Selects the faces as a person does: shown ones. A face of a level below the active
    // one is shown as on an object of mixed levels (hidden and selected it would be parked,
    // the mark of a face a subdivision took out of view, and no selection).
    static void Select(SubdivLevel &level, std::initializer_list<unsigned> faces)
    {
        for (unsigned f : faces) {
            if (!level.IsFaceVisible(f)) {
                LevelBits::SetVisible(level.m_pQuads[f], true);
                level.m_iHiddenFaces -= level.m_iHiddenFaces > 0;
            }
            if (!level.IsFaceSelected(f)) {
                LevelBits::SetSelected(level.m_pQuads[f], true);
                ++level.m_iSelectedFaces;
            }
        }
    }
    static void SelectAll(SubdivLevel &level)
    {
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            Select(level, {f});
    }
    static void SetFreeze(SubdivLevel &level, unsigned face, unsigned freeze)
    {
        const bool was = level.m_pQuads[face].m_iFreeze != 0;
        level.m_pQuads[face].m_iFreeze = uint16_t(int16_t(int8_t(uint8_t(freeze))));
        level.m_iFrozenFaces = level.m_iFrozenFaces - was + (freeze != 0);
    }

    // Every face record of every level of every object with the counts of its level, the
    // octree links and the brushes' scratch left out (a rebuilt octree may link otherwise).
    QByteArray Records() const
    {
        QByteArray bytes;
        for (Object *object = m_scene->m_pObjects; object; object = object->m_pNextObject) {
            bytes += object->m_bLocked ? "L" : "U";
            for (SubdivLevel *level = object; level; level = level->m_pNext) {
                bytes += QByteArray::number(level->m_iFaceCount) + ',' + QByteArray::number(level->m_iHiddenFaces) +
                         ',' + QByteArray::number(level->m_iSelectedFaces) + ',' +
                         QByteArray::number(level->m_iFrozenFaces) + ':';
                for (unsigned f = 0; f < level->m_iFaceCount; ++f) {
                    Quad face = level->m_pQuads[f];
                    face.m_iOctree = 0;
                    face.m_iStamp = 0;
                    face.m_iIndices[2] &= ~MeshFlags::kBit30;
                    bytes.append(reinterpret_cast<const char *>(&face), sizeof face);
                }
                bytes += ';';
            }
        }
        return bytes;
    }

    Function *Run(const char *name, int event = eventMenuCommand)
    {
        return Handlers().OnUserEvent(event, name);
    }
    static bool CanUndo() { return Interface::UndoStack()->Tell() > 4; }
    static bool CanRedo() { return Interface::RedoStack()->Tell() > 4; }
    static void Undo() { Interface::UndoRedo(Interface::UndoStack()); }
    static void Redo() { Interface::UndoRedo(Interface::RedoStack()); }

    static std::set<unsigned> Selected(const SubdivLevel &level)
    {
        std::set<unsigned> faces;
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            if (level.IsFaceSelected(f))
                faces.insert(f);
        return faces;
    }

    InteractionMeshHost m_meshHost;
    std::vector<Object *> m_objects;
};

TEST_F(ObjectCommands, EachActionUndoesToTheSameRecordsAndRedoesToTheSameResult)
{
    // Faces selected on two levels of the first object and one of the second; some frozen.
    const auto prepare = [this] {
        Select(*m_objects[0]->GetLevel(2), {4, 40, 41, 77});
        Select(*m_objects[1]->GetLevel(2), {5, 6});
        SetFreeze(*m_objects[0]->GetLevel(1), 3, 64);
        SetFreeze(*m_objects[1]->GetLevel(2), 90, 255);
    };
    for (const char *command : {"Select all", "Select invert", "Deselect all", "Freeze selected", "Invert freeze",
                                "Unfreeze all", "Hide selected", "Hide unselected", "Lock selected",
                                "Invert locked", "Delete faces"}) {
        SCOPED_TRACE(command);
        TearDown();
        SetUp();
        prepare();
        const QByteArray before = Records();
        Run(command);
        const QByteArray after = Records();
        EXPECT_NE(after, before);
        ASSERT_TRUE(CanUndo());
        Undo();
        EXPECT_EQ(Records(), before);
        EXPECT_FALSE(CanUndo());  // one action, undone in one step
        Redo();
        EXPECT_EQ(Records(), after);
    }
}

TEST_F(ObjectCommands, SelectionCommandsSelectVisibleFacesOnly)
{
    SubdivLevel &top = *m_objects[1]->GetLevel(2);
    Run("Select all");
    Run("Hide selected");  // everything: the selection goes with it
    Run("Unhide all", eventDeactivate);
    Select(top, {0, 1});
    Operations::HideFaceOperation hide;
    hide.Add(top, 2, false);
    hide.Add(top, 0, false);
    ASSERT_TRUE(hide.Execute());  // face 0 and 2 hidden: the level's selection is dropped
    Select(top, {1});
    Run("Select invert");
    // Face 1 loses its mark, the hidden faces get none, every other face is selected.
    EXPECT_EQ(Selected(top).count(1), 0u);
    EXPECT_EQ(Selected(top).count(0) + Selected(top).count(2), 0u);
    EXPECT_EQ(top.m_iSelectedFaces, 96u - 3u);
    Run("Select all");
    EXPECT_EQ(top.m_iSelectedFaces, 96u - 2u);
    for (Object *object : m_objects)
        for (SubdivLevel *level = object; level; level = level->m_pNext)
            EXPECT_FALSE(level->m_aSelectedFaces.HasItems());
}

TEST_F(ObjectCommands, InvertFreezeTurnsEachLevelAround)
{
    SubdivLevel &level = *m_objects[0]->GetLevel(1);
    SetFreeze(level, 0, 64);
    SetFreeze(level, 1, 255);
    Run("Invert freeze");
    EXPECT_EQ(level.m_pQuads[0].m_iFreeze, 0xFFBF);  // 191, kept sign-extended
    EXPECT_EQ(level.m_pQuads[1].m_iFreeze, 0);
    EXPECT_EQ(level.m_pQuads[2].m_iFreeze, 0xFFFF);
    EXPECT_EQ(level.m_iFrozenFaces, 23u);
    Run("Unfreeze all");
    EXPECT_EQ(level.m_pQuads[0].m_iFreeze, 0);
    EXPECT_EQ(level.m_iFrozenFaces, 0u);
    Undo();
    EXPECT_EQ(level.m_pQuads[0].m_iFreeze & 0xFF, 191);
    EXPECT_EQ(level.m_iFrozenFaces, 23u);
}

TEST_F(ObjectCommands, FreezeSelectedFreezesTargetsAndOverAFrozenFaceUnfreezes)
{
    // No face selected, the mouse over the second object: all of its faces.
    m_interface->m_cHit = PickHit{m_objects[1]->GetLevel(2), m_objects[1], 7};
    Run("Freeze selected");
    EXPECT_EQ(m_interface->m_pActiveObject, m_objects[1]);
    for (int l = 0; l < 3; ++l) {
        EXPECT_EQ(m_objects[1]->GetLevel(l)->m_iFrozenFaces, m_objects[1]->GetLevel(l)->m_iFaceCount);
        EXPECT_EQ(m_objects[0]->GetLevel(l)->m_iFrozenFaces, 0u);
    }
    Run("Freeze selected");  // over a frozen face it unfreezes
    for (int l = 0; l < 3; ++l)
        EXPECT_EQ(m_objects[1]->GetLevel(l)->m_iFrozenFaces, 0u);
    // Selected faces join those frozen before, and the count covers both.
    m_interface->m_cHit = PickHit();
    SetFreeze(*m_objects[0], 0, 30);
    Select(*m_objects[0], {4, 5});
    Run("Freeze selected");
    EXPECT_EQ(m_objects[0]->m_iFrozenFaces, 3u);
    EXPECT_EQ(m_objects[0]->m_pQuads[0].m_iFreeze, 30);
    EXPECT_EQ(m_objects[0]->m_pQuads[4].m_iFreeze, 0xFFFF);
}

TEST_F(ObjectCommands, SelectPickedTogglesTheFaceUnderTheMouse)
{
    SubdivLevel &level = *m_objects[0]->GetLevel(2);
    Run("Select picked");  // no hit: nothing
    EXPECT_FALSE(CanUndo());
    m_interface->m_cHit = PickHit{&level, m_objects[0], 9};
    Run("Select picked");
    EXPECT_EQ(Selected(level), std::set<unsigned>{9});
    Run("Select picked");
    EXPECT_TRUE(Selected(level).empty());
    EXPECT_EQ(level.m_iSelectedFaces, 0u);
    Run("Select all on level");
    EXPECT_EQ(level.m_iSelectedFaces, 96u);
    EXPECT_EQ(m_objects[0]->GetLevel(1)->m_iSelectedFaces, 0u);
    Run("Select all on level");
    EXPECT_EQ(level.m_iSelectedFaces, 0u);
}

TEST_F(ObjectCommands, AnObjectWithEveryFaceSelectedGoesWholeWithTheOthersFacesAsOneAction)
{
    SelectAll(*m_objects[0]);
    Select(*m_objects[0]->GetLevel(2), {3});
    Select(*m_objects[1]->GetLevel(2), {2});
    const QByteArray before = Records();
    Run("Delete faces");
    ASSERT_EQ(m_scene->GetObjectCount(), 1);
    Object &kept = *m_scene->GetObject(0);
    EXPECT_EQ(&kept, m_objects[1]);
    // Base face 0 with its 4 and 16 descendants.
    EXPECT_EQ(kept.m_iFaceCount, 5u);
    EXPECT_EQ(kept.GetLevel(1)->m_iFaceCount, 20u);
    EXPECT_EQ(kept.GetLevel(2)->m_iFaceCount, 80u);
    Undo();
    EXPECT_EQ(m_scene->GetObjectCount(), 2);
    EXPECT_EQ(Records(), before);
    EXPECT_FALSE(CanUndo());
}

TEST_F(ObjectCommands, DeleteFacesNeedsSelectedFacesOrAnObjectUnderTheMouse)
{
    m_interface->SelectObject(m_objects[0], true);
    Run("Delete faces");  // nothing selected, nothing under the mouse
    EXPECT_EQ(m_scene->GetObjectCount(), 2);
    EXPECT_FALSE(CanUndo());
    m_interface->m_cHit = PickHit{m_objects[1], m_objects[1], 0};
    Run("Delete faces");  // the selected object goes, not the one under the mouse
    ASSERT_EQ(m_scene->GetObjectCount(), 1);
    EXPECT_EQ(m_scene->GetObject(0), m_objects[1]);
    EXPECT_EQ(m_interface->m_cHit.mesh, nullptr);
}

TEST_F(ObjectCommands, AnEmptiedTopLevelGoesFromItsOwnObjectOnly)
{
    // The first object's top level holds the children of base face 0 alone.
    Object &partial = *m_objects[0];
    ASSERT_TRUE(partial.ChangeLevel(-1, true));
    ASSERT_TRUE(partial.RemoveHighestLevel());
    Select(*partial.GetLevel(1), {0, 1, 2, 3});
    ASSERT_TRUE(partial.Subdivide());
    ASSERT_EQ(partial.LevelCount(), 3);
    ASSERT_EQ(partial.GetLevel(2)->m_iFaceCount, 16u);
    for (SubdivLevel *level = &partial; level; level = level->m_pNext)
        Deselect(*level);
    partial.m_pActiveLevel = partial.GetLevel(2);
    // The other object is the active one, which a fresh target search would pick.
    m_interface->SetActiveObject(m_objects[1]);
    Select(partial, {0});
    Run("Delete faces");
    EXPECT_EQ(partial.LevelCount(), 2);
    EXPECT_EQ(partial.m_pActiveLevel, partial.GetLevel(1));
    EXPECT_EQ(partial.m_iFaceCount, 5u);
    EXPECT_EQ(m_objects[1]->LevelCount(), 3);
    // The levels changed under the deletion's records: the history is gone.
    EXPECT_FALSE(CanUndo());
}

TEST_F(ObjectCommands, DeleteThenSubdivideThenUndoLosesAndMixesNoFace)
{
    Select(*m_objects[0]->GetLevel(1), {4, 9});
    Run("Delete faces");
    ASSERT_TRUE(CanUndo());
    Select(*m_objects[0]->GetLevel(2), {0, 1, 2, 3});
    Run("Subdivide faces");
    ASSERT_EQ(m_objects[0]->LevelCount(), 4);
    const QByteArray subdivided = Records();
    EXPECT_FALSE(CanUndo());
    EXPECT_FALSE(CanRedo());
    Undo();
    EXPECT_EQ(Records(), subdivided);
}

TEST_F(ObjectCommands, LevelStepsRunOnReleaseAndReachEveryTarget)
{
    // Two selected objects, no selected face: each is a target, although each step empties
    // the object selection.
    const auto selectBoth = [this] {
        m_interface->SelectObject(m_objects[0], true);
        m_interface->SelectObject(m_objects[1], true);
    };
    selectBoth();
    Run("Subdivide faces", eventActivate);
    Run("Subdivide faces", eventMenuOption);
    EXPECT_EQ(m_objects[0]->LevelCount(), 3);
    Run("Subdivide faces", eventDeactivate);
    for (Object *object : m_objects)
        EXPECT_EQ(object->LevelCount(), 4);
    EXPECT_TRUE(m_interface->m_lSelection.isEmpty());
    selectBoth();
    Run("Level down faces", eventActivate);
    EXPECT_EQ(m_objects[0]->m_pActiveLevel, m_objects[0]->GetLevel(3));
    Run("Level down faces", eventDeactivate);
    for (Object *object : m_objects)
        EXPECT_EQ(object->m_pActiveLevel, object->GetLevel(2));
    // Stepping up takes the selected faces: every face of both levels 2.
    for (Object *object : m_objects) {
        Deselect(*object->GetLevel(3));
        SelectAll(*object->GetLevel(2));
    }
    Run("Level up faces", eventActivate);
    EXPECT_EQ(m_objects[1]->m_pActiveLevel, m_objects[1]->GetLevel(2));
    Run("Level up faces");
    for (Object *object : m_objects)
        EXPECT_EQ(object->m_pActiveLevel, object->GetLevel(3));
}

TEST_F(ObjectCommands, RemovalAndLevelCommandsEmptyTheHistoryEvenWithNothingToDo)
{
    for (const char *command : {"Remove faces", "Unremove faces", "Unremove selected", "Remove hidden faces",
                                "Delete highest level", "Subdivide faces", "Level up faces", "Level down faces",
                                "Move Levels Data"}) {
        SCOPED_TRACE(command);
        TearDown();
        SetUp();
        Run("Invert freeze");
        Run("Invert freeze");
        Undo();
        ASSERT_TRUE(CanUndo() && CanRedo());
        Run(command);
        EXPECT_FALSE(CanUndo());
        EXPECT_FALSE(CanRedo());
    }
}

TEST_F(ObjectCommands, RemoveFacesActsOnActiveLevelsAndSaysSoOnce)
{
    Select(*m_objects[0]->GetLevel(2), {0, 1});
    Select(*m_objects[1]->GetLevel(1), {0});
    Select(*m_objects[1], {0});
    Recorder().statusMessages.clear();
    Run("Remove faces");
    EXPECT_EQ(m_objects[0]->GetLevel(2)->m_iFaceCount, 94u);
    EXPECT_EQ(m_objects[1]->GetLevel(1)->m_iFaceCount, 24u);
    EXPECT_EQ(Recorder().statusMessages.count(QStringLiteral("Only faces on the active level can be removed")), 1);
    Run("Unremove faces");
    EXPECT_EQ(m_objects[0]->GetLevel(2)->m_iFaceCount, 96u);
}

TEST_F(ObjectCommands, UnremoveSelectedRestoresOnlyTheSetsRemovedFaces)
{
    SubdivLevel &top = *m_objects[0]->GetLevel(2);
    Select(top, {10, 11});
    SelectionSet *set = m_scene->CreateSelectionSet(QStringLiteral("removed"), true);
    Run("Remove faces");
    Select(top, {20});
    Run("Remove faces");
    ASSERT_EQ(top.m_iFaceCount, 93u);
    // A set whose faces are all present restores nothing; the one removed stays removed.
    Select(top, {30});
    SelectionSet *present = m_scene->CreateSelectionSet(QStringLiteral("present"), true);
    Deselect(top);
    present->m_bActive = true;
    Run("Unremove selected");
    EXPECT_EQ(top.m_iFaceCount, 93u);
    present->m_bActive = false;
    set->m_bActive = true;
    Run("Unremove selected");
    EXPECT_EQ(top.m_iFaceCount, 95u);

    // A level that lost every face gets back the set's faces, and only those.
    SelectAll(top);
    Run("Remove faces");
    ASSERT_EQ(top.m_iFaceCount, 0u);
    Run("Unremove selected");
    EXPECT_EQ(top.m_iFaceCount, 2u);
}

TEST_F(ObjectCommands, SelectionSetsAreNamedOnceAndCancelDoesNothing)
{
    Select(*m_objects[0], {2});
    Run("Create selection set");  // cancelled
    EXPECT_EQ(m_scene->m_pSelectionSets, nullptr);
    m_host.textAccepted = true;
    m_host.textAnswer = QStringLiteral("Set1");
    Run("Create selection set");
    ASSERT_NE(m_scene->m_pSelectionSets, nullptr);
    SelectionSet *first = m_scene->m_pSelectionSets;
    Select(*m_objects[1], {3});
    Run("Create selection set");
    EXPECT_EQ(m_scene->m_pSelectionSets, first);
    EXPECT_EQ(first->m_pNext, nullptr);
    EXPECT_EQ(first->m_aEntries.size(), 1u);
    EXPECT_EQ(m_host.askedTexts, QStringList({"Set1", "Set1", "Set1"}));
}

TEST_F(ObjectCommands, HideSelectedWithoutSelectedFacesHidesTheSelectedObject)
{
    m_interface->SelectObject(m_objects[1], true);
    const QByteArray before = Records();
    Run("Hide selected");
    for (int l = 0; l < 3; ++l) {
        EXPECT_EQ(m_objects[1]->GetLevel(l)->m_iHiddenFaces, m_objects[1]->GetLevel(l)->m_iFaceCount);
        EXPECT_EQ(m_objects[0]->GetLevel(l)->m_iHiddenFaces, l == 2 ? 0u : m_objects[0]->GetLevel(l)->m_iFaceCount);
    }
    Undo();
    EXPECT_EQ(Records(), before);
    // Unhide acts on release.
    Run("Hide selected");
    Run("Unhide selected", eventActivate);
    EXPECT_EQ(m_objects[1]->GetLevel(2)->m_iHiddenFaces, 96u);
    Run("Unhide selected", eventDeactivate);
    EXPECT_EQ(m_objects[1]->GetLevel(2)->m_iHiddenFaces, 0u);
}

TEST_F(ObjectCommands, HideUnselectedLeavesFullySelectedLevelsAlone)
{
    SelectAll(*m_objects[0]->GetLevel(2));
    Select(*m_objects[1]->GetLevel(2), {5});
    const QByteArray before = Records();
    Run("Hide unselected");
    EXPECT_EQ(m_objects[0]->GetLevel(2)->m_iHiddenFaces, 0u);
    EXPECT_EQ(m_objects[0]->GetLevel(2)->m_iSelectedFaces, 96u);
    EXPECT_EQ(m_objects[1]->GetLevel(2)->m_iHiddenFaces, 95u);
    EXPECT_TRUE(m_objects[1]->GetLevel(2)->IsFaceVisible(5));
    // The selection of the level that hid faces goes with the hiding, and comes back with the undo.
    EXPECT_EQ(m_objects[1]->GetLevel(2)->m_iSelectedFaces, 0u);
    Undo();
    EXPECT_EQ(Records(), before);
}

TEST_F(ObjectCommands, LockSelectedTurnsTheLockAroundAndClearsTheSelection)
{
    m_objects[0]->m_bLocked = true;
    Select(*m_objects[0]->GetLevel(2), {1, 2});
    Run("Lock selected");
    EXPECT_FALSE(m_objects[0]->m_bLocked);
    EXPECT_FALSE(m_objects[0]->HasSelectedFaces());
    EXPECT_FALSE(m_objects[1]->m_bLocked);
    Undo();
    EXPECT_TRUE(m_objects[0]->m_bLocked);
    EXPECT_EQ(Selected(*m_objects[0]->GetLevel(2)), (std::set<unsigned>{1, 2}));
    Run("Unlock all");
    EXPECT_FALSE(m_objects[0]->m_bLocked);
    Run("Invert locked");
    EXPECT_TRUE(m_objects[0]->m_bLocked && m_objects[1]->m_bLocked);
}

TEST_F(ObjectCommands, HidingCurvesMarksTheSceneModifiedAndUnhideAllShowsThem)
{
    auto *curve = new General::NURBSCurve(2);
    m_scene->AddCurve(curve);
    m_scene->m_bModified = false;
    Run("Hide curves");
    EXPECT_FALSE(curve->IsDrawn());
    EXPECT_TRUE(m_scene->m_bModified);
    EXPECT_FALSE(CanUndo());
    Run("Unhide all", eventActivate);
    EXPECT_FALSE(curve->IsDrawn());
    Run("Unhide all", eventDeactivate);
    EXPECT_TRUE(curve->IsDrawn());
}

TEST_F(ObjectCommands, ObjectToLayerNeedsTwoObjectsAndIsUndoneInOneStep)
{
    Run("Object To Layer");
    EXPECT_EQ(m_objects[0]->LayerCount(), 0);
    EXPECT_TRUE(Recorder().statusMessages.contains(
        QStringLiteral("ERROR: This operation needs an active and a selected object!")));
    m_interface->SelectObject(m_objects[1], true);
    m_interface->SetActiveObject(m_objects[0]);
    Run("Object To Layer");
    EXPECT_EQ(m_objects[0]->LayerCount(), 1);
    Undo();
    EXPECT_EQ(m_objects[0]->LayerCount(), 0);
}

TEST_F(ObjectCommands, RepairMarksEveryVertexAsChangedSinceThePropagation)
{
    SubdivLevel &level = *m_objects[0]->GetLevel(1);
    const uint32_t stamp = level.m_iStamp;
    Run("Repair TEV");
    EXPECT_EQ(level.m_iStamp, stamp + 1);
    for (unsigned v = 0; v < level.m_iVertexCount; ++v)
        EXPECT_EQ(uint32_t(level.VertexStrokeID(v)), level.m_iPropagationStamp);
}

}  // namespace

namespace {

TEST_F(ObjectCommands, ARefusedListEndsSelectAllWithEveryWorkingListEmpty)
{
    // Entries an earlier edit left behind on a level the command never reaches.
    SubdivLevel &later = *m_objects[1]->GetLevel(2);
    later.m_aSelectedFaces.Add(SelectedFaceInfo{3, 1});
    later.m_aMaskedFaces.Add(MaskedFaceInfo{3, 0xFFFF});
    const QByteArray before = Records();
    General::SetMemoryLimit(General::GetCountedMemory() + 64);
    Run("Select all");
    General::SetMemoryLimit(~uint64_t(0));
    EXPECT_EQ(Records(), before);
    EXPECT_FALSE(CanUndo());
    for (Object *object : m_objects)
        for (SubdivLevel *level = object; level; level = level->m_pNext) {
            EXPECT_FALSE(level->m_aSelectedFaces.HasItems());
            EXPECT_FALSE(level->m_aMaskedFaces.HasItems());
        }
    // The next command starts from empty lists and selects exactly the visible faces.
    Run("Select all");
    EXPECT_EQ(later.m_iSelectedFaces, 96u);
    Undo();
    EXPECT_EQ(Records(), before);
}

TEST_F(ObjectCommands, HiddenFacesStayOutOfTheOctreeADeletionRebuilds)
{
    SubdivLevel &top = *m_objects[0]->GetLevel(2);
    Operations::HideFaceOperation hide;
    hide.Add(top, 50, false);
    ASSERT_TRUE(hide.Execute());
    ASSERT_GE(top.m_pQuads[50].m_iOctree, OctreeLink::kUnlinked);
    Select(top, {0});
    Run("Delete faces");
    ASSERT_EQ(top.m_iFaceCount, 80u);
    unsigned hidden = 0;
    for (unsigned f = 0; f < top.m_iFaceCount; ++f) {
        if (top.IsFaceVisible(f)) {
            EXPECT_LT(top.m_pQuads[f].m_iOctree, OctreeLink::kUnlinked);
        } else {
            ++hidden;
            EXPECT_GE(top.m_pQuads[f].m_iOctree, OctreeLink::kUnlinked);
        }
    }
    EXPECT_EQ(hidden, 1u);
}

}  // namespace

namespace {

TEST_F(ObjectCommands, MovingLevelsAsksPerObjectAndDeletionRefusesLevelsOnDisk)
{
    const auto selectBoth = [this] {
        m_interface->SelectObject(m_objects[0], true);
        m_interface->SelectObject(m_objects[1], true);
    };
    m_objects[1]->m_bLocked = true;
    selectBoth();
    Recorder().answers = {1};  // cancelled: the levels stay in memory
    Run("Move Levels Data");
    EXPECT_FALSE(m_objects[0]->m_bLevelsOnDisk);
    ASSERT_EQ(Recorder().boxes.size(), 1);
    EXPECT_TRUE(Recorder().boxes[0].startsWith(QStringLiteral("Move Levels Data: The Level data for ")));
    EXPECT_TRUE(Recorder().boxes[0].contains(QStringLiteral("is currently stored in RAM")));
    // Escape and the close button answer Cancel; no button without a text stands beside OK and Cancel.
    EXPECT_EQ(Recorder().questionButtons[0], QStringList({QStringLiteral("OK"), QStringLiteral("Cancel")}));
    EXPECT_EQ(Recorder().escapeLabels[0], QStringLiteral("Cancel"));
    EXPECT_TRUE(Recorder().statusMessages.contains(QStringLiteral("Levels cannot be moved for locked object!")));
    Recorder().answers = {0};
    Run("Move Levels Data");
    EXPECT_TRUE(m_objects[0]->m_bLevelsOnDisk);
    EXPECT_TRUE(m_interface->m_lSelection.size() == 2);
    EXPECT_FALSE(m_objects[1]->m_bLevelsOnDisk);

    // The worked faces of the lower levels live on disk now: nothing is deleted.
    SubdivLevel &top = *m_objects[0]->GetLevel(2);
    Select(top, {0});
    const QByteArray before = Records();
    Run("Delete faces");
    EXPECT_EQ(Records(), before);
    const QString refusal = QStringLiteral("Cannot delete if any level is partially on disk!");
    EXPECT_TRUE(Recorder().messages.contains(refusal) || Recorder().statusMessages.contains(refusal));
    EXPECT_FALSE(CanUndo());

    Recorder().answers = {0};
    selectBoth();
    Run("Move Levels Data");
    EXPECT_FALSE(m_objects[0]->m_bLevelsOnDisk);
    EXPECT_TRUE(Recorder().boxes.last().contains(QStringLiteral("is currently stored on the Hard Drive")));
}

}  // namespace

TEST_F(ObjectCommands, UnhideAllShowsWhatHideSelectedHidAfterLevelStepsAndALayer)
{
    // The level steps took the mark "Unhide all" looks for from the faces they showed.
    struct Case {
        const char *what;
        bool down, up, layer;
        int level;  // the active level the faces are hidden on
    } cases[] = {
        {"plain", false, false, false, 2},
        {"with a layer", false, false, true, 2},
        {"after stepping down", true, false, false, 1},
        {"after stepping down and up", true, true, false, 2},
        {"after stepping down and up, with a layer", true, true, true, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        Object &object = *m_objects[0];
        m_interface->SetActiveObject(&object);
        if (c.down) {
            Run("Level down faces", eventDeactivate);
            ASSERT_EQ(object.m_pActiveLevel, object.GetLevel(1));
        }
        if (c.up) {
            SelectAll(*object.GetLevel(1));
            Run("Level up faces", eventDeactivate);
            ASSERT_EQ(object.m_pActiveLevel, object.GetLevel(2));
        }
        for (SubdivLevel *level = &object; level; level = level->m_pNext)
            Deselect(*level);
        if (c.layer) {
            Layer3D *layer = object.CreateLayer(nullptr, nullptr);
            ASSERT_NE(layer, nullptr);
            object.SetActiveLayer(layer);
        }
        SubdivLevel &shown = *object.GetLevel(c.level);
        ASSERT_EQ(object.m_pActiveLevel, &shown);
        ASSERT_EQ(shown.m_iHiddenFaces, 0u);
        Select(shown, {3, 4, 5, 10, 21});
        Run("Hide selected");
        EXPECT_EQ(shown.m_iHiddenFaces, 5u);
        Run("Unhide all", eventDeactivate);
        EXPECT_EQ(shown.m_iHiddenFaces, 0u);
        for (unsigned f = 0; f < shown.m_iFaceCount; ++f)
            EXPECT_TRUE(shown.IsFaceVisible(f)) << f;
    }
}

TEST_F(ObjectCommands, SubdividingAgainAndSteppingBackAfterASubdivisionReachTheLevelsAsked)
{
    // On a fresh cube: A = "Select all", D = "Subdivide faces", - and + the level steps down
    // and up. The faces a subdivision hides on the level below keep their selected bit; they
    // are no selection of the person's and must not hold the next command on that level.
    struct Case {
        const char *keys;
        int active, highest;
    } cases[] = {{"ADD", 2, 2}, {"ADAD", 2, 2}, {"ADA-+", 1, 1}, {"ADD-+", 2, 2}, {"DD", 2, 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.keys);
        TearDown();
        SetUpCubes(1, 0);
        ASSERT_FALSE(HasFatalFailure());
        Object &cube = *m_objects[0];
        m_interface->SetActiveObject(&cube);
        for (const char *key = c.keys; *key; ++key) {
            const char *command = *key == 'A'   ? "Select all"
                                  : *key == 'D' ? "Subdivide faces"
                                  : *key == '-' ? "Level down faces"
                                                : "Level up faces";
            Run(command, *key == 'A' ? eventActivate : eventDeactivate);
        }
        EXPECT_EQ(SubdivLevel::GetLevelIndex(cube.m_pActiveLevel ? cube.m_pActiveLevel : &cube), c.active);
        EXPECT_EQ(SubdivLevel::GetLevelIndex(cube.GetHighestLevel()), c.highest);
    }
}

TEST_F(ObjectCommands, FacesAPartialSubdivisionParkedAreNoSelectionForTheNextCommands)
{
    // Shipped meshes as Create > Mesh adds them; the pointer rests on the first one. Keys: a
    // lower-case letter is a rectangle over three faces of that object (t torus, c cube,
    // p plane), D = "Subdivide faces", H = "Hide selected", P = "Level down faces", N =
    // "Deselect all". After each command: the objects and levels that gained faces (D), hid
    // faces (H) or became active (P), else the refusal the status bar shows.
    struct Step {
        char key;
        const char *acted;
    };
    struct Case {
        const char *what;
        std::vector<const char *> meshes;
        bool pointerOnFirst;
        std::vector<Step> steps;
    } cases[] = {
        {"a second Shift+D acts on the object under the pointer", {"Torus", "Cube"}, true,
         {{'c', ""}, {'D', "Cube 1"}, {'D', "Torus 1"}, {'P', "Torus 0"}}},
        {"H hides the object under the pointer", {"Torus", "Cube"}, true,
         {{'c', ""}, {'D', "Cube 1"}, {'H', "Torus 0"}}},
        {"Page Down steps the object under the pointer", {"Torus", "Cube"}, true,
         {{'c', ""}, {'D', "Cube 1"}, {'P', "Cannot step down: there is no level below the one shown"}}},
        {"faces selected on another object are the only selection", {"Torus", "Cube"}, true,
         {{'c', ""}, {'D', "Cube 1"}, {'t', ""}, {'D', "Torus 1"}, {'H', "Torus 0, Torus 1"}}},
        {"Ctrl+D changes nothing of it", {"Torus", "Cube"}, true,
         {{'c', ""}, {'D', "Cube 1"}, {'N', ""}, {'D', "Torus 1"}}},
        {"one object: H hides what is shown", {"Plane"}, false,
         {{'p', ""}, {'D', "Plane 1"}, {'H', "Plane 0, Plane 1"}}},
        {"one object: Shift+D again goes on from the level shown", {"Plane"}, false,
         {{'p', ""}, {'D', "Plane 1"}, {'D', "Plane 2"}}},
    };
    struct LevelState {
        unsigned faces, hidden;
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUpCubes(0, 0);
        ASSERT_FALSE(HasFatalFailure());
        std::map<Object *, QString> names;
        for (const char *mesh : c.meshes) {
            Object *object = m_scene->Import(General::ShippedFile(QStringLiteral("Meshes/%1.obj").arg(mesh)), true,
                                             false, true);
            ASSERT_NE(object, nullptr) << mesh;
            m_objects.push_back(object);
            names[object] = QString::fromLatin1(mesh);
        }
        // The pick after a level command finds the same object.
        m_host.nextHit = m_interface->m_cHit =
            c.pointerOnFirst ? PickHit{m_objects[0], m_objects[0], 0} : PickHit{};
        const auto state = [this] {
            std::vector<std::pair<int, std::vector<LevelState>>> objects;
            for (Object *object : m_objects) {
                std::vector<LevelState> levels;
                for (SubdivLevel *level = object; level; level = level->m_pNext)
                    levels.push_back({level->m_iFaceCount, level->m_iHiddenFaces});
                objects.emplace_back(SubdivLevel::GetLevelIndex(object->m_pActiveLevel ? object->m_pActiveLevel : object),
                                     levels);
            }
            return objects;
        };
        for (const Step &step : c.steps) {
            SCOPED_TRACE(std::string(1, step.key));
            const auto before = state();
            Recorder().statusMessages.clear();
            Recorder().statusStates.clear();
            switch (step.key) {
            case 'D': Run("Subdivide faces", eventDeactivate); break;
            case 'H': Run("Hide selected", eventActivate); break;
            case 'P': Run("Level down faces", eventDeactivate); break;
            case 'N': Run("Deselect all", eventActivate); break;
            default: {
                const char *mesh = step.key == 't' ? "Torus" : step.key == 'c' ? "Cube" : "Plane";
                for (Object *object : m_objects)
                    if (names[object] == QLatin1String(mesh))
                        Select(*object, {0, 1, 2});
            }
            }
            const auto after = state();
            QStringList acted;
            for (size_t o = 0; o < m_objects.size(); ++o) {
                const auto &[wasActive, was] = before[o];
                const auto &[isActive, is] = after[o];
                for (size_t l = 0; l < is.size(); ++l) {
                    const bool grew = l >= was.size() || is[l].faces > was[l].faces;
                    const bool hid = l < was.size() && is[l].hidden > was[l].hidden;
                    if ((step.key == 'D' && grew) || (step.key == 'H' && hid) ||
                        (step.key == 'P' && isActive != wasActive && int(l) == isActive))
                        acted << QStringLiteral("%1 %2").arg(names[m_objects[o]]).arg(l);
                }
            }
            if (acted.isEmpty())
                for (qsizetype i = 0; i < Recorder().statusMessages.size(); ++i)
                    if (Recorder().statusStates[size_t(i)] == 2)
                        acted << Recorder().statusMessages[i];
            EXPECT_EQ(acted.join(QStringLiteral(", ")).toStdString(), step.acted);
        }
    }
}
