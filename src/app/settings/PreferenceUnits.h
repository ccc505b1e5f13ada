#pragma once
// How the preferences window shows and reads back its values: minutes for the reminder,
// per cent for the roll area, three times the camera's sensitivities, one combo index for
// the two import focus flags, and the bounds of the number fields.

#include <QString>

namespace PreferenceUnits {

// Milliseconds shown as whole minutes (truncated).
QString ReminderMinutes(int milliseconds);
float RollAreaShown(float fraction);
float RollAreaStored(float shown);
float SensitivityShown(float sensitivity);
float SensitivityStored(float shown);

// 1 "Always" when the always flag is set, else 0 "Empty Scene Only" when the empty-scene
// flag is, else 2 "Never".
int ImportAutoFocusIndex(bool emptyScene, bool always);
void ApplyImportAutoFocus(int index, bool &emptyScene, bool &always);

// A number field's text as a whole number in [minimum, maximum]; false (and `value`
// untouched) for text that is not one or lies outside.
bool ReadBounded(const QString &text, int minimum, int maximum, int &value);

// The bounds of the number fields.
constexpr int kReminderMinutesMin = 1, kReminderMinutesMax = 7 * 24 * 60;
constexpr int kTextureSizeMin = 16, kTextureSizeMax = 65536;
constexpr int kDoubleClickMin = 50, kDoubleClickMax = 5000;
constexpr int kDragBoxMin = 1, kDragBoxMax = 500;

}  // namespace PreferenceUnits
