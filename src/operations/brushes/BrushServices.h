#pragma once
// What a brush stroke reads of the layers above the operations: the brush preferences,
// the view's camera and the interface's sketch volume, and the redraw it asks for when an
// undo or redo changed the mesh. The application installs its implementation; the
// default answers with the preference defaults and no camera.

#include "foundation/Installable.h"
#include "foundation/math/Vector.h"

class Camera;
namespace General {
class Volume;
}

namespace Operations {

class BrushServices : public General::Installable<BrushServices> {
public:
    virtual ~BrushServices() = default;

    // The fraction of the pressure by which one sample may fall below the one before.
    virtual float GetPressureDropFraction() const { return 0.75f; }
    // The soft brush's rate preference (1 to 50; higher is faster).
    virtual int GetBrushRate() const { return 40; }
    // The face brushes' walk setting; -1 makes their walks cover mirrored faces too.
    virtual int GetFaceWalkSetting() const { return 0; }
    // The symmetry mode: -1 topological, 0 off, 1 mirror through the first symmetry axis.
    virtual int GetSymmetryMode() const { return 0; }
    virtual General::Vector GetSymmetryAxis() const { return General::Vector(1, 0, 0); }
    // Whether a mirror acts in world space rather than in the object's own space.
    virtual bool GetWorldSpaceSymmetry() const { return true; }
    // The pointer in the view, each coordinate 0 to 1 from the top-left corner.
    virtual void GetPointerPosition(float &x, float &y) const { x = y = 0.0f; }
    // The camera of the view the stroke is drawn in; null when there is none.
    virtual Camera *GetActiveCamera() const;
    // The interface's sketch volume; null when sketching is off.
    virtual General::Volume *GetSketchVolume() const { return nullptr; }
    // Asks the view to draw again.
    virtual void Redraw() {}
};

}  // namespace Operations
