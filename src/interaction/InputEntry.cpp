// The four ways user input reaches the controller. The handler held always matches the
// chord held: every change of key or button releases what no longer matches and
// activates the handler bound to the new chord.

#include "interaction/InputEntry.h"

#include "foundation/Diagnostics.h"
#include "interaction/Interface.h"
#include "interaction/benchmark/BenchmarkRecorder.h"
#include "scene/Scene.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <cstring>

namespace {
bool HasActiveCamera()
{
    const Scene *scene = Scene::GetCurrent();
    return scene && scene->m_pActiveCamera;
}

uint32_t ModifierBits(uint32_t qtModifiers)
{
    return (qtModifiers & uint32_t(Qt::ControlModifier) ? kCtrlBit : 0u) |
           (qtModifiers & uint32_t(Qt::AltModifier) ? kAltBit : 0u) |
           (qtModifiers & uint32_t(Qt::ShiftModifier) ? kShiftBit : 0u);
}

// The handlers whose press begins painting or a rectangle where the pointer is.
bool StartsGesture(const Handler &handler)
{
    static const char *const kGestures[] = {"Draw", "Draw inverse", "Rectangular select", "Rectangular unselect",
                                            "Rectangular toggle", "Temporary smooth"};
    for (const char *name : kGestures)
        if (std::strcmp(handler.m_sID, name) == 0)
            return true;
    return false;
}

bool IsModifierKey(int key) { return key == Qt::Key_Alt || key == Qt::Key_Shift || key == Qt::Key_Control; }
}  // namespace

InputState MouseInputState(const QMouseEvent &event, float pressure)
{
    InputState state;
    state.x = float(event.position().x());
    state.y = float(event.position().y());
    state.pressure = pressure;
    state.left = event.buttons() & Qt::LeftButton ? 1 : 0;
    state.middle = event.buttons() & Qt::MiddleButton ? 1 : 0;
    state.right = event.buttons() & Qt::RightButton ? 1 : 0;
    state.modifiers = uint32_t(event.modifiers().toInt());
    return state;
}

uint32_t Interface::GetKeyCode() const
{
    return uint32_t(m_iCurrentKey) + (m_bLeft ? kLeftButton : 0u) + (m_bMiddle ? kMiddleButton : 0u) +
           (m_bRight ? kRightButton : 0u) + m_iModifiers;
}

int InteractionServices::UnshiftedKey(const QKeyEvent &event) const { return event.key(); }

void Interface::OnKeyPress(const QKeyEvent &event)
{
    // Chords name keys, not the symbols a Shift level gives; the recording keeps the key too.
    const int key = InteractionHost().UnshiftedKey(event);
    if (m_pRecorder)
        m_pRecorder->WriteKey(true, event.isAutoRepeat(), uint32_t(event.modifiers().toInt()), key);
    if (!HasActiveCamera())
        return;
    EventHandler &handlers = m_cEventHandler;
    // Repeats of a held key would re-trigger its command.
    if (event.isAutoRepeat() && (m_iCurrentKey != 0 || handlers.m_pStickyHandler))
        return;
    m_iModifiers = ModifierBits(uint32_t(event.modifiers().toInt()));
    if (IsModifierKey(key))
        return;
    m_iCurrentKey = key;
    const uint32_t code = GetKeyCode();
    // A new press of the chord still held means its release went elsewhere (to a question
    // its command opened): the command is let go and acts again.
    if (handlers.m_pActiveHandler && (handlers.m_pActiveHandler->m_iKey != code || !event.isAutoRepeat()))
        handlers.DeactivateHandlers(false);
    if (!handlers.m_pActiveHandler) {
        if (handlers.m_pStickyHandler) {
            m_iCurrentKey = 0;  // absorbed by the sticky handler
            return;
        }
        handlers.ActivateByCode(code);
    }
    // A sticky handler's own key never takes part in later chords.
    if (handlers.m_pStickyHandler)
        m_iCurrentKey = 0;
}

void Interface::OnKeyRelease(const QKeyEvent &event)
{
    const int key = InteractionHost().UnshiftedKey(event);
    if (m_pRecorder)
        m_pRecorder->WriteKey(false, event.isAutoRepeat(), uint32_t(event.modifiers().toInt()), key);
    EventHandler &handlers = m_cEventHandler;
    if (event.isAutoRepeat()) {
        if (handlers.m_pActiveHandler)
            handlers.OnUserEvent(eventRepeat, handlers.m_pActiveHandler->m_sID);
        if (handlers.m_pStickyHandler)
            handlers.OnUserEvent(eventRepeat, handlers.m_pStickyHandler->m_sID);
        return;
    }
    m_iModifiers = ModifierBits(uint32_t(event.modifiers().toInt()));
    if (IsModifierKey(key))
        return;
    m_iCurrentKey = 0;
    handlers.DeactivateHandlers(true);
}

