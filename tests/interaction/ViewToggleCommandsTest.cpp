#include "ViewCommandsFixture.h"

#include "foundation/curves/NURBSCurve.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "scene/Brush.h"
#include "support/MeshFixtures.h"

namespace {

struct ToggleCase {
    const char *handler;
    bool ViewToggles::*flag;
    const char *log;  // the line's words before the state
};

const ToggleCase kToggles[] = {
    {"Toggle light", &ViewToggles::m_bLighting, "Toggle light"},
    {"Toggle 2-sided light", &ViewToggles::m_bTwoSidedLight, "Toggle 2-sided light"},
    {"Toggle wireframe", &ViewToggles::m_bWireframe, "Toggle wireframe"},
    {"Toggle point render", &ViewToggles::m_bPoints, "Toggle point rendering"},
    {"Toggle shading", &ViewToggles::m_bSmoothShade, "Toggle shading"},
    {"Toggle culling", &ViewToggles::m_bCulling, "Toggle cull"},
    {"Toggle grid display", &ViewToggles::m_bGrid, "Toggle grid"},
    {"Toggle object display", &ViewToggles::m_bShowMeshes, "Toggle show objects"},
    {"Toggle curve display", &ViewToggles::m_bShowCurves, "Toggle show curves"},
    {"Toggle cube display", &ViewToggles::m_bShowOctree, "Toggle show cubes"},
    {"Toggle selection highlight", &ViewToggles::m_bSelectionHighlight, "Toggle selection highlight"},
    {"Toggle gradient background", &ViewToggles::m_bGradientBackground, "Toggle gradient background"},
};

TEST_F(ViewCommandTest, EachDisplayToggleFlipsItsFlagLogsTheNewStateAndUpdatesTheMenu)
{
    for (const ToggleCase &toggle : kToggles) {
        SCOPED_TRACE(toggle.handler);
        const bool before = m_view.toggles.*toggle.flag;
        const ViewToggles others = [&] {
            ViewToggles t = m_view.toggles;
            t.*toggle.flag = !before;
            return t;
        }();
        const int menus = m_host.displayMenuUpdates;
        const int repaints = m_host.repaints;
        Recorder().log.clear();

        EXPECT_EQ(Send(eventActivate, toggle.handler), nullptr);
        EXPECT_EQ(m_view.toggles, others);  // this flag alone changed
        EXPECT_EQ(Recorder().log, QStringLiteral("%1 %2\n").arg(toggle.log, !before ? "on" : "off"));
        EXPECT_EQ(m_host.displayMenuUpdates, menus + 1);
        EXPECT_EQ(m_host.repaints, repaints + 1);

        // The release does nothing; the menu's run flips it back.
        Send(eventDeactivate, toggle.handler);
        Send(eventMouseMove, toggle.handler);
        EXPECT_EQ(m_view.toggles.*toggle.flag, !before);
        m_interface->RunCommand(toggle.handler);
        EXPECT_EQ(m_view.toggles.*toggle.flag, before);
        EXPECT_TRUE(Recorder().LogContains(QStringLiteral("%1 %2\n").arg(toggle.log, before ? "on" : "off")));
    }
}

TEST_F(ViewCommandTest, LightStartsOnSoTheFirstPressLogsOff)
{
    m_interface->RunCommand("Toggle light");
    m_interface->RunCommand("Toggle light");
    EXPECT_EQ(Recorder().log, QStringLiteral("Toggle light off\nToggle light on\n"));
}

TEST_F(ViewCommandTest, HidingCurvesEndsTheEditOfTheCurrentCurveEitherWay)
{
    General::NURBSCurve curve(2, true);
    m_scene->m_pCurrentCurve = &curve;
    for (int press = 0; press < 2; ++press) {
        curve.SetBeingEdited(true);
        m_interface->RunCommand("Toggle curve display");
        EXPECT_FALSE(curve.IsBeingEdited());
    }
    EXPECT_TRUE(m_view.toggles.m_bShowCurves);
    m_scene->m_pCurrentCurve = nullptr;
}

TEST_F(ViewCommandTest, TexturesSwitchAsAGroupAndObjectsWithoutMaterialArePassedOver)
{
    Surface::Material shown, hidden;
    shown.m_aShowTextures.SetValue(true, true);
    hidden.m_aShowTextures.SetValue(false, true);
    Object *first = fixtures::MakeCube<Object>().release();
    Object *second = fixtures::MakeCube<Object>().release();
    Object *bare = fixtures::MakeCube<Object>().release();
    m_scene->AddObject(first);
    m_scene->AddObject(bare);
    m_scene->AddObject(second);
    first->m_aMaterial.SetValue(&shown, true);
    second->m_aMaterial.SetValue(&hidden, true);
    bare->m_aMaterial.SetValue(nullptr, true);
    m_view.toggles.m_bTextures = true;

    // They disagree: all on, and the log tells the materials' state, not the view's flag.
    m_interface->RunCommand("Toggle show textures");
    EXPECT_TRUE(shown.m_aShowTextures.GetValue());
    EXPECT_TRUE(hidden.m_aShowTextures.GetValue());
    EXPECT_EQ(Recorder().log, QStringLiteral("Toggle show textures: the materials' textures on\n"));
    // All on: all off, whatever the view-wide flag says.
    m_interface->RunCommand("Toggle show textures");
    EXPECT_FALSE(shown.m_aShowTextures.GetValue());
    EXPECT_FALSE(hidden.m_aShowTextures.GetValue());
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("Toggle show textures: the materials' textures off\n")));
    EXPECT_EQ(m_host.displayMenuUpdates, 2);

    // Two objects sharing one material.
    second->m_aMaterial.SetValue(&shown, true);
    m_interface->RunCommand("Toggle show textures");
    EXPECT_TRUE(shown.m_aShowTextures.GetValue());

    first->m_aMaterial.SetValue(nullptr, true);
    second->m_aMaterial.SetValue(nullptr, true);
}

