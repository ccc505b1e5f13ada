// The main window's input: every key, button, mouse move and tablet pressure reaches the
// controller from here, unless a long operation is running events from inside itself.
#include "app/window/Tevrin.h"

#include "app/window/WindowInput.h"
#include "app/window/WindowSettings.h"
#include "interaction/InputEntry.h"
#include "interaction/Interface.h"
#include "viewport/view/SceneView.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabletEvent>
#include <QWhatsThis>

void Tevrin::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        if (event->modifiers() & Qt::AltModifier)
            OnHelpTool();
        else
            OnDocumentation();
    }
    if (m_bBusy) {
        if (event->key() == Qt::Key_Escape) {
            if (m_pInterface)
                m_pInterface->m_bCancel = true;
            if (m_pCancelFlag)
                *m_pCancelFlag = true;
        }
        return;
    }
    if (m_pInterface)
        m_pInterface->OnKeyPress(*event);
}

void Tevrin::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_bBusy && m_pInterface)
        m_pInterface->OnKeyRelease(*event);
}

void Tevrin::mousePressEvent(QMouseEvent *event)
{
    if (m_bBusy || m_bTablet || !m_pInterface)
        return;
    m_pInterface->OnInputButton(MouseInputState(*event, m_pInterface->m_fPressure), true);
}

void Tevrin::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_bBusy || !m_pInterface)
        return;
    m_pInterface->OnInputButton(MouseInputState(*event, m_pInterface->m_fPressure), false);
}

bool Tevrin::eventFilter(QObject *watched, QEvent *event)
{
    Interface *controller = m_pInterface.get();
    switch (event->type()) {
    case QEvent::WindowActivate:
        // Keys and buttons let go while another window had the focus were never released
        // here. A button still held stays: the click that activates the window may be the
        // one that starts a stroke.
        if (controller && watched == this) {
            const Qt::MouseButtons held = QGuiApplication::mouseButtons();
            ResetHeldInput(*controller, held.testFlag(Qt::LeftButton), held.testFlag(Qt::MiddleButton),
                           held.testFlag(Qt::RightButton));
        }
        break;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        m_cWindowTimer.restart();
        if (event->type() == QEvent::MouseMove && controller && !m_bBusy && watched == m_pView) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            InputState state;
            state.x = float(mouse->position().x());
            state.y = float(mouse->position().y());
            // The buttons down now, not the controller's: a release outside the window
            // shows here as a button that is up.
            state.left = mouse->buttons().testFlag(Qt::LeftButton) ? 1 : 0;
            state.middle = mouse->buttons().testFlag(Qt::MiddleButton) ? 1 : 0;
            state.right = mouse->buttons().testFlag(Qt::RightButton) ? 1 : 0;
            state.pressure = MovePressure(controller->m_fPressure, ElapsedTime(), m_iLastTabletEvent);
            m_iModifiers = uint32_t(mouse->modifiers().toInt());
            state.modifiers = m_iModifiers;
            controller->OnInputMove(state);
        }
        break;
    case QEvent::TabletMove:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        if (controller && !m_bBusy && (m_bTablet || watched == m_pView)) {
            const WindowSettings settings = WindowSettings::Current();
            controller->m_fPressure = TabletPressure(static_cast<QTabletEvent *>(event)->pressure(),
                                                     settings.pressureLow, settings.pressureHigh);
            m_iLastTabletEvent = ElapsedTime();
        }
        break;
    case QEvent::KeyRelease:
        // A key let go anywhere, also in a panel that keeps it, no longer takes part in chords.
        if (controller && !static_cast<QKeyEvent *>(event)->isAutoRepeat())
            controller->m_iCurrentKey = 0;
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
