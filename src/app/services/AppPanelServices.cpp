#include "app/services/AppPanelServices.h"

#include "app/services/CurveEditing.h"
#include "app/settings/Preferences.h"
#include "app/window/Tevrin.h"
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
