#include "ViewCommandsFixture.h"

#include "foundation/OperationBuffer.h"
#include "interaction/commands/TopologicalSymmetry.h"
#include "interaction/undo/OperationFactory.h"
#include "mesh/core/MeshRecords.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/object/Object.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "operations/selection/SelectionHost.h"
#include "scene/Brush.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneServices.h"
#include "scene/camera/Camera.h"
#include "support/MeshFixtures.h"

#include <cmath>
#include <set>

namespace {

using General::Vector;

void ExpectVectorNear(const Vector &a, const Vector &b)
{
    EXPECT_NEAR(a.x, b.x, 1e-4f);
    EXPECT_NEAR(a.y, b.y, 1e-4f);
    EXPECT_NEAR(a.z, b.z, 1e-4f);
}

const QString kNotFound = QStringLiteral(
    "Symmetry not found. Select two adjacent faces which are on opposite sides of the topological axis and try again.");
const QString kRefused = QStringLiteral("This tool can be used only on full level 0 or 1 objects.");

// Objects made of quads (a cube subdivided twice, a 3 x 3 grid) or of triangles, the
// history as the program keeps it.
class SymmetryCommands : public ViewCommandTest {
protected:
    void SetUp() override
    {
        ViewCommandTest::SetUp();
        InitializeSceneGlobals();
        RegisterObjectOperations();
        InstallUndoableSelection();
    }
    void TearDown() override
    {
        Operations::SelectionHost::Install(nullptr);
        SceneServices::Install(nullptr);
        MeshEdits::Install(nullptr);
        ViewCommandTest::TearDown();
    }
    Object *AddCube(int levels)
    {
        Object *object = m_scene->Import(QStringLiteral(TEVRIN_TEST_DATA "/obj/assimp_cube.obj"), true, false, true);
        EXPECT_NE(object, nullptr);
        for (int i = 0; object && i < levels; ++i)
            EXPECT_TRUE(object->Subdivide());
        return object;
    }
    Object *AddGrid()
    {
        Object *object = MakeQuadGrid().release();
        m_scene->AddObject(object);
        return object;
    }
    static void Select(SubdivLevel &level, std::initializer_list<unsigned> faces)
    {
        for (unsigned f : faces) {
            ASSERT_FALSE(level.IsFaceSelected(f));
            level.WithFaces([f](auto &records) { LevelBits::SetSelected(records[f], true); });
            ++level.m_iSelectedFaces;
        }
    }
    static std::set<unsigned> Selected(const Mesh &level)
    {
        std::set<unsigned> faces;
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            if (level.IsFaceSelected(f))
                faces.insert(f);
        return faces;
    }
    static void Undo() { Interface::UndoRedo(Interface::UndoStack()); }
    static void Redo() { Interface::UndoRedo(Interface::RedoStack()); }
    QString LastStatus() const { return Recorder().statusMessages.isEmpty() ? QString() : Recorder().statusMessages.last(); }
    int LastState() const { return Recorder().statusStates.empty() ? -1 : Recorder().statusStates.back(); }
};

TEST_F(SymmetryCommands, MirrorCommandsSetModeAndPlaneAndRefreshTheBrushPage)
{
    const struct {
        const char *name;
        int mode;
        Vector normal;
    } cases[] = {{"Mirror X", 1, Vector(1, 0, 0)},
                 {"Mirror Y", 1, Vector(0, 1, 0)},
                 {"Mirror Z", 1, Vector(0, 0, 1)},
                 {"Mirror tangent", -1, Vector(0, 0, 0)},
                 {"Mirror off", 0, Vector(0, 0, 0)}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const int pages = m_host.brushPageRefreshes;
        Send(eventDeactivate, c.name);
        EXPECT_EQ(m_host.brushPageRefreshes, pages);
        m_interface->RunCommand(c.name);
        EXPECT_EQ(m_view.mirrorMode, c.mode);
        EXPECT_EQ(m_view.mirrorNormal, c.normal);
        EXPECT_EQ(m_host.brushPageRefreshes, pages + 1);
    }
}

TEST_F(SymmetryCommands, TwoAdjacentFacesOnLevelZeroMakeTheMap)
{
    Object *cube = AddCube(0);
    ASSERT_GE(cube->m_pQuads[0].m_iAdjacent[0], 0);
    Select(*cube, {0, unsigned(cube->m_pQuads[0].m_iAdjacent[0]) / 4});
    Recorder().log.clear();
    m_interface->RunCommand("Set symmetry");
    EXPECT_TRUE(Recorder().log.startsWith(QStringLiteral("Set symmetry\n")));
    EXPECT_EQ(LastStatus(), QStringLiteral("Symmetry initialized."));
    EXPECT_EQ(LastState(), 0);
    EXPECT_EQ(cube->m_aObjectSymmetry.GetItemCount(), cube->m_iFaceCount);
}

TEST_F(SymmetryCommands, AxesAreCountedOverEveryObjectWithTwoSelectedFaces)
{
    EXPECT_EQ(CountTopologicalAxes(*m_scene), 0);
    Object *first = AddCube(0);
    Object *second = AddCube(0);
    Object *third = AddCube(0);
    for (Object *cube : {first, second})
        Select(*cube, {0, unsigned(cube->m_pQuads[0].m_iAdjacent[0]) / 4});
    // Three selected faces: not a pair, left alone.
    Select(*third, {0, 1, 2});
    EXPECT_EQ(CountTopologicalAxes(*m_scene), 2);
    EXPECT_EQ(first->m_aObjectSymmetry.GetItemCount(), first->m_iFaceCount);
    EXPECT_EQ(third->m_aObjectSymmetry.GetItemCount(), 0u);
}

TEST_F(SymmetryCommands, ThreeSelectedFacesFindNoSymmetryAndRedraw)
{
    Object *cube = AddCube(0);
    Select(*cube, {0, 1, 2});
    m_interface->RunCommand("Set symmetry");
    EXPECT_EQ(LastStatus(), kNotFound);
    EXPECT_EQ(LastState(), 2);
    EXPECT_EQ(m_host.repaints, 1);
    EXPECT_EQ(cube->m_aObjectSymmetry.GetItemCount(), 0u);
}

TEST_F(SymmetryCommands, APairOnLevelTwoIsRefusedBeforeALaterObjectIsTried)
{
    Object *high = AddCube(2);
    Object *low = AddCube(0);
    SubdivLevel *level2 = high->GetLevel(2);
    high->m_pActiveLevel = level2;
    Select(*level2, {0, unsigned(level2->m_pQuads[0].m_iAdjacent[0]) / 4});
    Select(*low, {0, unsigned(low->m_pQuads[0].m_iAdjacent[0]) / 4});
    m_interface->RunCommand("Set symmetry");
    EXPECT_EQ(LastStatus(), kRefused);
    EXPECT_EQ(LastState(), 2);
    EXPECT_EQ(low->m_aObjectSymmetry.GetItemCount(), 0u);
    EXPECT_EQ(m_host.repaints, 0);
}

TEST_F(SymmetryCommands, ASplitPolygonCountsOnceHoweverManyTrianglesItHas)
{
    // Two quads side by side, each stored as a fan of two triangles (one polygon each).
    std::vector<Vector> points{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    Object *object =
        fixtures::MakeTriangles<Object>(points, {{0, 1, 4}, {0, 4, 3}, {1, 2, 5}, {1, 5, 4}}).release();
    object->m_pTriangles[1].m_iIndices[2] |= MeshFlags::kBit31;
    object->m_pTriangles[3].m_iIndices[2] |= MeshFlags::kBit31;
    object->m_iPolygonCount = 2;
    // The two triangles of the first polygon share their diagonal.
    object->m_pTriangles[0].m_iAdjacent[1] = 1 * 3 + 2;
    object->m_pTriangles[1].m_iAdjacent[2] = 0 * 3 + 1;
    m_scene->AddObject(object);
    Select(*object, {0, 1});
    ASSERT_EQ(object->m_iSelectedFaces, 2u);
    m_interface->RunCommand("Set symmetry");
    EXPECT_EQ(LastStatus(), kNotFound);
    EXPECT_EQ(object->m_aObjectSymmetry.GetItemCount(), 0u);
}

TEST_F(SymmetryCommands, GrowTwiceIsTwoUndoSteps)
{
    Object *grid = AddGrid();
    Select(*grid, {4});
    m_interface->RunCommand("Grow selection");
    m_interface->RunCommand("Grow selection");
    EXPECT_EQ(Selected(*grid).size(), 9u);
    Undo();
    EXPECT_EQ(Selected(*grid), (std::set<unsigned>{1, 3, 4, 5, 7}));
    Undo();
    EXPECT_EQ(Selected(*grid), (std::set<unsigned>{4}));
}

TEST_F(SymmetryCommands, RecreatingUVsEmptiesBothHistoriesAndMarksTheSceneModified)
{
    Object *grid = AddGrid();
    Select(*grid, {4});
    m_interface->RunCommand("Grow selection");
    m_interface->RunCommand("Grow selection");
    Undo();  // one step to undo, one to redo
    m_scene->m_bModified = false;
    Interface::s_bUnrecordedChange = false;
    m_interface->RunCommand("Recreate UVs");
    EXPECT_TRUE(m_scene->m_bModified);
    EXPECT_TRUE(Interface::s_bUnrecordedChange);
    const std::set<unsigned> now = Selected(*grid);
    Undo();
    EXPECT_EQ(Selected(*grid), now);
    Redo();
    EXPECT_EQ(Selected(*grid), now);
}

TEST_F(SymmetryCommands, FocusOnSelectionFramesTheSelectedObjectsAndNotAnEmptyScene)
{
    Camera &camera = *m_scene->m_pActiveCamera;
    const Vector position = camera.GetPosition(), target = camera.m_vTarget;
    m_interface->RunCommand("Focus on selection");
    EXPECT_EQ(Recorder().log, QStringLiteral("Camera focus on selection\n"));
    EXPECT_EQ(camera.GetPosition(), position);
    EXPECT_EQ(camera.m_vTarget, target);
    EXPECT_FALSE(LastStatus().isEmpty());
    EXPECT_EQ(m_host.repaints, 0);

    Object *grid = AddGrid();
    AddCube(0);  // not selected: it would pull the centre off the grid's plane
    Select(*grid, {4});
    m_interface->RunCommand("Focus on selection");
    ExpectVectorNear(camera.m_vTarget, Vector(1.5f, 1.5f, 0.0f));
    EXPECT_GT(m_host.repaints, 0);
}

TEST_F(SymmetryCommands, FocusOnMouseAimsAtTheHitAndSurvivesADollyAmountOfZero)
{
    Camera &camera = *m_scene->m_pActiveCamera;
    const Vector target = camera.m_vTarget;
    m_interface->RunCommand("Focus on mouse");
    EXPECT_EQ(Recorder().log, QStringLiteral("Camera focus on mouse\n"));
    EXPECT_EQ(camera.m_vTarget, target);

    Object *grid = AddGrid();
    Brush tool(QStringLiteral("Standard"), 1);
    m_interface->m_pCurrentTool = &tool;
    // The hover pick after the move finds the same point again.
    m_host.nextHit = m_interface->m_cHit = PickHit{grid, grid, 4, Vector(1.5f, 1.5f, 0.0f)};
    for (float dolly : {0.0f, -3.0f, 25.0f}) {
        SCOPED_TRACE(dolly);
        m_view.dolly = dolly;
        camera.m_vTarget = target;
        m_interface->RunCommand("Focus on mouse");
        ExpectVectorNear(camera.m_vTarget, Vector(1.5f, 1.5f, 0.0f));
        EXPECT_TRUE(std::isfinite(camera.GetPosition().x));
    }
    m_interface->m_pCurrentTool = nullptr;
}

}  // namespace
