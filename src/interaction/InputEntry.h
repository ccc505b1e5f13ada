#pragma once
// What the main window tells the input entry besides its key and mouse events.

class Interface;

// The main window has the focus again, with these buttons down: keys and modifiers let go
// meanwhile were never seen released, so none is held and no command stays held by a key
// (a question its command opened took the key's release). A chord of buttons still down
// stays: the click that activates the window may be the one that starts a stroke.
void ResetHeldInput(Interface &controller, bool left, bool middle, bool right);
