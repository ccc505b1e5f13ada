#pragma once
// What the scene panels need of the application above them: preference values they show
// and the curve editing state of the 3D view. The application installs its side at
// start-up; until then the defaults below answer.

#include "foundation/Installable.h"
#include "foundation/math/Color.h"
#include "interaction/images/StencilImage.h"

namespace General {
class NURBSCurve;
}

namespace GUI {

class PanelServices : public General::Installable<PanelServices> {
public:
    virtual ~PanelServices() = default;
    // The object list's background (the preference "ObjectListBg").
    virtual General::Color GetObjectListColor() const { return General::Color(0.914f, 0.91f, 0.9f, 1.0f); }
    // Whether the 3D view edits curves with the mouse.
    virtual bool IsCurveEditingOn() const { return false; }
    // The curve being edited; null when none.
    virtual General::NURBSCurve *GetEditedCurve() const { return nullptr; }
    // Ends the current curve edit and, for a curve, starts one on it.
    virtual void EditCurve(General::NURBSCurve *curve) {}

    // --- stencil settings ------------------------------------------------------------------
    // The preferences keep the stencil settings and the stencil samples and draws with its
    // own copy: the two are written together, so neither falls behind. Without the
    // application the controller's stencil alone holds them.
    virtual StencilSettings GetStencilSettings() const;
    virtual void SetStencilSettings(const StencilSettings &settings);
};

inline PanelServices &PanelHost() { return PanelServices::Get(); }

}  // namespace GUI
