#pragma once
// The preferences window's reach into the running program: the scene's active camera, the
// 3D view's flags and redraw, and the save reminder's place in the status bar.

#include "app/dialogs/PreferencesDialogHost.h"

class Tevrin;

class AppPreferencesDialogHost : public PreferencesDialogHost {
public:
    explicit AppPreferencesDialogHost(Tevrin &window) : m_rWindow(window) {}

    Camera *ActiveCamera() override;
    ViewToggles *ViewFlags() override;
    void Redraw() override;
    void ShowSaveReminder(bool shown) override;
    void RefreshStatusText() override;
    void UpdateLayerList() override;
    void RefreshObjectLists() override;

private:
    Tevrin &m_rWindow;
};
