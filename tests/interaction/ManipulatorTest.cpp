// The transform gizmo: its size on screen, the handle a press takes, drags and what their
// release records.
#include "StrokeFixtures.h"

#include "interaction/tools/Manipulator.h"
#include "mesh/core/MeshRecords.h"
#include "operations/Operation.h"
#include "scene/Transformation.h"

#include <cmath>

using General::Vector;

class ManipulatorTest : public StrokeTest {
protected:
    Transformation &Node() { return *dynamic_cast<Transformation *>(m_object->GetTransformation()); }
    // A world point as the tools get it: fractions of the view from the top-left.
    void Fractions(const Vector &world, float &x, float &y)
    {
        const Vector s = TheCamera().WorldToScreen(world, false);
        x = (s.x + 1.0f) * 0.5f;
        y = (1.0f - s.y) * 0.5f;
    }
    float ScreenLength(const Manipulator &m, int axis)
    {
        const Vector c = TheCamera().WorldToScreen(m.GetCentre(), false);
        const Vector e = TheCamera().WorldToScreen(m.GetAxisEnd(axis), false);
        return std::hypot(e.x - c.x, e.y - c.y);
    }
    // A drag of the gizmo's own handle from one world point to another, tool calls only.
    void Drag(Manipulator &m, const Vector &from, const Vector &to)
    {
        float x = 0, y = 0;
        Fractions(from, x, y);
        m.OnBegin(x, y);
        for (int step = 1; step <= 4; ++step) {
            Fractions(from + (to - from) * (float(step) / 4.0f), x, y);
            m.OnMove(x, y);
        }
        m.OnEnd(x, y);
    }
    int UndoActions()
    {
        int actions = 0;
        while (HasUndo() && actions < 10) {
            Interface::UndoRedo(Interface::UndoStack());
            ++actions;
        }
        return actions;
    }

    Brush m_translate{"Translate", Operations::kTranslateTool};
    Brush m_scale{"Scale", Operations::kScaleTool};
};

TEST_F(ManipulatorTest, TheGizmoKeepsItsSizeOnScreenWhenTheCameraDollies)
{
    Manipulator manipulator(*m_object, Manipulator::kTranslate, 8.0f, Manipulator::kNone, nullptr);
    const float near = ScreenLength(manipulator, 0);
    EXPECT_GT(near, 0.01f);
    LookDown(90.0f);
    manipulator.UpdateAxes();
    EXPECT_NEAR(ScreenLength(manipulator, 0), near, near * 0.03f);
}

TEST_F(ManipulatorTest, APressNearTwoAxisEndsTakesTheLaterAxis)
{
    // Seen along (1, 0, -1), the X and Z ends nearly meet on screen.
    Camera &camera = TheCamera();
    camera.SetTranslate(Vector(40.0f, 0.5f, -40.0f));
    camera.m_vTarget = Vector(0, 0, 0);
    camera.LookAt(camera.m_vTarget, Vector(0, 1, 0));
    Frame();
    Manipulator manipulator(*m_object, Manipulator::kTranslate, 8.0f, Manipulator::kNone, nullptr);
    const Vector x = camera.WorldToScreen(manipulator.GetAxisEnd(0), false);
    const Vector z = camera.WorldToScreen(manipulator.GetAxisEnd(2), false);
    const Vector between = (x + z) * 0.5f;
    ASSERT_LT(std::max(std::fabs(x.x - between.x), std::fabs(x.y - between.y)), 0.04f);
    manipulator.OnBegin((between.x + 1.0f) * 0.5f, (1.0f - between.y) * 0.5f);
    EXPECT_EQ(manipulator.GetHandle(), Manipulator::kZ);
}

TEST_F(ManipulatorTest, ScalingAnAxisThroughTheCentreGoesToZeroThenNegative)
{
    Manipulator manipulator(*m_object, Manipulator::kScale, 8.0f, Manipulator::kNone, nullptr);
    const Vector centre = manipulator.GetCentre(), end = manipulator.GetAxisEnd(0);
    Drag(manipulator, end, centre);
    EXPECT_NEAR(Node().m_aScale.GetValue().x, 0.0f, 1e-3f);
    EXPECT_EQ(Node().m_aScale.GetValue().y, 1.0f);
    // Nothing divided by the flattened axis: the gizmo still has finite axes.
    manipulator.UpdateAxes();
    EXPECT_TRUE(manipulator.GetAxisEnd(1).IsFinite());
    // From the full size again, past the centre: half as large, mirrored.
    Node().SetScale(Vector(1, 1, 1));
    manipulator.UpdateAxes();
    Drag(manipulator, end, centre - (end - centre) * 0.5f);
    EXPECT_NEAR(Node().m_aScale.GetValue().x, -0.5f, 1e-3f);
    EXPECT_TRUE(Node().m_mFull.Transform(Vector(1, 1, 1), 1.0f).IsFinite());
}

