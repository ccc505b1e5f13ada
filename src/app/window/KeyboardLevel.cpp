#include "app/window/KeyboardLevel.h"

#include <QChar>
#include <QGuiApplication>
#include <QKeyEvent>

// Last: the X headers define names (None, Bool, KeyPress) that Qt's headers use.
#include <X11/XKBlib.h>

int UnshiftedKey(const QKeyEvent &event)
{
    const int key = event.key();
    // Only printable keys differ between levels in a way the handler table cares about.
    if (key < 0x20 || key > 0x7e || event.nativeScanCode() == 0)
        return key;
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return key;
    const unsigned state = event.nativeModifiers();
    if (!(state & ShiftMask))
        return key;
    const KeyCode code = KeyCode(event.nativeScanCode());
    const int group = XkbGroupForCoreState(state);
    // Only the Shift level is undone: a symbol from another level (AltGr) is the key the
    // keyboard has for it.
    const KeySym shifted = XkbKeycodeToKeysym(display, code, group, 1);
    if (shifted < 0x20 || shifted > 0x7e || int(QChar::toUpper(char32_t(shifted))) != key)
        return key;
    const KeySym symbol = XkbKeycodeToKeysym(display, code, group, 0);
    if (symbol < 0x20 || symbol > 0x7e)
        return key;
    // Qt names letter keys by their upper case.
    return int(QChar::toUpper(char32_t(symbol)));
}
