#include "InteractionFixtures.h"

#include "foundation/OperationBuffer.h"
#include "interaction/undo/OperationFactory.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/object/Object.h"
#include "operations/selection/SelectFaceOperation.h"
#include "operations/selection/SelectionHost.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneServices.h"
#include "support/MeshFixtures.h"

#include <set>

namespace {

// The history as the program runs it: selection and visibility edits of the scene and
// the mesh model are user actions that undo and redo re-create by type id.
class SelectionUndo : public InteractionTest {
protected:
    void SetUp() override
    {
        InteractionTest::SetUp();
        RegisterObjectOperations();
        InstallUndoableSelection();
        std::unique_ptr<Object> object = MakeQuadGrid();
        m_object = object.get();
        m_scene->AddObject(object.release());
    }
    void TearDown() override
    {
        Operations::SelectionHost::Install(nullptr);
        SceneServices::Install(nullptr);
        MeshEdits::Install(nullptr);
        InteractionTest::TearDown();
    }

    std::set<unsigned> Selected() const
    {
        std::set<unsigned> faces;
        for (unsigned f = 0; f < m_object->m_iFaceCount; ++f)
            if (m_object->IsFaceSelected(f))
                faces.insert(f);
        return faces;
    }
    static void Undo() { Interface::UndoRedo(Interface::UndoStack()); }
    static void Redo() { Interface::UndoRedo(Interface::RedoStack()); }

    Object *m_object = nullptr;
};

TEST_F(SelectionUndo, SelectionEditsUndoAndRedoOneActionAtATime)
{
    General::Store<unsigned int> centre("test faces");
    centre.Add(4);
    MeshEdits::Get().SelectFaces(*m_object, centre);
    Operations::SelectFaceOperation grow;
    grow.GrowSelection(m_object);
    ASSERT_TRUE(Operations::SelectionHost::Get().RunAction(grow));
    const std::set<unsigned> grown{1, 3, 4, 5, 7};
    EXPECT_EQ(Selected(), grown);
    m_scene->ClearSelection();
    EXPECT_TRUE(Selected().empty());

    Undo();
    EXPECT_EQ(Selected(), grown);
    EXPECT_EQ(m_object->m_iSelectedFaces, 5u);
    Undo();
    EXPECT_EQ(Selected(), std::set<unsigned>{4});
    Redo();
    EXPECT_EQ(Selected(), grown);
    Redo();
    EXPECT_TRUE(Selected().empty());
    Undo();
    Undo();
    Undo();
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(m_object->m_iSelectedFaces, 0u);
    EXPECT_FALSE(m_scene->m_bModified);
}

TEST_F(SelectionUndo, HidingEverythingUndoesAsOneAction)
{
    m_scene->HideFaces(true, nullptr);
    EXPECT_EQ(m_object->m_iHiddenFaces, 9u);
    Undo();
    EXPECT_EQ(m_object->m_iHiddenFaces, 0u);
    for (unsigned f = 0; f < 9; ++f)
        EXPECT_TRUE(m_object->IsFaceVisible(f)) << f;
    Redo();
    EXPECT_EQ(m_object->m_iHiddenFaces, 9u);
}

TEST_F(SelectionUndo, ANewLayerOfTheMeshModelIsOneAction)
{
    Layer3D *layer = MeshEdits::Get().AddLayer(*m_object, nullptr);
    ASSERT_NE(layer, nullptr);
    layer->SetName(QStringLiteral("Imported"));  // filled after it was recorded
    ASSERT_EQ(m_object->LayerCount(), 1);
    Undo();
    EXPECT_EQ(m_object->LayerCount(), 0);
    Redo();
    ASSERT_EQ(m_object->LayerCount(), 1);
    EXPECT_EQ(m_object->GetLayerByIndex(0)->GetName(), QStringLiteral("Imported"));
    Undo();
    EXPECT_EQ(m_object->LayerCount(), 0);
}

// Records name objects by position: after a new scene or an opened file the history starts
// empty, so undo and redo leave the new scene as it is.
TEST_F(SelectionUndo, NewAndOpenedScenesStartAnEmptyHistory)
{
    InitializeSceneGlobals();  // the node types a scene file names
    const QString file = m_temp.filePath(QStringLiteral("grid.tev"));
    ASSERT_TRUE(m_scene->Save(file, true)) << Recorder().messages.join(QLatin1Char('\n')).toStdString()
                                           << Recorder().log.toStdString();
    for (const bool open : {false, true}) {
        SCOPED_TRACE(open ? "open" : "new");
        General::Store<unsigned int> centre("test faces");
        centre.Add(4);
        MeshEdits::Get().SelectFaces(*m_object, centre);
        m_scene->HideFaces(true, nullptr);
        if (open) {
            ASSERT_TRUE(m_scene->Load(file, false, false));
        } else {
            m_scene->Clear(false);
            m_scene->AddObject(MakeQuadGrid().release());
        }
        m_object = m_scene->GetObject(0);
        ASSERT_NE(m_object, nullptr);
        for (OperationBuffer *stack : {Interface::UndoStack(), Interface::RedoStack()})
            EXPECT_EQ(stack->Tell(), 4u);  // just past the version: empty
        Undo();
        Undo();
        Redo();
        Redo();
        EXPECT_TRUE(Selected().empty());
        EXPECT_EQ(m_object->m_iHiddenFaces, 0u);
        EXPECT_FALSE(m_scene->m_bModified);
    }
}

// Without a controller there is no history, and clearing one says so.
TEST(SelectionHistory, ClearingWithoutAHistoryReportsNothingEmptied)
{
    EXPECT_FALSE(SceneHost().ClearHistory());
    InstallUndoableSelection();
    EXPECT_FALSE(SceneHost().ClearHistory());
    Operations::SelectionHost::Install(nullptr);
    SceneServices::Install(nullptr);
    MeshEdits::Install(nullptr);
}

}  // namespace

