#pragma once
// Numbers of OBJ text. Files written on one machine must read the same everywhere, so
// numbers never follow the locale (which Qt takes from the environment): always a dot.

#include <QByteArray>

namespace ObjText {

// Appends value as "%f" prints it in the C locale: fixed notation, six decimals.
void AppendFixed(QByteArray &line, double value);
// Appends a decimal integer.
void AppendInt(QByteArray &line, long long value);

}  // namespace ObjText
