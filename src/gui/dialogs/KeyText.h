#pragma once
// The key part of a handler's key code as the hotkey editor shows and reads it: a few
// short words ("Del", "PgUp", "Spc"), one character for a character key, and Qt's own
// name for every other key ("F1", "Esc"), so what is shown reads back to the same code.

#include <QString>

#include <cstdint>

namespace GUI {

// The key bits of a key code (a character, or Qt's special keys with 0x1000000).
constexpr uint32_t kKeyPartMask = 0x10000FF;

// The shown text of the code's key part; modifier and mouse bits are not shown. Empty for
// no key.
QString KeyCodeToText(uint32_t code);
// The key part of a typed text (case does not matter); false for empty or unknown text.
bool TextToKeyPart(const QString &text, uint32_t &key);

}  // namespace GUI
