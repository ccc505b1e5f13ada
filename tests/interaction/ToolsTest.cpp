// The tools the buttons make, the rubber band, tool choice and the brush cursor.
#include "StrokeFixtures.h"

#include "interaction/tools/BrushCursor.h"
#include "interaction/tools/Brusher.h"
#include "interaction/tools/Manipulator.h"
#include "interaction/tools/RectangleSelector.h"
#include "interaction/tools/ToolOverlayHost.h"
#include "operations/Operation.h"

using General::Vector;

class ToolsTest : public StrokeTest {
protected:
    void SetUp() override
    {
        StrokeTest::SetUp();
        m_select.m_falloff = General::NURBSCurve(3);
    }
    // Whether the handler starts a tool of that class, and the tool's mode (-1 for another class).
    template <class T>
    int Started(const char *handler)
    {
        Function *tool = Handlers().OnUserEvent(eventActivate, handler);
        const auto *typed = dynamic_cast<T *>(tool);
        const int mode = typed ? typed->GetMode() : -1;
        if (tool)
            m_interface->ToolEnded(tool);
        return mode;
    }
    EventHandler &Handlers() { return m_interface->m_cEventHandler; }
    // A rectangle dragged between two view positions, by the tool alone.
    std::vector<unsigned> Rectangle(float x0, float y0, float x1, float y1)
    {
        Interface::Get()->m_pCurrentTool = &m_select;
        RectangleSelector selector(0);
        selector.OnBegin(x0, y0);
        selector.OnEnd(x1, y1);
        std::vector<unsigned> faces = SelectedFaces(*m_object);
        m_scene->ClearSelection();
        return faces;
    }

    Brush m_select{"Select", Operations::kSelectFace};
    Brush m_selectObject{"Objects", Operations::kSelectObject};
};

TEST_F(ToolsTest, TheDrawAndRectangleHandlersSwapRolesOnlyForRectangleFaceSelection)
{
    struct Case {
        int selectionMode;
        Brush *tool;
        bool drawPaints;
    };
    const Case cases[] = {{0, &m_tool, true}, {0, &m_select, true}, {1, &m_tool, true}, {1, &m_select, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.selectionMode << " " << c.tool->m_iType);
        m_host.preferences.selectionMode = c.selectionMode;
        m_interface->m_pCurrentTool = c.tool;
        EXPECT_EQ(Started<Brusher>("Draw") >= 0, c.drawPaints);
        EXPECT_EQ(Started<RectangleSelector>("Draw") >= 0, !c.drawPaints);
        EXPECT_EQ(Started<Brusher>("Draw inverse") >= 0, c.drawPaints);
        for (const char *name : {"Rectangular select", "Rectangular unselect", "Rectangular toggle"})
            EXPECT_EQ(Started<RectangleSelector>(name) >= 0, c.drawPaints) << name;
    }
    // The modes the handlers give.
    m_host.preferences.selectionMode = 0;
    m_interface->m_pCurrentTool = &m_tool;
    EXPECT_EQ(Started<Brusher>("Draw"), 0);
    EXPECT_EQ(Started<Brusher>("Draw inverse"), 2);
    EXPECT_EQ(Started<RectangleSelector>("Rectangular select"), 0);
    EXPECT_EQ(Started<RectangleSelector>("Rectangular toggle"), 1);
    EXPECT_EQ(Started<RectangleSelector>("Rectangular unselect"), 2);
}

TEST_F(ToolsTest, ARectangleSelectsTheSameFacesWhicheverCornerItStartsFrom)
{
    const std::vector<unsigned> forward = Rectangle(0.4f, 0.3f, 0.6f, 0.7f);
    EXPECT_FALSE(forward.empty());
    EXPECT_LT(forward.size(), size_t(kN * kN));
    EXPECT_EQ(Rectangle(0.6f, 0.7f, 0.4f, 0.3f), forward);
    EXPECT_EQ(Rectangle(0.4f, 0.7f, 0.6f, 0.3f), forward);
}

