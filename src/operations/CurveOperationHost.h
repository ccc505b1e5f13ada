#pragma once
// What the curve operation needs of the interaction layer and the GUI: curve editing,
// the modal "Draw On Curve" dialog, and brush samples placed along a curve. The
// interaction layer installs its implementation; until then curve editing is a no-op and
// the dialog counts as cancelled. Tests install a scripted one.

#include "foundation/Installable.h"
#include "foundation/math/Vector.h"

namespace General {
class NURBSCurve;
}

namespace Operations {

class CurveOperationHost : public General::Installable<CurveOperationHost> {
public:
    struct DrawOptions {
        int stamps = 0;
        bool equalSpacing = false;
    };

    virtual ~CurveOperationHost() = default;

    // Ends the curve editing of the interface, if any (the edited curve loses its selection).
    virtual void EndCurveEditing() {}
    // Starts editing the curve (it becomes the scene's current curve).
    virtual void StartCurveEditing(General::NURBSCurve *curve) {}
    virtual void Redraw() {}
    // The panels that show the scene's curves: the scene information dialog, when it is
    // open, lists them again; the properties windows show the "Curve" page.
    virtual void RefreshSceneInformation() {}
    virtual void ShowCurveProperties() {}

    // Runs the modal dialog; false when it was not accepted.
    virtual bool RunDrawOnCurveDialog(DrawOptions &options) { return false; }
    // Brackets the stamps of one drawing: the stroke state is set up for stamping (equal
    // spacing asks for samples at exact positions) and put back afterwards.
    virtual void BeginCurveStroke(bool equalSpacing) {}
    virtual void EndCurveStroke() {}
    // One brush sample at the curve point (in the curve's own space), as one of a stroke.
    virtual void Stamp(General::NURBSCurve &curve, const General::Vector &point, float pressure) {}
    // Ends the brush operation of the stamps as one undoable action.
    virtual void FinishCurveStroke() {}
};

inline CurveOperationHost &CurveOperations() { return CurveOperationHost::Get(); }

}  // namespace Operations