void ResetHeldInput(Interface &controller, bool left, bool middle, bool right)
{
    controller.m_iCurrentKey = 0;
    controller.m_iModifiers = 0;
    controller.m_bLeft = left;
    controller.m_bMiddle = middle;
    controller.m_bRight = right;
    EventHandler &handlers = controller.m_cEventHandler;
    const Handler *active = handlers.m_pActiveHandler;
    const uint32_t buttonsAndModifiers = kButtonMask | kAltBit | kShiftBit | kCtrlBit;
    if (!active || (active->m_iKey & ~buttonsAndModifiers) != 0)
        handlers.DeactivateHandlers(true);
}

void Interface::OnInputButton(InputState state, bool press)
{
    // Live events carry Qt's modifier flags, which report the keyboard at the time of the
    // click; played-back events already hold key-code bits.
    if (!m_bPlayback)
        state.modifiers = ModifierBits(state.modifiers);
    // The window reports main-window pixels; from here on positions are the view's.
    // Played-back events are in view pixels already.
    float viewX = state.x;
    float viewY = state.y;
    const int width = InteractionHost().GetViewWidth();
    const int height = InteractionHost().GetViewHeight();
    const bool onView = m_bPlayback ? InteractionHost().HasView() && viewX >= 0.0f && viewY >= 0.0f &&
                                          viewX < float(width) && viewY < float(height)
                                    : InteractionHost().MapToView(state.x, state.y, viewX, viewY);
    if (m_pRecorder && width > 0 && height > 0) {
        const float fx = viewX / float(width);
        const float fy = viewY / float(height);
        m_pRecorder->WriteInput(state.left, state.middle, state.right, state.pressure, fx, fy, state.modifiers,
                                press ? 1 : 0);
        // The session goes on from the position playback will compute, so both stay equal.
        viewX = fx * float(width);
        viewY = fy * float(height);
    }
    if (press && !onView)
        return;
    m_iModifiers = state.modifiers;
    m_bLeft = state.left;
    m_bMiddle = state.middle;
    m_bRight = state.right;
    m_fPressure = state.pressure;
    if (onView) {
        // A click without a move before it must start its tool where it happened.
        if (width > 0 && height > 0) {
            m_fMouseX = viewX / float(width);
            m_fMouseY = viewY / float(height);
        }
    }
    EventHandler &handlers = m_cEventHandler;
    handlers.DeactivateHandlers(false);
    // Letting go of one button of a chord never starts a stroke or a rectangle with the
    // buttons still down: the end of a rectangle would paint (or clear) a selection.
    Handler *next = handlers.FindHandlerByKey(GetKeyCode());
    if (press || !next || !StartsGesture(*next))
        handlers.ActivateHandler(next);
    if (press)
        InteractionHost().SetHeldHandler(handlers.m_pActiveHandler || handlers.m_pStickyHandler);
}

void Interface::OnInputMove(const InputState &given)
{
    InputState state = given;
    const int width = InteractionHost().GetViewWidth();
    const int height = InteractionHost().GetViewHeight();
    if (m_pRecorder && width > 0 && height > 0) {
        const float fx = state.x / float(width);
        const float fy = state.y / float(height);
        m_pRecorder->WriteInput(state.left, state.middle, state.right, state.pressure, fx, fy, state.modifiers, -1);
        state.x = fx * float(width);
        state.y = fy * float(height);
    }
    if (!HasActiveCamera())
        return;
    m_fPressure = state.pressure;
    UpdateMousePosition(state.x, state.y);
    EventHandler &handlers = m_cEventHandler;
    if (!handlers.m_pActiveHandler)
        return;
    // The buttons the move carries are the ones down now; ours are those of the last press or
    // release we saw. A release the window never saw (let go outside it) shows as a difference.
    const uint32_t buttons = (state.left ? kLeftButton : 0u) | (state.middle ? kMiddleButton : 0u) |
                             (state.right ? kRightButton : 0u);
    if ((handlers.m_pActiveHandler->m_iKey & kButtonMask) != buttons) {
        m_bLeft = state.left;
        m_bMiddle = state.middle;
        m_bRight = state.right;
        handlers.DeactivateHandlers(false);
        return;
    }
    if (handlers.OnUserEvent(eventMouseMove, handlers.m_pActiveHandler->m_sID) != nullptr)
        AssertFailed("Interface", 1065,
                     "m_cEventHandler.OnUserEvent( eventMouseMove, m_cEventHandler.m_pActiveHandler->m_sID ) == 0",
                     nullptr);
}
