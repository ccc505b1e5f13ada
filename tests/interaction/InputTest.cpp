// Key and mouse events built as Qt events, as the main window receives them, reach the handlers.
#include "InteractionFixtures.h"
#include "interaction/InputEntry.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {
// Mouse events need the application's pointing device.
class OffscreenApplication : public testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "interaction_tests";
        static char *argv[] = {name, nullptr};
        if (!QGuiApplication::instance())
            m_app = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QGuiApplication> m_app;
};
const testing::Environment *const kApplication = testing::AddGlobalTestEnvironment(new OffscreenApplication);
}  // namespace

class Input : public InteractionTest {
protected:
    void SetUp() override
    {
        InteractionTest::SetUp();
        for (const char *name : {"Speed review mode", "Temporary smooth", "Rotate around", "Zoom", "Tool slot 1",
                                 "Change brush size", "Toggle stamp", "Show brush indicator"})
            Watch(name);
        Watch("Draw", true);
    }

    void Key(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool repeat = false)
    {
        QKeyEvent event(type, key, modifiers, QString(), repeat);
        if (type == QEvent::KeyPress)
            m_interface->OnKeyPress(event);
        else
            m_interface->OnKeyRelease(event);
    }
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool repeat = false)
    {
        Key(QEvent::KeyPress, key, modifiers, repeat);
    }
    void Release(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool repeat = false)
    {
        Key(QEvent::KeyRelease, key, modifiers, repeat);
    }
    // A button change at main-window pixels; `buttons` are those down after it.
    void Button(bool press, Qt::MouseButton button, Qt::MouseButtons buttons,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier, QPointF at = {110, 70})
    {
        QMouseEvent event(press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, at, at, button, buttons,
                          modifiers);
        m_interface->OnInputButton(MouseInputState(event, 1.0f), press);
    }
    // A move at view pixels with the buttons down during it.
    void Move(QPointF at, Qt::MouseButtons buttons = Qt::NoButton)
    {
        QMouseEvent event(QEvent::MouseMove, at, at, Qt::NoButton, buttons, Qt::NoModifier);
        m_interface->OnInputMove(MouseInputState(event, 1.0f));
    }
};

