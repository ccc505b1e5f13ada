#pragma once
// What the preferences window reaches beyond the preferences object: the active camera,
// the 3D view's flags and redraw, the Properties pages, the status bar and the lists that
// show preference colours. The main window installs it; until then there is no camera
// and no view, and the rest does nothing.

#include "foundation/Installable.h"

#include <QString>

class Camera;
struct ViewToggles;

class PreferencesDialogHost : public General::Installable<PreferencesDialogHost> {
public:
    virtual ~PreferencesDialogHost() = default;
    // The current scene's active camera; null without one.
    virtual Camera *ActiveCamera() { return nullptr; }
    // The 3D view's display flags; null without a view.
    virtual ViewToggles *ViewFlags() { return nullptr; }
    virtual void Redraw() {}
    // Every open Properties window showing a page of that type ("Brush", "Stamp", "Camera",
    // "Curve") shows it again.
    virtual void RefreshPropertiesPage(const QString &pageType) {}
    // Puts the save reminder into the status bar or takes it out; called at every write-back,
    // so a reminder already where it belongs stays as it is.
    virtual void ShowSaveReminder(bool shown) {}
    // The face-count texts of the status line.
    virtual void RefreshStatusText() {}
    // The layer list, forced (a layer colour changed).
    virtual void UpdateLayerList() {}
    // The object lists (their background colour changed).
    virtual void RefreshObjectLists() {}
};
