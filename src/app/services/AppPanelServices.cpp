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

StencilSettings AppPanelServices::GetStencilSettings() const
{
    const Preferences *p = m_rWindow.GetPreferences();
    if (!p)
        return GUI::PanelServices::GetStencilSettings();
    StencilSettings settings;
    settings.invert = p->StencilInvert;
    settings.visibility = p->StencilVisibility;
    settings.multiplier = p->StencilMultiplier;
    settings.offset = p->StencilOffset;
    settings.flipHorizontal = p->StencilFlipHorizontal;
    settings.flipVertical = p->StencilFlipVertical;
    settings.hideWhenSculpt = p->StencilHideWhenSculpt;
    return settings;
}

void AppPanelServices::SetStencilSettings(const StencilSettings &settings)
{
    if (Preferences *p = m_rWindow.GetPreferences()) {
        p->StencilInvert = settings.invert;
        p->StencilVisibility = settings.visibility;
        p->StencilMultiplier = settings.multiplier;
        p->StencilOffset = settings.offset;
        p->StencilFlipHorizontal = settings.flipHorizontal;
        p->StencilFlipVertical = settings.flipVertical;
        p->StencilHideWhenSculpt = settings.hideWhenSculpt;
    }
    GUI::PanelServices::SetStencilSettings(settings);
}
