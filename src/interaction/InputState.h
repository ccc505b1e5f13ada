#pragma once
// One mouse or tablet event as the main window hands it over.

#include <cstdint>

class QMouseEvent;

struct InputState {
    // Main-window pixels for a button change, view pixels for a move.
    float x = 0.0f;
    float y = 0.0f;
    float pressure = 1.0f;
    uint8_t right = 0;
    uint8_t middle = 0;
    uint8_t left = 0;
    // Live input: the event's Qt modifier flags. Played-back input: key-code bits.
    uint32_t modifiers = 0;
};

// The state a mouse event of the main window hands over: its position in the receiving
// widget's pixels, the buttons down after the event and Qt's modifier flags.
InputState MouseInputState(const QMouseEvent &event, float pressure);
