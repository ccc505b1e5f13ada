#pragma once
// Culls octree cubes against the part of the view seen through a screen rectangle:
// six planes built from the camera's unprojected corners, brought into an object's space.

#include "mesh/core/Octree.h"

class Camera;
class Placement;

namespace Octree {

class FrustumSelector : public Selector {
public:
    struct Plane {
        General::Vector normal{0, 0, 0};
        float distance = 0.0f;
    };

    // The corners of the rectangle (view fractions 0..1, y downward) through the scene's
    // active camera; without one the selector stays empty.
    void SetRectangle(float left, float top, float right, float bottom, float margin);
    void SetRectangle(const Camera &camera, float left, float top, float right, float bottom, float margin);
    // Brings the corners into the placement's space and builds the planes and the box.
    void SetObjectSpace(Placement &placement);

    // 1 when the box lies outside the corners' box or wholly outside a plane, else 2.
    int TestBox(const AABB &box) override;
    // Faces are drawn by the direct traversal, never handed to the selector.
    void VisitFace(Mesh &, unsigned) override {}

    General::Vector m_aCorners[8] = {};        // world space: far 0..3, near 4..7
    General::Vector m_aObjectCorners[8] = {};  // the placement's space
    Plane m_aPlanes[6];                        // far, bottom, near, top, left, right
    AABB m_cBox;
    float m_fMargin = 0.0f;
};

}  // namespace Octree
