#include "InteractionFixtures.h"

using Dispatch = InteractionTest;

TEST_F(Dispatch, CurrentToolTakesMovesAndReleaseAndSwallowsEverythingElse)
{
    Watch("Draw", true);
    Watch("Undo");
    m_interface->m_fMouseX = 0.25f;
    m_interface->m_fMouseY = 0.75f;
    Handlers().ActivateByCode(0x100);
    EXPECT_STREQ(Active(), "Draw");
    ASSERT_NE(Handlers().GetCurrentTool(), nullptr);
    EXPECT_EQ(Recorder().statusMessages, QStringList{QString()});  // the old text is cleared
    EXPECT_EQ(m_interface->m_fActivationX, 0.25f);

    EXPECT_EQ(Handlers().OnUserEvent(eventMenuCommand, "Undo"), nullptr);
    m_interface->m_fMouseX = 0.5f;
    EXPECT_EQ(Handlers().OnUserEvent(eventMouseMove, "Draw"), nullptr);
    Handlers().DeactivateHandlers(false);
    EXPECT_EQ(m_toolLog, (QStringList{"begin 0.25 0.75", "move 0.5 0.75", "end 0.5 0.75"}));
    EXPECT_EQ(m_events, QStringList{"Draw 1"});  // no body ran while the tool was current
    EXPECT_EQ(Handlers().GetCurrentTool(), nullptr);

    Handlers().OnUserEvent(eventMenuCommand, "Undo");
    EXPECT_EQ(m_events, (QStringList{"Draw 1", "Undo 5"}));
}

TEST_F(Dispatch, ActivationRules)
{
    Watch("Draw");
    Handler *draw = Handlers().FindHandlerByName("Draw");
    draw->m_iKey = 0;  // unbound by the user: never activated through a key
    Handlers().ActivateHandler(draw);
    Handlers().ActivateHandler(nullptr);
    EXPECT_TRUE(m_events.isEmpty());
    EXPECT_TRUE(Recorder().statusMessages.isEmpty());
    EXPECT_EQ(Handlers().m_pActiveHandler, nullptr);

    // The same code given twice: the name that sorts first wins, whatever the registration order.
    Watch("Bulge brush");
    Watch("Speed review mode");
    Handlers().FindHandlerByName("Bulge brush")->m_iKey = 0x20;
    Handlers().ActivateByCode(0x20);
    EXPECT_EQ(m_events, QStringList{"Bulge brush 1"});
    EXPECT_STREQ(Sticky(), "Bulge brush");
    EXPECT_STREQ(Active(), "");
}

TEST_F(Dispatch, StickyHandlerIsReleasedOnlyWhenAskedAndDrivesItsTray)
{
    Handlers().ActivateByCode(0x33);
    EXPECT_STREQ(Sticky(), "Tool slot 3");
    Handlers().DeactivateHandlers(false);
    EXPECT_STREQ(Sticky(), "Tool slot 3");
    Handlers().OnUserEvent(eventRepeat, "Tool slot 3");
    Handlers().DeactivateHandlers(true);
    EXPECT_STREQ(Sticky(), "");
    EXPECT_EQ(m_host.trayCalls, (QStringList{"select My Tools 3", "mark My Tools", "restore My Tools"}));

    m_host.trayCalls.clear();
    Handlers().OnUserEvent(eventMenuCommand, "Tool slot 9");
    EXPECT_EQ(m_host.trayCalls, (QStringList{"select My Tools 9", "restore My Tools"}));
}

TEST_F(Dispatch, BodyAnsweringReleaseWithAToolIsReportedAndStillReleased)
{
    Recorder().ExpectAssertionFailures();
    RecordingTool stray(m_toolLog);
    Handlers().SetBody("Pan", [&stray](int event) -> Function * { return event == eventDeactivate ? &stray : nullptr; });
    Handlers().ActivateByCode(0x10200);
    EXPECT_STREQ(Active(), "Pan");
    Handlers().DeactivateHandlers(false);
    EXPECT_STREQ(Active(), "");
    EXPECT_TRUE(Recorder().LogContains("OnUserEvent( eventDeactivate, m_pActiveHandler->m_sID ) == 0"));
}

TEST_F(Dispatch, UnknownNamesAndUnansweredEventsDoNothing)
{
    EXPECT_EQ(Handlers().OnUserEvent(eventMenuCommand, "No such command"), nullptr);
    EXPECT_EQ(Handlers().OnUserEvent(eventMenuCommand, nullptr), nullptr);
    EXPECT_EQ(Handlers().OnUserEvent(eventMenuOption, "Undo"), nullptr);
    m_interface->RunCommand("No such command");
    EXPECT_EQ(Handlers().GetHandlerCount(), 151u);  // nothing re-registered
}

TEST_F(Dispatch, RunCommandTurnsAThrownErrorIntoARedStatus)
{
    Handlers().SetBody("Quit", [](int) -> Function * { throw General::Error(3, "ERROR: cannot quit now"); });
    m_interface->RunCommand("Quit");
    ASSERT_EQ(Recorder().statusMessages.size(), 1);
    EXPECT_EQ(Recorder().statusMessages[0], "ERROR: cannot quit now");
    EXPECT_EQ(Recorder().statusStates[0], 2);
}
