// The four gizmo presets choose their object by the target rule.
#include "ViewCommandsFixture.h"

#include "interaction/tools/Manipulator.h"
#include "interaction/undo/OperationFactory.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "operations/selection/SelectionHost.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneServices.h"

namespace {

class ManipulatorPresets : public ViewCommandTest {
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
        m_interface->SetManipulator(nullptr);
        Operations::SelectionHost::Install(nullptr);
        SceneServices::Install(nullptr);
        MeshEdits::Install(nullptr);
        ViewCommandTest::TearDown();
    }
    Object *AddCube()
    {
        Object *object = m_scene->Import(QStringLiteral(TEVRIN_TEST_DATA "/obj/assimp_cube.obj"), true, false, true);
        EXPECT_NE(object, nullptr);
        return object;
    }
    static void SelectFace(Object &object, unsigned face)
    {
        object.WithFaces([face](auto &records) { LevelBits::SetSelected(records[face], true); });
        ++object.m_iSelectedFaces;
    }
    // Runs the preset as a key press would; the gizmo it made, or null.
    Manipulator *Press(const char *name)
    {
        Function *tool = Send(eventActivate, name);
        EXPECT_EQ(tool, m_interface->GetManipulator());
        return dynamic_cast<Manipulator *>(tool);
    }
    void Clear()
    {
        m_interface->SetManipulator(nullptr);
        m_interface->SelectObject(nullptr, false);
        m_interface->SetActiveObject(nullptr);
        m_interface->m_cHit = PickHit{};
    }
};

TEST_F(ManipulatorPresets, EachPresetHasItsModeOnTheFirstObjectWithSelectedFaces)
{
    Object *first = AddCube();
    Object *second = AddCube();
    Clear();
    SelectFace(*second, 1);
    SelectFace(*first, 2);
    m_interface->SetActiveObject(second);
    const struct {
        const char *name;
        int mode;
    } cases[] = {{"Manipulate position", Manipulator::kTranslate},
                 {"Manipulate scale", Manipulator::kScale},
                 {"Manipulate rotation", Manipulator::kRotate},
                 {"Manipulate pivot", Manipulator::kPivot}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Manipulator *gizmo = Press(c.name);
        ASSERT_NE(gizmo, nullptr);
        EXPECT_EQ(gizmo->GetMode(), c.mode);
        EXPECT_EQ(gizmo->GetObject(), first);
        EXPECT_EQ(gizmo->GetPresetHandle(), Manipulator::kFree);
        Send(eventDeactivate, c.name);
    }
}

TEST_F(ManipulatorPresets, WithNothingSelectedTheObjectUnderTheMouseBecomesActive)
{
    AddCube();
    Object *second = AddCube();
    Clear();
    m_interface->m_cHit = PickHit{second, second, 0, General::Vector(0, 0, 0)};
    Manipulator *gizmo = Press("Manipulate rotation");
    ASSERT_NE(gizmo, nullptr);
    EXPECT_EQ(gizmo->GetObject(), second);
    EXPECT_EQ(m_interface->m_pActiveObject, second);
}

TEST_F(ManipulatorPresets, AnOnlyObjectIsTakenAndWithTwoAndNoTargetNothingIsMade)
{
    Object *only = AddCube();
    Clear();
    Manipulator *gizmo = Press("Manipulate position");
    ASSERT_NE(gizmo, nullptr);
    EXPECT_EQ(gizmo->GetObject(), only);
    Send(eventDeactivate, "Manipulate position");

    AddCube();
    Clear();
    EXPECT_EQ(Press("Manipulate position"), nullptr);
    EXPECT_EQ(m_interface->GetManipulator(), nullptr);
}

}  // namespace
