// Tool and falloff choice, brush size and strength steps and "Temporary smooth".
#include "InteractionFixtures.h"
#include "StrokeFixtures.h"

#include "interaction/tools/Brusher.h"
#include "interaction/tools/RectangleSelector.h"
#include "operations/Operation.h"

#include <cmath>
#include <memory>

// The slots act through the trays: a tap selects for good, a held key only while held.
TEST_F(InteractionTest, ToolAndFalloffSlotsActThroughTheTrays)
{
    const struct {
        const char *handler;
        std::vector<int> events;
        QStringList calls;
    } cases[] = {
        {"Tool slot 3", {eventActivate, eventDeactivate}, {"select My Tools 3", "restore My Tools"}},
        {"Tool slot 3", {eventActivate, eventRepeat, eventDeactivate},
         {"select My Tools 3", "mark My Tools", "restore My Tools"}},
        {"Tool slot 9", {eventMenuCommand}, {"select My Tools 9", "restore My Tools"}},
        {"Falloff slot 2", {eventActivate, eventRepeat, eventDeactivate}, {"select Falloff 2"}},
        {"Falloff slot 5", {eventMenuCommand}, {"select Falloff 5"}},
        // Before any falloff change the last index is -1.
        {"Last falloff", {eventActivate, eventDeactivate}, {"check Falloff -1"}},
    };
    for (const auto &c : cases) {
        m_host.trayCalls.clear();
        for (int event : c.events)
            EXPECT_EQ(Handlers().OnUserEvent(event, c.handler), nullptr);
        EXPECT_EQ(m_host.trayCalls, c.calls) << c.handler;
    }
    m_interface->m_iLastFalloff = 4;
    m_host.trayCalls.clear();
    Handlers().OnUserEvent(eventMenuCommand, "Last falloff");
    EXPECT_EQ(m_host.trayCalls, QStringList{"check Falloff 4"});
}

class BrushCommandsTest : public StrokeTest {
protected:
    void SetUp() override
    {
        StrokeTest::SetUp();
        Brush::Tools().clear();
        CreateDefaultTools();
    }
    void TearDown() override
    {
        m_interface->m_pCurrentTool = &m_tool;
        Brush::Tools().clear();
        StrokeTest::TearDown();
    }
    Function *Run(int event, const char *handler) { return m_interface->m_cEventHandler.OnUserEvent(event, handler); }
};

TEST_F(BrushCommandsTest, SizeAndStrengthSteps)
{
    Brush &tool = m_tool;
    tool.m_fSetting1 = tool.m_fSetting2 = 0.1f;
    tool.m_fSizeMaximum = tool.m_fStrengthMaximum = 100.0f;
    const struct {
        const char *handler;
        float from, to;
    } cases[] = {
        {"Scale brush up", 0.005f, 0.02f},
        {"Scale brush up", 95.0f, 100.0f},
        {"Scale brush up", 100.0f, 100.0f},
        {"Scale brush up", 10.0f, 11.0f},
        {"Scale brush down", 10.0f, 9.0f},
        {"Higher brush strength", 0.01f, 0.02f},
        {"Higher brush strength", 95.0f, 100.0f},
        {"Lower brush strength", 10.0f, 9.0f},
    };
    for (const auto &c : cases) {
        const bool size = QByteArray(c.handler).contains("Scale");
        size ? tool.SetSize(c.from) : tool.SetStrength(c.from);
        Run(eventActivate, c.handler);
        EXPECT_NEAR(size ? tool.GetSize() : tool.GetStrength(), c.to, 1e-4f) << c.handler << " from " << c.from;
        Run(eventDeactivate, c.handler);
    }
    // Five downs from 25; a menu command does not step.
    tool.SetSize(25.0f);
    for (int i = 0; i < 5; ++i)
        Run(i == 0 ? eventActivate : eventRepeat, "Scale brush down");
    EXPECT_NEAR(tool.GetSize(), 25.0f * std::pow(0.9f, 5.0f), 1e-4f);
    Run(eventMenuCommand, "Scale brush down");
    EXPECT_NEAR(tool.GetSize(), 25.0f * std::pow(0.9f, 5.0f), 1e-4f);

    // A held strength key keeps stepping and shows the indicator until released.
    tool.SetStrength(50.0f);
    Run(eventActivate, "Lower brush strength");
    Run(eventRepeat, "Lower brush strength");
    EXPECT_TRUE(m_interface->m_bStrengthLine);
    EXPECT_NEAR(tool.GetStrength(), 50.0f * 0.81f, 1e-4f);
    Run(eventDeactivate, "Lower brush strength");
    EXPECT_FALSE(m_interface->m_bStrengthLine);
}

