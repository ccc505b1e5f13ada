#pragma once
// The scene panels' view of the program: the object list colour of the preferences, the
// curve edited in the 3D view, the stroke preferences of the brush panel and the stencil
// settings kept in the preferences.

#include "gui/common/PanelServices.h"

class CurveEditing;
class Tevrin;

class AppPanelServices : public GUI::PanelServices {
public:
    AppPanelServices(Tevrin &window, CurveEditing &editing) : m_rWindow(window), m_rEditing(editing) {}

    General::Color GetObjectListColor() const override;
    // Curves are edited in the view while it shows them.
    bool IsCurveEditingOn() const override;
    General::NURBSCurve *GetEditedCurve() const override;
    void EditCurve(General::NURBSCurve *curve) override;
    // The preferences' stencil values; the stencil takes what is set as well.
    StencilSettings GetStencilSettings() const override;
    void SetStencilSettings(const StencilSettings &settings) override;

    // The brush panel's settings are the preferences' stroke settings.
    GUI::BrushPanelSettings GetBrushPanelSettings() const override;
    void SetBrushPanelSettings(const GUI::BrushPanelSettings &settings) override;

private:
    Tevrin &m_rWindow;
    CurveEditing &m_rEditing;
};
