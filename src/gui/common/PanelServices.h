#pragma once
// What the scene panels need of the application above them: preference values they show
// and the curve editing state of the 3D view. The application installs its side at
// start-up; until then the defaults below answer.

#include "foundation/Installable.h"
#include "foundation/math/Color.h"
#include "interaction/InteractionServices.h"
#include "interaction/images/StencilImage.h"

namespace General {
class NURBSCurve;
}

namespace GUI {

// The stroke preferences the brush panel edits: those the strokes read, and the rest.
struct BrushPanelSettings {
    StrokePreferences stroke;  // mirror, jitters, flips, orient to stroke, face selection mode
    bool mirrorLocal = true;   // the mirror axis is taken in the object's own frame
    int buildupRate = 40;
    int objectSelectionMode = 1;  // 0 "Paint", 1 "Rectangle"
};

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

    // --- brush panel ------------------------------------------------------------------
    // Without the application the settings live here, for the session.
    virtual BrushPanelSettings GetBrushPanelSettings() const { return m_cBrushPanel; }
    virtual void SetBrushPanelSettings(const BrushPanelSettings &settings) { m_cBrushPanel = settings; }

    // --- stencil settings ------------------------------------------------------------------
    // The preferences keep the stencil settings and the stencil samples and draws with its
    // own copy: the two are written together, so neither falls behind. Without the
    // application the controller's stencil alone holds them.
    virtual StencilSettings GetStencilSettings() const;
    virtual void SetStencilSettings(const StencilSettings &settings);

private:
    BrushPanelSettings m_cBrushPanel;
};

inline PanelServices &PanelHost() { return PanelServices::Get(); }

}  // namespace GUI