TEST_F(Input, KeysAndButtonsActivateTheirHandlers)
{
    Press(Qt::Key_Space);
    EXPECT_STREQ(Active(), "Speed review mode");
    Release(Qt::Key_Space);
    EXPECT_STREQ(Active(), "");

    // Main-window (110, 70) is view pixel (100, 50), the middle of the 200 x 100 view.
    Button(true, Qt::LeftButton, Qt::LeftButton);
    EXPECT_STREQ(Active(), "Draw");
    EXPECT_TRUE(m_host.heldHandler);
    EXPECT_EQ(m_toolLog, QStringList{"begin 0.5 0.5"});
    Button(false, Qt::LeftButton, Qt::NoButton, Qt::NoModifier, {60, 45});
    EXPECT_STREQ(Active(), "");
    EXPECT_EQ(m_toolLog.last(), "end 0.25 0.25");

    Press(Qt::Key_Shift);
    Button(true, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_STREQ(Active(), "Temporary smooth");
    Button(false, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    Release(Qt::Key_Shift, Qt::ShiftModifier);

    EXPECT_EQ(m_events, (QStringList{"Speed review mode 1", "Speed review mode 2", "Draw 1", "Temporary smooth 1",
                                     "Temporary smooth 2"}));
}

TEST_F(Input, ButtonChordsAreReevaluatedOnEveryChange)
{
    Press(Qt::Key_Alt);
    EXPECT_STREQ(Active(), "");
    Button(true, Qt::LeftButton, Qt::LeftButton, Qt::AltModifier);
    EXPECT_STREQ(Active(), "Rotate around");
    EXPECT_EQ(m_interface->GetKeyCode(), 0x10100u);
    Button(true, Qt::MiddleButton, Qt::LeftButton | Qt::MiddleButton, Qt::AltModifier);
    EXPECT_STREQ(Active(), "Zoom");
    EXPECT_EQ(m_interface->GetKeyCode(), 0x10300u);
    EXPECT_EQ(m_events, (QStringList{"Rotate around 1", "Rotate around 2", "Zoom 1"}));

    // A key pressed while a button is held joins the chord.
    Button(false, Qt::MiddleButton, Qt::LeftButton, Qt::NoModifier);
    Release(Qt::Key_Alt, Qt::AltModifier);
    Press(Qt::Key_B);
    EXPECT_STREQ(Active(), "Change brush size");
}

// Letting go of one button of the rectangle's chord, in either order, starts no stroke
// with the button still down (a stroke there would change the selection just made).
TEST_F(Input, LettingGoOfOneButtonStartsNoGesture)
{
    Watch("Rectangular select", true);
    for (const Qt::MouseButton first : {Qt::LeftButton, Qt::MiddleButton}) {
        const Qt::MouseButton second = first == Qt::LeftButton ? Qt::MiddleButton : Qt::LeftButton;
        Button(true, Qt::LeftButton, Qt::LeftButton);
        Button(true, Qt::MiddleButton, Qt::LeftButton | Qt::MiddleButton);
        EXPECT_STREQ(Active(), "Rectangular select");
        m_events.clear();
        Button(false, first, second);
        EXPECT_STREQ(Active(), "");
        Button(false, second, Qt::NoButton);
        EXPECT_TRUE(m_events.isEmpty()) << qPrintable(m_events.join(", ")) << " after letting go of " << first;
    }
    // Alt chords are no gestures: letting go of the middle button of "Zoom" goes back to rotating.
    Press(Qt::Key_Alt);
    Button(true, Qt::LeftButton, Qt::LeftButton, Qt::AltModifier);
    Button(true, Qt::MiddleButton, Qt::LeftButton | Qt::MiddleButton, Qt::AltModifier);
    Button(false, Qt::MiddleButton, Qt::LeftButton, Qt::AltModifier);
    EXPECT_STREQ(Active(), "Rotate around");
}

TEST_F(Input, StickyKeyStaysOutOfLaterChords)
{
    Press(Qt::Key_1);
    EXPECT_STREQ(Sticky(), "Tool slot 1");
    EXPECT_EQ(m_interface->m_iCurrentKey, 0);
    Button(true, Qt::LeftButton, Qt::LeftButton);
    EXPECT_STREQ(Active(), "Draw");
    Button(false, Qt::LeftButton, Qt::NoButton);
    EXPECT_STREQ(Active(), "");
    EXPECT_STREQ(Sticky(), "Tool slot 1");
    Press(Qt::Key_B);  // absorbed while the slot is held
    EXPECT_STREQ(Active(), "");
    Release(Qt::Key_1);
    EXPECT_STREQ(Sticky(), "");
    EXPECT_EQ(m_events, (QStringList{"Tool slot 1 1", "Draw 1", "Tool slot 1 2"}));
}

TEST_F(Input, ModifierKeysAloneActivateNothing)
{
    // As the platform delivers them, a modifier key's event carries the state before it.
    Press(Qt::Key_Shift);
    EXPECT_EQ(m_interface->m_iModifiers, 0x20000u);
    Press(Qt::Key_Control, Qt::ShiftModifier);
    EXPECT_EQ(m_interface->m_iModifiers, 0x60000u);
    Release(Qt::Key_Control, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(m_interface->m_iModifiers, 0x20000u);
    Press(Qt::Key_Q, Qt::ShiftModifier);  // letters carry Qt's upper-case code whatever the Shift state
    EXPECT_EQ(m_events, QStringList{"Toggle stamp 1"});
    Release(Qt::Key_Q, Qt::ShiftModifier);
    Release(Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(m_interface->m_iModifiers, 0u);
    EXPECT_EQ(m_interface->m_iCurrentKey, 0);
}

TEST_F(Input, AutoRepeatSendsRepeatsAndIgnoresRepeatedPresses)
{
    Press(Qt::Key_B);
    EXPECT_STREQ(Active(), "Show brush indicator");
    Release(Qt::Key_B, Qt::NoModifier, true);
    Press(Qt::Key_B, Qt::NoModifier, true);
    Release(Qt::Key_B, Qt::NoModifier, true);
    Press(Qt::Key_B, Qt::NoModifier, true);
    Release(Qt::Key_B);
    EXPECT_EQ(m_events, (QStringList{"Show brush indicator 1", "Show brush indicator 4", "Show brush indicator 4",
                                     "Show brush indicator 2"}));
}

TEST_F(Input, PressesOffTheViewAreIgnoredButReleasesAreNot)
{
    Button(true, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, {5, 5});
    EXPECT_STREQ(Active(), "");
    EXPECT_EQ(m_interface->m_bLeft, 0);
    Button(true, Qt::LeftButton, Qt::LeftButton);
    EXPECT_STREQ(Active(), "Draw");
    Button(false, Qt::LeftButton, Qt::NoButton, Qt::NoModifier, {500, 500});
    EXPECT_STREQ(Active(), "");
    EXPECT_EQ(m_interface->m_bLeft, 0);
}

TEST_F(Input, MovesReachTheActiveHandlerWhileTheChordStillHolds)
{
    Press(Qt::Key_1);
    Press(Qt::Key_Alt);
    Button(true, Qt::LeftButton, Qt::LeftButton, Qt::AltModifier);
    Move({50, 25}, Qt::LeftButton);
    EXPECT_FLOAT_EQ(m_interface->m_fMouseX, 0.25f);
    EXPECT_FLOAT_EQ(m_interface->m_fMouseY, 0.25f);
    EXPECT_EQ(m_events.count("Rotate around 3"), 1);
    EXPECT_EQ(m_events.count("Tool slot 1 3"), 0);  // the sticky handler gets no moves

    // The button came up outside the window, which never saw the release: the next move
    // carries no button and releases the handler; the button no longer joins chords.
    Move({60, 25});
    EXPECT_STREQ(Active(), "");
    EXPECT_EQ(m_events.count("Rotate around 3"), 1);
    EXPECT_STREQ(Sticky(), "Tool slot 1");
    EXPECT_EQ(m_interface->m_bLeft, 0);
}

TEST_F(Input, WithoutActiveCameraOnlyReleasesAndButtonsAreDispatched)
{
    m_scene->m_pActiveCamera = nullptr;
    Press(Qt::Key_Space);
    Move({50, 25});
    EXPECT_STREQ(Active(), "");
    EXPECT_TRUE(m_host.picks.empty());
    Button(true, Qt::LeftButton, Qt::LeftButton);
    EXPECT_STREQ(Active(), "Draw");
    Release(Qt::Key_Space);
    EXPECT_STREQ(Active(), "");
}

// A command that opens a question on its key's press: the question takes the key's release,
// and is closed by its close button, which sends no key. Whether the main window's
// activation comes after the command ended or not at all, the next press of the key acts.
TEST_F(Input, APressWhoseReleaseWentToAQuestionLeavesNoCommandHeld)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char *command;
    } cases[] = {{Qt::Key_N, Qt::ControlModifier, "New scene"},
                 {Qt::Key_O, Qt::ControlModifier, "Open"},
                 {Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, "Save scene as"}};
    for (const Case &c : cases) {
        for (const bool activated : {true, false}) {
            SCOPED_TRACE(QStringLiteral("%1, window activated: %2").arg(QLatin1String(c.command)).arg(activated).toStdString());
            Watch(c.command);
            m_events.clear();
            Press(Qt::Key_Control);
            if (c.modifiers.testFlag(Qt::ShiftModifier))
                Press(Qt::Key_Shift, Qt::ControlModifier);
            Press(c.key, c.modifiers);
            ASSERT_EQ(m_events, QStringList{QStringLiteral("%1 1").arg(QLatin1String(c.command))});
            // The releases went to the question.
            if (activated) {
                ResetHeldInput(*m_interface, false, false, false);
                EXPECT_STREQ(Active(), "");
                EXPECT_STREQ(Sticky(), "");
                EXPECT_EQ(m_interface->GetKeyCode(), 0u);
            }
            Press(Qt::Key_Control);
            if (c.modifiers.testFlag(Qt::ShiftModifier))
                Press(Qt::Key_Shift, Qt::ControlModifier);
            Press(c.key, c.modifiers);
            EXPECT_EQ(m_events.count(QStringLiteral("%1 1").arg(QLatin1String(c.command))), 2) << qPrintable(m_events.join(", "));
            Release(c.key, c.modifiers);
            Release(Qt::Key_Control, c.modifiers);
            EXPECT_STREQ(Active(), "");
        }
    }
}

// The window's activation lets go of what a key held (a tool slot's switch too), but not of
// a stroke whose button is still down: the click that activates the window may start it.
TEST_F(Input, TheWindowsActivationKeepsOnlyAChordOfButtonsStillDown)
{
    Press(Qt::Key_1);
    ASSERT_STREQ(Sticky(), "Tool slot 1");
    ResetHeldInput(*m_interface, false, false, false);
    EXPECT_STREQ(Sticky(), "");
    EXPECT_EQ(m_events.count("Tool slot 1 2"), 1);

    Button(true, Qt::LeftButton, Qt::LeftButton);
    ASSERT_STREQ(Active(), "Draw");
    ResetHeldInput(*m_interface, true, false, false);
    EXPECT_STREQ(Active(), "Draw");
    EXPECT_EQ(m_interface->m_bLeft, 1);
    EXPECT_TRUE(m_toolLog.filter(QStringLiteral("end")).isEmpty());
}
