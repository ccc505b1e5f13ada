#pragma once
// What the view, camera, symmetry and curve commands need of the layers above the
// controller: the preferences they read and write, the stencil, the stamp and the
// overlay picture, and the view's toggles and navigation flag. The defaults answer as a
// program with the fresh preferences would, and reach the current 3D view and the
// controller's images directly; the main window installs its implementation, tests a recording one.

#include "foundation/Installable.h"
#include "foundation/math/Vector.h"

#include <QString>

struct ViewToggles;

class ViewCommandHost : public General::Installable<ViewCommandHost> {
public:
    virtual ~ViewCommandHost() = default;

    // --- the 3D view ------------------------------------------------------------------
    // The current view's display toggles; null without a view.
    virtual ViewToggles *Toggles();
    virtual void SetNavigating(bool navigating);
    // Levels are drawn from buffer objects from now on (a preference kept with the settings).
    virtual void EnableVideoBuffers();

    // --- preferences ------------------------------------------------------------------
    // Mirror mode 0 off, 1 about the plane, -1 tangent; the plane normal is the first pair's.
    virtual void SetMirror(int mode, const General::Vector &normal) {}
    virtual float DollyAmount() const { return 25.0f; }
    // Navigation scheme: 0 default, 1 trackball.
    virtual int NavigationControl() const { return 0; }
    // The width of the trackball's roll ring as a fraction of the view.
    virtual float RollArea() const { return 0.5f; }
    virtual bool LocalFocus() const { return false; }
    virtual QString TempFolder() const;

    // --- stencil, stamp and the overlay picture ---------------------------------------
    // The defaults act on the controller's own images.
    virtual bool HasStencil() const;
    // Flips the stencil's shown state and recomputes its matrices.
    virtual void ToggleStencil();
    // The stencil's matrices for the camera as it is now.
    virtual void UpdateStencil();
    // The controller's stamp: whether its image is loaded, and switching it on and off.
    virtual bool HasStamp() const;
    virtual void ToggleStamp();
    // Reads the overlay picture from the file; it stays until another is loaded.
    virtual void LoadOverlayImage(const QString &file);
    // Shows the loaded overlay picture next to the cursor with that opacity, or hides it.
    virtual void ShowOverlayImage(bool active, float opacity);
};

inline ViewCommandHost &ViewCommands() { return ViewCommandHost::Get(); }
