#pragma once
// Key events named by the key itself rather than by the symbol its Shift level gives.

class QKeyEvent;

// The key of a printable key event with Shift as the keyboard's first level names it
// (Shift+0 gives "0", Shift+\ gives "\"), read from the X server's key map for the event's
// key and group. Any other event (no Shift, a symbol of another level, no X server) keeps
// its own key.
int UnshiftedKey(const QKeyEvent &event);
