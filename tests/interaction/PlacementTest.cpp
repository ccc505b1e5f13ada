// The draw handler's precedence and the placement drags of the stencil, the image plane
// and the current curve.
#include "StrokeFixtures.h"

#include "foundation/curves/CurveEdit.h"
#include "foundation/curves/NURBSCurve.h"
#include "interaction/tools/Brusher.h"
#include "interaction/tools/Manipulator.h"

#include <cmath>
#include <cstring>
#include <functional>

using General::Vector;

class PlacementTest : public StrokeTest {
protected:
    void TearDown() override
    {
        m_scene->m_pCurrentCurve = nullptr;
        StrokeTest::TearDown();
    }
    EventHandler &Handlers() { return m_interface->m_cEventHandler; }
    // One mouse move of (dx, dy) of the view while the handler is held.
    void DragBy(const char *handler, float dx, float dy)
    {
        Handlers().OnUserEvent(eventActivate, handler);
        m_interface->m_fDeltaX = dx;
        m_interface->m_fDeltaY = dy;
        Handlers().OnUserEvent(eventMouseMove, handler);
        Handlers().OnUserEvent(eventDeactivate, handler);
    }
    ImagePlane &Plane() { return TheCamera().m_cImagePlane; }
    void GiveImagePlaneAnImage() { Plane().m_iImageWidth = Plane().m_iImageHeight = 4; }

    General::NURBSCurve m_curve{3};
};

TEST_F(PlacementTest, EachDragChangesItsSubjectByTheMouseMove)
{
    m_interface->m_cStencil.m_bState = true;
    GiveImagePlaneAnImage();
    m_scene->m_pCurrentCurve = &m_curve;
    m_host.preferences.rotationFactor = 30.0f;
    General::ImagePlacement &stencil = m_interface->m_cStencil.m_cPlacement;
    struct Case {
        const char *handler;
        std::function<float()> read;
        float start, expected;
    };
    const float quarterTurn = 0.25f * 30.0f / 10.0f, tenthPower = std::pow(10.0f, 0.25f);
    // A quarter of the view to the right.
    const Case cases[] = {
        {"Stencil rotate", [&] { return stencil.m_fRotation; }, 0.0f, quarterTurn},
        {"Stencil move", [&] { return stencil.m_fOffsetX; }, 0.0f, 0.5f},
        {"Stencil scale", [&] { return stencil.m_fScale; }, 1.0f, tenthPower},
        {"Stencil scale 2", [&] { return stencil.m_fScale; }, 1.0f, tenthPower},
        {"Image plane rotate", [&] { return Plane().m_fRotation; }, 0.0f, quarterTurn},
        {"Image plane scale", [&] { return Plane().m_fScale; }, 1.0f, tenthPower},
        {"Curve move", [&] { return m_curve.GetOffsetX(); }, 0.0f, 250.0f},
        {"Curve rotate", [&] { return m_curve.GetAngle(); }, 0.0f, quarterTurn},
        {"Curve scale", [&] { return m_curve.GetScale(); }, 1.0f, tenthPower},
        {"Curve scale 2", [&] { return m_curve.GetScale(); }, 1.0f, tenthPower},
    };
    for (const Case &c : cases) {
        m_interface->m_cStencil.m_cPlacement = General::ImagePlacement();
        Plane().m_fRotation = 0.0f;
        Plane().m_fScale = 1.0f;
        m_curve.SetOffset(0, 0);
        m_curve.SetAngle(0);
        m_curve.SetScale(1);
        EXPECT_FLOAT_EQ(c.read(), c.start) << c.handler;
        DragBy(c.handler, 0.25f, 0.0f);
        EXPECT_NEAR(c.read(), c.expected, 1e-5f * std::max(1.0f, c.expected)) << c.handler;
    }
    // The stencil moves up when the mouse goes up.
    m_interface->m_cStencil.m_cPlacement = General::ImagePlacement();
    DragBy("Stencil move", 0.0f, -0.1f);
    EXPECT_NEAR(m_interface->m_cStencil.m_cPlacement.m_fOffsetY, 0.2f, 1e-6f);
}

