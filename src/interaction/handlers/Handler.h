#pragma once
// One named command of the handler table, and the events its body receives.

#include <cstdint>

// Key code bits: a Qt key code plus the buttons and modifiers held with it.
enum KeyCodeBits : uint32_t {
    kLeftButton = 0x100,
    kMiddleButton = 0x200,
    kRightButton = 0x400,
    kButtonMask = 0x700,
    kAltBit = 0x10000,
    kShiftBit = 0x20000,
    kCtrlBit = 0x40000,
};

// What a handler body is told; the values are part of the menus' protocol.
enum HandlerEvent : int {
    eventRegister = 0,
    eventActivate = 1,
    eventDeactivate = 2,
    eventMouseMove = 3,
    eventRepeat = 4,
    eventMenuCommand = 5,
    eventMenuOption = 6,
};

struct Handler {
    // 0: never activated through a key. The hotkeys file overwrites the default.
    uint32_t m_iKey = 0;
    // The name is the identity: every event is addressed to a handler by it.
    const char *m_sID = nullptr;
    // A sticky handler is held apart from the active one and survives button changes.
    bool m_bSticky = false;
};
