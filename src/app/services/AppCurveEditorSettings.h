#pragma once
// The falloff editors' colours and pick box, from the preferences.

#include "gui/editors/CurveEditor.h"

class Tevrin;

class AppCurveEditorSettings : public GUI::CurveEditorSettings {
public:
    explicit AppCurveEditorSettings(Tevrin &window) : m_rWindow(window) {}

    QColor CurveColor() const override;
    QColor FillColor() const override;
    QColor HullColor() const override;
    int DragBoxSize() const override;

private:
    Tevrin &m_rWindow;
};