TEST_F(BrushCommandsTest, AHeldToolKeyReturnsToThePreviousTool)
{
    Brush *soft = Brush::FindByType(Operations::kSoftBrush);
    Brush *smooth = Brush::FindByType(Operations::kSmooth);
    ASSERT_TRUE(soft && smooth);
    m_interface->ApplyTrayItem(soft, false);
    // Held until it repeats: back to Soft on release.
    Run(eventActivate, "Smooth brush");
    EXPECT_EQ(m_interface->m_pCurrentTool, smooth);
    Run(eventRepeat, "Smooth brush");
    Run(eventDeactivate, "Smooth brush");
    EXPECT_EQ(m_interface->m_pCurrentTool, soft);
    // Tapped: Smooth stays.
    Run(eventActivate, "Smooth brush");
    Run(eventDeactivate, "Smooth brush");
    EXPECT_EQ(m_interface->m_pCurrentTool, smooth);
    // Each command finds its tool; "Stamp brush" by name.
    const struct {
        const char *handler;
        const char *tool;
    } tools[] = {{"Soft brush", "Soft"},   {"Scratch brush", "Scratch"}, {"Move brush", "Move"},
                 {"Pinch brush", "Pinch"}, {"Bulge brush", "Bulge"},     {"Select faces brush", "Faces"},
                 {"Freeze", "Freeze"},     {"Paint layer mask", "Mask"}, {"Flatten brush", "Flatten"},
                 {"Stamp brush", "Stamp"}, {"Select object brush", "Objects"}};
    for (const auto &t : tools) {
        Run(eventActivate, t.handler);
        ASSERT_TRUE(m_interface->m_pCurrentTool) << t.handler;
        EXPECT_EQ(m_interface->m_pCurrentTool->m_sName, QLatin1String(t.tool)) << t.handler;
        Run(eventDeactivate, t.handler);
    }
}

TEST_F(BrushCommandsTest, TemporarySmoothByToolGroup)
{
    Brush *soft = Brush::FindByType(Operations::kSoftBrush);
    ASSERT_TRUE(soft);
    m_interface->ApplyTrayItem(soft, false);
    EXPECT_EQ(Run(eventActivate, "Temporary smooth"), nullptr);
    ASSERT_TRUE(m_interface->m_pCurrentTool);
    EXPECT_EQ(m_interface->m_pCurrentTool->m_iType, Operations::kSmooth);
    EXPECT_TRUE(m_interface->m_bTemporaryTool);
    Run(eventDeactivate, "Temporary smooth");
    EXPECT_EQ(m_interface->m_pCurrentTool, soft);
    EXPECT_EQ(m_host.continuousCalls, (std::vector<bool>{false, true}));

    // A selection tool gets a gesture tool of its own, which the controller owns and lets
    // go at the release (the leak check at exit sees one that nobody deletes).
    Brush *faces = Brush::FindByType(Operations::kSelectFace);
    ASSERT_TRUE(faces);
    m_interface->ApplyTrayItem(faces, false);
    for (const int mode : {0, 1}) {
        m_host.preferences.selectionMode = mode;
        EventHandler &handlers = m_interface->m_cEventHandler;
        handlers.ActivateHandler(handlers.FindHandlerByName("Temporary smooth"));
        Function *tool = handlers.GetCurrentTool();
        EXPECT_EQ(dynamic_cast<RectangleSelector *>(tool) != nullptr, mode == 1);
        EXPECT_EQ(dynamic_cast<Brusher *>(tool) != nullptr, mode == 0);
        handlers.DeactivateHandlers(false);
        EXPECT_EQ(handlers.GetCurrentTool(), nullptr);
    }

    // A transform tool: nothing on press or release.
    Brush *transform = nullptr;
    for (const auto &t : Brush::Tools())
        if (t->m_sGroup == QLatin1String("transform"))
            transform = t.get();
    ASSERT_TRUE(transform);
    m_interface->ApplyTrayItem(transform, false);
    m_host.continuousCalls.clear();
    EXPECT_EQ(Run(eventActivate, "Temporary smooth"), nullptr);
    Run(eventDeactivate, "Temporary smooth");
    EXPECT_EQ(m_interface->m_pCurrentTool, transform);
    EXPECT_TRUE(m_host.continuousCalls.empty());
}

