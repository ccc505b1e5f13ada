#include "app/services/AppCurveEditorSettings.h"

#include "app/settings/Preferences.h"
#include "app/window/Tevrin.h"

namespace {
// Each channel times 255, truncated; opaque.
QColor Opaque(const General::Color &colour)
{
    return QColor(int(colour.r * 255.0f), int(colour.g * 255.0f), int(colour.b * 255.0f), 255);
}
}  // namespace

QColor AppCurveEditorSettings::CurveColor() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    return preferences ? Opaque(preferences->FalloffCurve) : CurveEditorSettings::CurveColor();
}

QColor AppCurveEditorSettings::FillColor() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    return preferences ? Opaque(preferences->FalloffFill) : CurveEditorSettings::FillColor();
}

QColor AppCurveEditorSettings::HullColor() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    return preferences ? Opaque(preferences->FalloffHull) : CurveEditorSettings::HullColor();
}

int AppCurveEditorSettings::DragBoxSize() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    return preferences ? preferences->DragBoxSize : CurveEditorSettings::DragBoxSize();
}