TEST_F(ViewCommandTest, TexturesWithoutObjectsChangeNothingButStillLogAndRedraw)
{
    m_interface->RunCommand("Toggle show textures");
    // Nothing was switched, and the log does not claim otherwise.
    EXPECT_EQ(Recorder().log, QStringLiteral("Toggle show textures: no material to switch\n"));
    EXPECT_EQ(m_host.displayMenuUpdates, 1);
    EXPECT_EQ(m_host.repaints, 1);
}

TEST_F(ViewCommandTest, BrushSwitchesFlipOnTheCurrentToolAndRefreshTheBrushPage)
{
    Brush tool(QStringLiteral("Standard"), 1);
    m_interface->m_pCurrentTool = &tool;
    const bool orient = tool.m_bOrientToSurface, through = tool.m_bProjectThrough;
    m_interface->RunCommand("Toggle orient to surface");
    EXPECT_EQ(tool.m_bOrientToSurface, !orient);
    EXPECT_EQ(tool.m_bProjectThrough, through);
    EXPECT_EQ(m_host.repaints, 1);  // the ring's shape changes at once
    m_interface->RunCommand("Toggle project through");
    EXPECT_EQ(tool.m_bProjectThrough, !through);
    EXPECT_EQ(m_host.repaints, 1);
    EXPECT_EQ(m_host.brushPageRefreshes, 2);
    EXPECT_TRUE(m_host.shown.empty());  // a refresh only: no other page becomes the brush page
    EXPECT_EQ(m_host.displayMenuUpdates, 0);
    EXPECT_EQ(Recorder().log, QStringLiteral("Toggle orient to surface %1\nToggle project through %2\n")
                                  .arg(orient ? "off" : "on", through ? "off" : "on"));
    m_interface->m_pCurrentTool = nullptr;
}

TEST_F(ViewCommandTest, StencilAndStampTogglesNeedTheirImage)
{
    m_interface->RunCommand("Toggle stencil visibility");
    m_interface->RunCommand("Toggle stamp");
    EXPECT_TRUE(m_view.stencilShown);
    EXPECT_TRUE(m_view.stampActive);
    EXPECT_EQ(m_host.repaints, 0);
    EXPECT_TRUE(m_host.shown.empty());
    EXPECT_TRUE(Recorder().log.isEmpty());

    m_view.stencilLoaded = m_view.stampLoaded = true;
    m_interface->RunCommand("Toggle stencil visibility");
    EXPECT_FALSE(m_view.stencilShown);
    EXPECT_EQ(m_host.repaints, 1);
    m_interface->RunCommand("Toggle stamp");
    EXPECT_FALSE(m_view.stampActive);
    EXPECT_EQ(m_host.repaints, 1);  // the stamp is not drawn in the view
    EXPECT_EQ(m_host.shown.size(), 1u);  // the stencil page
    EXPECT_EQ(m_host.brushPageRefreshes, 1);
    EXPECT_TRUE(Recorder().log.isEmpty());
}

TEST_F(ViewCommandTest, TheControllersStampWithoutAnImageStaysAsItIs)
{
    ViewCommandHost::Install(nullptr);
    m_interface->m_cStamp.m_bEnabled = true;
    m_interface->RunCommand("Toggle stamp");
    EXPECT_TRUE(m_interface->m_cStamp.m_bEnabled);
    EXPECT_TRUE(m_host.shown.empty());
}

TEST_F(ViewCommandTest, SpeedReviewRebuildsEveryLevelsBuffersOnEachPress)
{
    Object *object = fixtures::MakeCube<Object>().release();
    m_scene->AddObject(object);
    for (int press = 1; press <= 2; ++press) {
        m_interface->RunCommand("Speed review mode");
        EXPECT_EQ(m_view.videoBufferRequests, press);
    }
    EXPECT_TRUE(Recorder().log.isEmpty());
    EXPECT_EQ(m_host.repaints, 0);
}

}  // namespace