TEST_F(ToolsTest, ARectangleWithASculptBrushDoesNothingAndHidesTheCursor)
{
    m_interface->m_pCurrentTool = &m_tool;
    ToolOverlayHost overlays;
    RectangleSelector selector(0);
    selector.OnBegin(0.1f, 0.1f);
    EXPECT_FALSE(selector.IsActive());
    // The view sees a selection in progress, so it draws no brush cursor, and no band.
    General::Rect2D box;
    ASSERT_TRUE(overlays.GetSelectionBox(box));
    EXPECT_LT(box.x1, 0.0f);
    selector.OnMove(0.9f, 0.9f);
    selector.OnEnd(0.9f, 0.9f);
    EXPECT_TRUE(SelectedFaces(*m_object).empty());
    EXPECT_TRUE(m_services.selections.empty());
    EXPECT_FALSE(overlays.GetSelectionBox(box));
}

TEST_F(ToolsTest, AStencilThatHidesWhenSculptingLeavesThePictureOnlyWhileAStrokeRuns)
{
    m_interface->m_pCurrentTool = &m_tool;
    StencilImage &stencil = m_interface->m_cStencil;
    ToolOverlayHost overlays;
    OverlayTexture texture;
    for (const bool hide : {true, false}) {
        SCOPED_TRACE(hide);
        stencil.m_bState = true;
        stencil.m_cSettings.hideWhenSculpt = hide;
        Brusher brush(0);
        brush.OnBegin(0.5f, 0.5f);
        EXPECT_EQ(stencil.m_bHiddenForStroke, hide);
        if (hide)
            EXPECT_FALSE(overlays.GetStencil(texture));
        brush.OnMove(0.55f, 0.5f);
        EXPECT_EQ(stencil.m_bHiddenForStroke, hide);
        EXPECT_TRUE(stencil.m_bState);  // still on: strokes keep sampling it
        brush.OnEnd(0.55f, 0.5f);
        EXPECT_FALSE(stencil.m_bHiddenForStroke);
    }
    // An inactive stencil is never marked.
    stencil.m_bState = false;
    stencil.m_cSettings.hideWhenSculpt = true;
    Brusher brush(0);
    brush.OnBegin(0.5f, 0.5f);
    EXPECT_FALSE(stencil.m_bHiddenForStroke);
    brush.OnEnd(0.5f, 0.5f);
}

TEST_F(ToolsTest, AClickOnEmptyBackgroundClearsTheSelectionOnlyInRectangleMode)
{
    for (const int mode : {0, 1}) {
        SelectFace(*m_object, 3);
        m_host.preferences.selectionMode = mode;
        m_interface->m_pCurrentTool = &m_select;
        m_interface->m_cPicker.Clear();
        RectangleSelector selector(0);
        selector.OnBegin(0.01f, 0.01f);
        EXPECT_EQ(SelectedFaces(*m_object).empty(), mode == 1) << mode;
        selector.OnEnd(0.01f, 0.01f);
        m_scene->ClearSelection();
    }
}

