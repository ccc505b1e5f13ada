#pragma once
// What is drawn over the 3D view in immediate mode: the selection rectangle, lines, the
// brush ring under the cursor and the wire box of a bounding box. Callers set their
// colours first; the routines leave the depth test off and the matrices they loaded.
// In pixel mode coordinates are pixels from the view's top-left corner and only x and y
// count; otherwise they are world coordinates seen through the camera.

#include "foundation/math/Rect2D.h"
#include "foundation/math/Vector.h"

class Camera;

class ViewOverlay {
public:
    explicit ViewOverlay(Camera *camera = nullptr) : m_pCamera(camera) {}

    // The view's active camera; its matrices place world-space overlays.
    void SetCamera(Camera *camera) { m_pCamera = camera; }
    Camera *GetCamera() const { return m_pCamera; }

    // A line loop through the corners, each truncated to whole pixels. Only pixel mode is
    // meant; without it the check is reported and the loop drawn under the current matrices.
    void DrawRectangle(const General::Rect2D &rectangle, bool pixels) const;
    void DrawLine(const General::Vector &a, const General::Vector &b, bool pixels) const;
    // A ring of `segments` points across `normal` (a round point of the radius as its size
    // for fewer than 2). Any normal gives a proper ring plane, the vertical one included.
    void DrawCircle(const General::Vector &centre, const General::Vector &normal, float radius, int segments,
                    bool pixels) const;

    // The axes of the ring's plane across `normal`: x, y and the unit normal z.
    static void RingAxes(const General::Vector &normal, General::Vector &x, General::Vector &y, General::Vector &z);

private:
    // An orthographic projection over the view's pixels, y downwards, pixel centres on
    // whole coordinates; the model-view matrix the identity.
    void LoadPixelProjection() const;
    // The camera's projection and model-view matrices; false without a camera.
    bool LoadCameraMatrices(bool cameraProjection) const;

    Camera *m_pCamera;
};

// The twelve edges of the axis-aligned box between the two corners, in world space under
// the current matrices.
void DrawWireBox(const General::Vector &minimum, const General::Vector &maximum);
