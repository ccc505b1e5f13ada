#include "app/services/AppLayerListHost.h"

#include "app/settings/Preferences.h"
#include "app/window/Tevrin.h"
#include "viewport/view/SceneView.h"

General::Color AppLayerListHost::ActiveLayerColor() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    return preferences ? preferences->ActiveLayer : GUI::LayerListHost::ActiveLayerColor();
}

bool AppLayerListHost::ShowLayerMask() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    return preferences && preferences->LayerDisplay;
}

void AppLayerListHost::SetShowLayerMask(bool on)
{
    if (Preferences *preferences = m_rWindow.GetPreferences())
        preferences->LayerDisplay = on;
    if (SceneView *view = m_rWindow.GetView())
        view->m_cSettings.m_cFill.m_bShowLayerMask = on;
}