TEST_F(ToolsTest, ChoosingAToolSetsItsStampFalloffAndRingAndAgainOnlyRefreshesThePanel)
{
    Brush other{"Other", Operations::kSoftBrush};
    other.m_iStampSetting = 1;
    CreateDefaultFalloffs();
    ASSERT_GT(Brush::Falloffs().size(), 2u);
    Recorder().statusMessages.clear();
    m_interface->ApplyTrayItem(&other, false);
    EXPECT_EQ(m_interface->m_pCurrentTool, &other);
    EXPECT_EQ(m_interface->m_pPreviousTool, &m_tool);
    EXPECT_EQ(Recorder().statusMessages.last(), "Other brush selected");
    // The pending falloff applied and the trays follow.
    EXPECT_EQ(other.m_iFinalSetting, 1);
    EXPECT_EQ(other.m_iStampSetting, -1);
    EXPECT_TRUE(m_host.trayChecks.contains("Tool:Other"));
    EXPECT_TRUE(m_host.trayChecks.contains("Falloff:1"));
    EXPECT_FALSE(m_interface->m_cStamp.IsPresent());

    // Again: the panel only.
    const int refreshes = m_host.brushPageRefreshes;
    m_host.trayChecks.clear();
    m_interface->ApplyTrayItem(&other, true);
    EXPECT_EQ(m_host.brushPageRefreshes, refreshes + 1);
    EXPECT_TRUE(m_host.trayChecks.isEmpty());
    EXPECT_EQ(m_interface->m_pPreviousTool, &m_tool);

    // The object-selection tool hides the ring.
    m_interface->ApplyTrayItem(&m_selectObject, false);
    EXPECT_FALSE(m_interface->m_bBrushCursor);
    m_interface->ApplyTrayItem(&other, false);
    EXPECT_TRUE(m_interface->m_bBrushCursor);

    // A temporary tool goes back to the one before.
    m_interface->ApplyTrayItem(&m_select, false);
    m_interface->m_bTemporaryTool = true;
    m_interface->ApplyTrayItem(nullptr, false);
    EXPECT_EQ(m_interface->m_pCurrentTool, &other);
}

TEST_F(ToolsTest, SelectingTheCurrentFalloffKeepsTheLastOne)
{
    CreateDefaultFalloffs();
    const int count = int(Brush::Falloffs().size());
    m_tool.m_iFinalSetting = 2;
    m_interface->SelectFalloff(4);
    EXPECT_EQ(m_tool.m_iFinalSetting, 4);
    EXPECT_EQ(m_interface->m_iLastFalloff, 2);
    EXPECT_TRUE(m_tool.m_falloff.GetSamples().HasItems());
    for (const int index : {4, -1, count}) {
        m_interface->SelectFalloff(index);
        EXPECT_EQ(m_tool.m_iFinalSetting, 4) << index;
        EXPECT_EQ(m_interface->m_iLastFalloff, 2) << index;
    }
}

TEST_F(ToolsTest, TheCursorIsARingAtThePickOrAMarkerWhereNoRingApplies)
{
    MoveTo(Vector(4.3f, 4.2f, 0));
    ASSERT_GT(m_interface->m_cPicker.GetPickCount(), 0);
    const auto count = [](const std::vector<CursorShape> &shapes, bool pixels) {
        return std::count_if(shapes.begin(), shapes.end(), [pixels](const CursorShape &s) {
            return s.kind == CursorShape::kCircle && s.pixels == pixels;
        });
    };
    std::vector<CursorShape> shapes = BuildBrushCursor(*m_interface, 0, 200, 100);
    // The ring in the world around the pick, with the tool's size, and the marker.
    EXPECT_EQ(count(shapes, false), 1);
    EXPECT_EQ(count(shapes, true), 1);
    for (const CursorShape &s : shapes)
        if (!s.pixels) {
            EXPECT_FLOAT_EQ(s.radius, m_tool.GetSize());
            EXPECT_NEAR(s.centre.x, 4.3f, 0.05f);
            EXPECT_EQ(s.segments, 64);
        }
    // No mirrored pick: nothing for side 1.
    EXPECT_TRUE(BuildBrushCursor(*m_interface, 1, 200, 100).empty());
    // A size of 0 has no logarithm; the ring keeps its 64 segments.
    m_tool.m_aPairs[0].size = 0.0f;
    for (const CursorShape &s : BuildBrushCursor(*m_interface, 0, 200, 100))
        EXPECT_GE(s.segments, 16);
    // The object-selection tool: only the small circle.
    m_interface->ApplyTrayItem(&m_selectObject, false);
    shapes = BuildBrushCursor(*m_interface, 0, 200, 100);
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_FLOAT_EQ(shapes[0].radius, 3.0f);
    // Off the mesh: a small square.
    m_interface->ApplyTrayItem(&m_tool, false);
    m_interface->m_cPicker.Clear();
    shapes = BuildBrushCursor(*m_interface, 0, 200, 100);
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0].kind, CursorShape::kSquare);
}
