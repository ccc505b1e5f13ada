#pragma once
// The grey images that shape a stroke, as brush kernels see them: the stencil, laid over
// the screen, and the stamp, carried along the stroke. Both belong to the controller above
// the operations, which installs its implementation; the default has neither, so every
// kernel's image factor is 1.

#include "foundation/Installable.h"
#include "foundation/math/Vector.h"

class Placement;

namespace Operations {

class BrushImages : public General::Installable<BrushImages> {
public:
    virtual ~BrushImages() = default;

    virtual bool HasStencil() const { return false; }
    // Makes stencil samples take points in the space of the object with this placement.
    virtual void SetStencilObject(Placement *placement) {}
    // The stencil's value under an object-space point.
    virtual float SampleStencil(const General::Vector &point) const { return 1.0f; }

    virtual bool HasStamp() const { return false; }
    // The stamp's value under an object-space point, where the current sample placed it.
    virtual float SampleStamp(const General::Vector &point) const { return 1.0f; }
};

}  // namespace Operations
