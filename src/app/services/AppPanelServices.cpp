#include "app/services/AppPanelServices.h"

#include "app/services/AppViewCommandHost.h"
#include "app/services/CurveEditing.h"
#include "app/settings/Preferences.h"
#include "app/window/Tevrin.h"
#include "interaction/Interface.h"
#include "viewport/view/SceneView.h"

General::Color AppPanelServices::GetObjectListColor() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    return preferences ? preferences->ObjectListBg : GUI::PanelServices::GetObjectListColor();
}

bool AppPanelServices::IsCurveEditingOn() const
{
    const SceneView *view = m_rWindow.GetView();
    return view && view->m_cToggles.m_bShowCurves;
}

General::NURBSCurve *AppPanelServices::GetEditedCurve() const
{
    const CurveEdit *edit = m_rEditing.Get();
    return edit ? edit->GetCurve() : nullptr;
}

void AppPanelServices::EditCurve(General::NURBSCurve *curve)
{
    m_rEditing.End();
    if (curve)
        m_rEditing.Start(curve);
}

GUI::BrushPanelSettings AppPanelServices::GetBrushPanelSettings() const
{
    const Preferences *p = Preferences::Get();
    if (!p)
        return GUI::PanelServices::GetBrushPanelSettings();
    GUI::BrushPanelSettings settings;
    settings.stroke = InteractionServices::Get().GetStrokePreferences();
    settings.mirrorLocal = p->MirrorLocal;
    settings.buildupRate = p->BuildupRate;
    settings.objectSelectionMode = p->SelectionOption;
    return settings;
}

void AppPanelServices::SetBrushPanelSettings(const GUI::BrushPanelSettings &settings)
{
    Preferences *p = Preferences::Get();
    if (!p)
        return;
    const StrokePreferences &stroke = settings.stroke;
    // The mirror plane goes where the symmetry command puts it, so strokes and picks agree.
    AppViewCommandHost().SetMirror(stroke.mirrorCount, stroke.mirrorAxis);
    p->MirrorLocal = settings.mirrorLocal;
    p->ScaleJitter = stroke.scaleJitter;
    p->RotateJitter = stroke.rotateJitter;
    p->PositionJitter = stroke.positionJitter;
    p->StrengthJitter = stroke.strengthJitter;
    p->FlipRandomizeX = stroke.flipRandomizeX;
    p->FlipRandomizeY = stroke.flipRandomizeY;
    p->OrientToStroke = stroke.orientToStroke;
    p->BuildupRate = settings.buildupRate;
    p->SelectionMode = stroke.selectionMode;
    p->SelectionOption = settings.objectSelectionMode;
}

namespace {

// Each stencil preference with the stencil setting it stands for; `copy` runs on each pair.
template <class Prefs, class Settings, class Copy>
void StencilPairs(Prefs &p, Settings &settings, Copy copy)
{
    copy(p.StencilInvert, settings.invert);
    copy(p.StencilVisibility, settings.visibility);
    copy(p.StencilMultiplier, settings.multiplier);
    copy(p.StencilOffset, settings.offset);
    copy(p.StencilFlipHorizontal, settings.flipHorizontal);
    copy(p.StencilFlipVertical, settings.flipVertical);
    copy(p.StencilHideWhenSculpt, settings.hideWhenSculpt);
}

}  // namespace

StencilSettings AppPanelServices::GetStencilSettings() const
{
    const Preferences *p = m_rWindow.GetPreferences();
    if (!p)
        return GUI::PanelServices::GetStencilSettings();
    StencilSettings settings;
    StencilPairs(*p, settings, [](const auto &stored, auto &setting) { setting = stored; });
    return settings;
}

void AppPanelServices::SetStencilSettings(const StencilSettings &settings)
{
    if (Preferences *p = m_rWindow.GetPreferences())
        StencilPairs(*p, settings, [](auto &stored, const auto &setting) { stored = setting; });
    GUI::PanelServices::SetStencilSettings(settings);
}