TEST_F(ManipulatorTest, ScalingEveryAxisToNothingDividesByNoZero)
{
    Node().SetScale(Vector(0, 0, 0));
    Manipulator manipulator(*m_object, Manipulator::kScale, 8.0f, Manipulator::kNone, nullptr);
    EXPECT_TRUE(std::isfinite(manipulator.GetHandleLength()));
    EXPECT_TRUE(manipulator.GetAxisEnd(0).IsFinite());
}

TEST_F(ManipulatorTest, ChoosingTranslateTwiceRemovesTheGizmo)
{
    m_interface->ApplyTrayItem(&m_translate, false);
    ASSERT_NE(m_interface->GetManipulator(), nullptr);
    EXPECT_EQ(m_interface->GetManipulator()->GetMode(), Manipulator::kTranslate);
    EXPECT_FALSE(m_interface->m_bBrushCursor);
    // Chosen again from the tray: the gizmo goes; a third time brings it back.
    m_interface->ApplyTrayItem(&m_translate, false);
    EXPECT_EQ(m_interface->GetManipulator(), nullptr);
    EXPECT_TRUE(m_interface->m_bBrushCursor);
    EXPECT_EQ(m_interface->m_pCurrentTool, &m_translate);
    m_interface->ApplyTrayItem(&m_translate, false);
    ASSERT_NE(m_interface->GetManipulator(), nullptr);
    m_interface->ApplyTrayItem(&m_translate, false);
    EXPECT_EQ(m_interface->GetManipulator(), nullptr);
    // Another transform tool replaces it; a brush removes it.
    m_interface->ApplyTrayItem(&m_scale, false);
    ASSERT_NE(m_interface->GetManipulator(), nullptr);
    EXPECT_EQ(m_interface->GetManipulator()->GetMode(), Manipulator::kScale);
    m_interface->ApplyTrayItem(&m_tool, false);
    EXPECT_EQ(m_interface->GetManipulator(), nullptr);
}

TEST_F(ManipulatorTest, ADragThroughDrawRecordsOneUndoActionAndAMissRecordsNone)
{
    m_interface->ApplyTrayItem(&m_translate, false);
    Manipulator &manipulator = *m_interface->GetManipulator();
    const Vector end = manipulator.GetAxisEnd(0);
    const Vector step = end - manipulator.GetCentre();
    Stroke({end, end + step * 0.3f, end + step * 0.6f, end + step});
    const Vector moved = Node().m_aTranslate.GetValue();
    EXPECT_GT(moved.x, 0.0f);
    EXPECT_NEAR(moved.y, 0.0f, 1e-4f);
    // Still the current gizmo after its drag.
    EXPECT_EQ(m_interface->GetManipulator(), &manipulator);
    EXPECT_EQ(UndoActions(), 1);
    EXPECT_EQ(Node().m_aTranslate.GetValue(), Vector(0, 0, 0));

    // A press on no handle changes nothing and records nothing.
    m_scene->m_bModified = false;
    Stroke({Vector(7.5f, 7.5f, 0), Vector(7.0f, 7.0f, 0)});
    EXPECT_FALSE(HasUndo());
    EXPECT_FALSE(m_scene->m_bModified);
    EXPECT_EQ(Node().m_aTranslate.GetValue(), Vector(0, 0, 0));
}

TEST_F(ManipulatorTest, APresetRotationTurnsFreelyAndGivesTheTranslateGizmoBack)
{
    m_interface->ApplyTrayItem(&m_translate, false);
    Manipulator *translate = m_interface->GetManipulator();
    Function *tool = m_interface->m_cEventHandler.OnUserEvent(eventActivate, "Manipulate rotation");
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(m_interface->GetManipulator()->GetMode(), Manipulator::kRotate);
    tool->OnBegin(0.5f, 0.5f);
    m_interface->m_fDeltaX = 0.05f;
    m_interface->m_fDeltaY = 0.0f;
    tool->OnMove(0.55f, 0.5f);
    tool->OnEnd(0.55f, 0.5f);
    EXPECT_EQ(m_interface->GetManipulator(), translate);
    EXPECT_NE(Node().m_aRotate.GetValue(), Vector(0, 0, 0));
    EXPECT_EQ(UndoActions(), 1);
    EXPECT_EQ(Node().m_aRotate.GetValue(), Vector(0, 0, 0));
}

