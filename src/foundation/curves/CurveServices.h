#pragma once
// What curves and their mouse editing need of the scene, the 3D view, the preferences
// and the undo machinery, all of which live in higher layers. The application installs
// its implementation at start-up; until then every call is a quiet default.

#include "foundation/Installable.h"
#include "foundation/math/Vector.h"

namespace General {

class NURBSCurve;

// The undoable curve edits that CurveEdit records.
enum CurveOperationKind {
    kCurveInsertPoint = 3,  // insert a control point at the position (index -1 appends)
    kCurveRemovePoint = 4,  // remove the control point at the index
    kCurveSetPoint = 6,     // move the control point at the index (and its closed-curve copy)
};

class CurveServices : public Installable<CurveServices> {
public:
    virtual ~CurveServices() = default;

    // The scene's current curve: the one being edited, or null.
    virtual void SetCurrentCurve(NURBSCurve *curve) {}
    // Width and height of the 3D view in pixels.
    virtual int GetViewWidth() const { return 0; }
    virtual int GetViewHeight() const { return 0; }
    // Repaints the 3D view.
    virtual void RedrawView() {}
    // Viewport width and height of the scene's active camera; false when there is none.
    virtual bool GetCameraViewport(int &width, int &height) const { return false; }
    // The preferences' integer that widens the control-point pick distance.
    virtual int GetCurvePickTolerance() const { return 0; }
    // Builds the undoable curve operation of that kind with a position and a control-point
    // index and runs it through the undo stack (executed first, pushed when it succeeds,
    // redo stack cleared). False when nothing was done.
    virtual bool ExecuteCurveOperation(NURBSCurve *curve, CurveOperationKind kind, const Vector &position,
                                       int index)
    {
        return false;
    }
};

// The installed services (a do-nothing instance until one is installed).
inline CurveServices &CurveHost() { return CurveServices::Get(); }
// Installs `services` (not owned); null restores the do-nothing instance.
inline void InstallCurveServices(CurveServices *services) { CurveServices::Install(services); }

}  // namespace General
