#include "app/settings/PreferenceUnits.h"

namespace PreferenceUnits {

QString ReminderMinutes(int milliseconds) { return QString::number(milliseconds / 1000 / 60); }

float RollAreaShown(float fraction) { return fraction * 100.0f; }

float RollAreaStored(float shown) { return shown / 100.0f; }

float SensitivityShown(float sensitivity) { return sensitivity * 3.0f; }

float SensitivityStored(float shown) { return shown / 3.0f; }

int ImportAutoFocusIndex(bool emptyScene, bool always) { return always ? 1 : emptyScene ? 0 : 2; }

void ApplyImportAutoFocus(int index, bool &emptyScene, bool &always)
{
    emptyScene = index == 0;
    always = index == 1;
}

bool ReadBounded(const QString &text, int minimum, int maximum, int &value)
{
    bool ok = false;
    const int read = text.trimmed().toInt(&ok, 10);
    if (!ok || read < minimum || read > maximum)
        return false;
    value = read;
    return true;
}

}  // namespace PreferenceUnits
