#pragma once
// The stencil as far as a flood and the placement drags use it: whether one is loaded,
// where it lies on the screen, and the object placement its projection is taken through.

#include "foundation/images/ImagePlacement.h"
#include "foundation/math/Matrix.h"

class Placement;

class StencilImage {
public:
    // The projection follows the edited object's placement (identity without one).
    void UpdateProjection(Placement *placement);

    General::Matrix m_mObject;
    General::ImagePlacement m_cPlacement;
    bool m_bLoaded = false;
};