TEST_F(ManipulatorTest, ARingSeenEdgeOnTurnsNothingRatherThanDividingByZero)
{
    Camera &camera = TheCamera();
    camera.m_aOrthographic.SetValue(true);
    camera.SetTranslate(Vector(0, 0, 30));
    camera.m_vTarget = Vector(0, 0, 0);
    camera.LookAt(camera.m_vTarget, Vector(0, 1, 0));
    Frame();
    Manipulator manipulator(*m_object, Manipulator::kRotate, 8.0f, Manipulator::kNone, nullptr);
    // The Y ring lies in the plane y = 0, which holds the viewing direction: a line on screen.
    const Vector onRing = manipulator.GetCentre() + (manipulator.GetAxisEnd(0) - manipulator.GetCentre()) * 0.6f +
                          (manipulator.GetAxisEnd(2) - manipulator.GetCentre()) * 0.8f;
    float x = 0, y = 0;
    Fractions(onRing, x, y);
    manipulator.OnBegin(x, y);
    ASSERT_EQ(manipulator.GetHandle(), Manipulator::kY);
    manipulator.OnMove(x + 0.05f, y);
    manipulator.OnEnd(x + 0.05f, y);
    EXPECT_TRUE(Node().m_aRotate.GetValue().IsFinite());
    EXPECT_EQ(Node().m_aRotate.GetValue(), Vector(0, 0, 0));
    EXPECT_FALSE(HasUndo());
}

TEST_F(ManipulatorTest, TheNormalsOfANonUniformScaleComeBackWithItsUndo)
{
    m_object->m_pVertices[V(4, 4)].m_vPosition.z = 1.5f;
    m_object->CalculateNormals(false);
    const auto normals = [this] {
        std::vector<Vector> n;
        for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
            n.push_back(UnpackNormal(m_object->m_pVertices[v].m_aNormal));
        return n;
    };
    const std::vector<Vector> before = normals();
    Manipulator manipulator(*m_object, Manipulator::kScale, 8.0f, Manipulator::kNone, nullptr);
    const Vector centre = manipulator.GetCentre(), end = manipulator.GetAxisEnd(0);
    Drag(manipulator, end, end + (end - centre));
    EXPECT_NEAR(Node().m_aScale.GetValue().x, 2.0f, 1e-2f);
    const std::vector<Vector> scaled = normals();
    EXPECT_NE(scaled, before);
    Interface::UndoRedo(Interface::UndoStack());
    EXPECT_EQ(Node().m_aScale.GetValue(), Vector(1, 1, 1));
    const std::vector<Vector> back = normals();
    for (size_t v = 0; v < back.size(); ++v)
        EXPECT_NEAR((back[v] - before[v]).Length(), 0.0f, 2e-4f) << v;
}

TEST_F(ManipulatorTest, AFreeScaleDragDownLeftShrinksButNeverTurnsTheObjectInsideOut)
{
    Manipulator manipulator(*m_object, Manipulator::kScale, 8.0f, Manipulator::kFree, nullptr);
    manipulator.OnBegin(0.5f, 0.5f);
    // 1 + dx - dy would be -2: the factor stays above 0.
    m_interface->m_fDeltaX = -1.5f;
    m_interface->m_fDeltaY = 1.5f;
    manipulator.OnMove(0.0f, 1.0f);
    const Vector scale = Node().m_aScale.GetValue();
    EXPECT_GT(scale.x, 0.0f);
    EXPECT_LT(scale.x, 0.1f);
    EXPECT_EQ(scale.x, scale.z);
    manipulator.UpdateAxes();
    EXPECT_TRUE(manipulator.GetAxisEnd(0).IsFinite());
}

TEST_F(ManipulatorTest, AGizmoWhoseObjectGoesDuringADragLastsUntilTheRelease)
{
    m_interface->ApplyTrayItem(&m_translate, false);
    Manipulator *manipulator = m_interface->GetManipulator();
    const Vector end = manipulator->GetAxisEnd(0);
    Press(end);
    ASSERT_EQ(m_interface->m_cEventHandler.GetCurrentTool(), manipulator);
    // Asked to go while the drag holds it (as a draw that finds its object gone would).
    m_interface->DropManipulator();
    EXPECT_EQ(m_interface->GetManipulator(), manipulator);
    MoveTo(end + Vector(0.5f, 0, 0));
    Release();
    EXPECT_EQ(m_interface->GetManipulator(), nullptr);
    EXPECT_TRUE(m_interface->m_bBrushCursor);
}