// Both drags measure at the depth of the hit, projecting it first when none was taken: a
// strength drag at depth 0 would measure at the near plane.
TEST_F(BrushCommandsTest, DragsDropToHalfTheViewAtTheHitsDepth)
{
    const General::Vector centre(float(kN) / 2.0f, float(kN) / 2.0f, 0.0f);
    float cx = 0.0f, cy = 0.0f, rx = 0.0f, ry = 0.0f;
    TheCamera().Project(centre, cx, cy);
    TheCamera().Project(centre + General::Vector(1, 0, 0), rx, ry);
    const float pixelsPerUnit = std::fabs(rx - cx);
    ASSERT_GT(pixelsPerUnit, 0.0f);
    ASSERT_TRUE(m_host.PickInto(m_interface->m_cPicker, cx + 0.37f, cy + 0.21f)) << cx << " " << cy;
    m_tool.m_fSizeMaximum = m_tool.m_fStrengthMaximum = 10000.0f;

    const struct {
        const char *handler;
        float dx, dy;
        float viewHalf;  // pixels
    } cases[] = {
        {"Change brush size", -0.01f, 0.0f, 0.5f * PickingInteraction::kWidth},
        {"Change brush strength", 0.0f, 0.01f, 0.5f * PickingInteraction::kHeight},
    };
    for (const auto &c : cases) {
        const bool size = QByteArray(c.handler).contains("size");
        size ? m_tool.SetSize(5000.0f) : m_tool.SetStrength(5000.0f);
        m_interface->m_fMouseDepth = 0.0f;
        Run(eventActivate, c.handler);
        EXPECT_TRUE(m_interface->m_bHoverSuspended);
        m_interface->m_fDeltaX = c.dx;
        m_interface->m_fDeltaY = c.dy;
        Run(eventMouseMove, c.handler);
        const float value = size ? m_tool.GetSize() : m_tool.GetStrength();
        EXPECT_NEAR(value, c.viewHalf / pixelsPerUnit, 0.01f * c.viewHalf / pixelsPerUnit) << c.handler;
        EXPECT_GT(m_interface->m_fMouseDepth, 0.0f);
        // Then it shrinks smoothly, never below 0.
        for (int i = 0; i < 200; ++i)
            Run(eventMouseMove, c.handler);
        EXPECT_EQ(size ? m_tool.GetSize() : m_tool.GetStrength(), 0.0f) << c.handler;
        Run(eventDeactivate, c.handler);
        EXPECT_FALSE(m_interface->m_bHoverSuspended);
        EXPECT_FALSE(m_interface->m_bStrengthLine);
    }
    // The face-selection tool takes no strength drag.
    Brush faces{"Faces", Operations::kSelectFace};
    faces.SetStrength(7.0f);
    m_interface->m_pCurrentTool = &faces;
    m_interface->m_fDeltaY = 0.5f;
    Run(eventMouseMove, "Change brush strength");
    EXPECT_EQ(faces.GetStrength(), 7.0f);
}