TEST_F(PlacementTest, WhatStrokesSampleFollowsEachStencilDragAtOnce)
{
    StencilImage &stencil = m_interface->m_cStencil;
    stencil.m_bState = true;
    stencil.m_iWidth = 40;
    stencil.m_iHeight = 20;
    for (const char *handler : {"Stencil rotate", "Stencil move", "Stencil scale", "Stencil scale 2"}) {
        stencil.m_cPlacement = General::ImagePlacement();
        m_interface->UpdateStencil();
        ASSERT_TRUE(stencil.m_bProjected) << handler;
        const General::Matrix before = stencil.m_mScreen;
        DragBy(handler, 0.25f, 0.1f);
        const General::Matrix dragged = stencil.m_mScreen;
        EXPECT_NE(std::memcmp(dragged.m, before.m, sizeof before.m), 0) << handler;
        // Just what a fresh projection of the moved picture gives: nothing waits for the camera.
        m_interface->UpdateStencil();
        EXPECT_EQ(std::memcmp(stencil.m_mScreen.m, dragged.m, sizeof dragged.m), 0) << handler;
    }
}

TEST_F(PlacementTest, WithoutTheirSubjectTheDragsChangeNothing)
{
    for (const char *handler : {"Stencil rotate", "Stencil move", "Stencil scale", "Stencil scale 2",
                                "Image plane rotate", "Image plane move", "Image plane scale", "Image plane zoom",
                                "Curve move", "Curve rotate", "Curve scale", "Curve scale 2"}) {
        DragBy(handler, 0.3f, 0.2f);
        EXPECT_EQ(m_interface->m_cStencil.m_cPlacement.m_fScale, 1.0f) << handler;
        EXPECT_EQ(m_interface->m_cStencil.m_cPlacement.m_fOffsetX, 0.0f) << handler;
        EXPECT_EQ(Plane().m_fOffsetX, 0.0f) << handler;
        EXPECT_EQ(Plane().m_fDepth, 0.0f) << handler;
        EXPECT_TRUE(m_interface->m_bPlacementActive) << handler;
    }
}

TEST_F(PlacementTest, TheImagePlaneMovesTheSameWhereverTheViewIsPanned)
{
    GiveImagePlaneAnImage();
    std::vector<float> moves;
    for (const float pan : {0.0f, 0.6f}) {
        TheCamera().m_a2DXPos.SetValue(pan);
        TheCamera().m_a2DYPos.SetValue(pan * 0.5f);
        Plane().m_fOffsetX = Plane().m_fOffsetY = 0.0f;
        DragBy("Image plane move", 0.1f, 0.05f);
        moves.push_back(Plane().m_fOffsetX);
        moves.push_back(Plane().m_fOffsetY);
    }
    EXPECT_NE(moves[0], 0.0f);
    EXPECT_NEAR(moves[0], moves[2], 1e-6f);
    EXPECT_NEAR(moves[1], moves[3], 1e-6f);
}

TEST_F(PlacementTest, TheImagePlaneZoomNeverGoesBehindTheCamera)
{
    GiveImagePlaneAnImage();
    Plane().m_fDepth = 0.5f;
    DragBy("Image plane zoom", 0.1f, 0.0f);
    EXPECT_GT(Plane().m_fDepth, 0.5f);
    DragBy("Image plane zoom", -5.0f, -5.0f);
    EXPECT_EQ(Plane().m_fDepth, 0.0f);
}

TEST_F(PlacementTest, ThePlacementFlagIsClearedWhileADragIsHeld)
{
    Handlers().OnUserEvent(eventActivate, "Curve move");
    EXPECT_FALSE(m_interface->m_bPlacementActive);
    Handlers().OnUserEvent(eventDeactivate, "Curve move");
    EXPECT_TRUE(m_interface->m_bPlacementActive);
}

TEST_F(PlacementTest, DrawPrefersTheGizmoThenTheEditedCurveThenTheBrush)
{
    CurveEdit edit(&m_curve);
    m_scene->m_pCurrentCurve = &m_curve;
    m_host.curveEdit = &edit;
    Brush translate{"Translate", Operations::kTranslateTool};
    m_interface->ApplyTrayItem(&translate, false);
    ASSERT_NE(m_interface->GetManipulator(), nullptr);
    EXPECT_EQ(Handlers().OnUserEvent(eventActivate, "Draw"), m_interface->GetManipulator());

    // Without the gizmo a press goes to the curve (a point) and starts no stroke.
    m_interface->ApplyTrayItem(&m_tool, false);
    ASSERT_EQ(m_interface->GetManipulator(), nullptr);
    const std::vector<char> before = Bytes(*m_object);
    EXPECT_EQ(Handlers().OnUserEvent(eventActivate, "Draw"), nullptr);
    EXPECT_EQ(m_interface->m_pCurrentOperation, nullptr);
    EXPECT_EQ(Bytes(*m_object), before);

    // No curve edited: a brush stroke.
    m_host.curveEdit = nullptr;
    Function *tool = Handlers().OnUserEvent(eventActivate, "Draw");
    EXPECT_NE(dynamic_cast<Brusher *>(tool), nullptr);
    m_interface->ToolEnded(tool);
}