// The two commands act on the active object's level as one action each, and do nothing
// without an active object.
TEST_F(SelectionUndo, GrowAndBorderCommandsAreOneActionEach)
{
    General::Store<unsigned int> centre("test faces");
    centre.Add(4);
    MeshEdits::Get().SelectFaces(*m_object, centre);
    const std::set<unsigned> before{4};
    const std::set<unsigned> ring{1, 3, 4, 5, 7};
    const std::set<unsigned> all{0, 1, 2, 3, 4, 5, 6, 7, 8};

    // Selected faces make their object a target without it being active or selected.
    m_interface->RunCommand("Grow selection");
    EXPECT_EQ(Selected(), ring);
    m_interface->RunCommand("Grow selection");
    EXPECT_EQ(Selected(), all);
    Undo();
    EXPECT_EQ(Selected(), ring);
    Undo();
    EXPECT_EQ(Selected(), before);
    Redo();
    EXPECT_EQ(Selected(), ring);
    m_interface->RunCommand("Select border edge");
    EXPECT_EQ(Selected(), all);
    Undo();
    EXPECT_EQ(Selected(), ring);
}

TEST_F(SelectionUndo, GrowAndBorderWithNothingToAddRecordNothing)
{
    // Nothing selected: growing adds nothing.
    m_interface->RunCommand("Grow selection");
    EXPECT_TRUE(Selected().empty());
    EXPECT_FALSE(m_scene->m_bModified);
    // The border already selected: a second press adds nothing, and the history keeps the
    // first press as its last action.
    m_interface->RunCommand("Select border edge");
    EXPECT_EQ(Selected().size(), 8u);
    m_scene->m_bModified = false;
    m_interface->RunCommand("Select border edge");
    EXPECT_FALSE(m_scene->m_bModified);
    Undo();
    EXPECT_TRUE(Selected().empty());
}
