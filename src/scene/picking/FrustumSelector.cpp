#include "scene/picking/FrustumSelector.h"

#include "mesh/core/Placement.h"
#include "scene/camera/Camera.h"
#include "scene/camera/CameraHost.h"

using General::Vector;

namespace Octree {

void FrustumSelector::SetRectangle(float left, float top, float right, float bottom, float margin)
{
    if (const Camera *camera = CameraHost::Get().ActiveCamera())
        SetRectangle(*camera, left, top, right, bottom, margin);
}

void FrustumSelector::SetRectangle(const Camera &camera, float left, float top, float right, float bottom,
                                   float margin)
{
    General::Matrix unproject = camera.m_mModelView.Multiply(camera.m_mProjection);
    unproject.Invert();
    const float rw = camera.m_fWidthRatio;
    const float rh = camera.m_fHeightRatio;
    const float x0 = 2.0f * left * rw - 1.0f;
    const float x1 = 2.0f * right * rw - 1.0f;
    const float yBottom = 2.0f * (1.0f - bottom) * rh - 1.0f;
    const float yTop = 2.0f * (1.0f - top) * rh - 1.0f;
    const Vector screen[4] = {{x0, yBottom, 0}, {x1, yBottom, 0}, {x1, yTop, 0}, {x0, yTop, 0}};
    const bool orthographic = camera.m_aOrthographic.GetValue();
    for (int i = 0; i < 4; ++i) {
        m_aCorners[i] = unproject.TransformHomogeneous(Vector(screen[i].x, screen[i].y, 1.0f), 1.0f);
        // A perspective region is a pyramid: its near corners are all the eye.
        m_aCorners[4 + i] = orthographic ? unproject.TransformHomogeneous(screen[i], 1.0f) : camera.GetPosition();
    }
    m_fMargin = margin;
}

void FrustumSelector::SetObjectSpace(Placement &placement)
{
    const General::Matrix &toObject = placement.GetInverseLocalMatrix();
    m_cBox.Reset();
    for (int i = 0; i < 8; ++i) {
        m_aObjectCorners[i] = toObject.Transform(m_aCorners[i], 1.0f);
        m_cBox.Extend(m_aObjectCorners[i]);
    }
    const Vector widen(m_fMargin, m_fMargin, m_fMargin);
    m_cBox = AABB(m_cBox.m_vMin - widen, m_cBox.m_vMax + widen);
    const Vector *o = m_aObjectCorners;
    // Every plane is spanned by edges of the far rectangle or by edges to a far corner,
    // so the four coinciding near corners of a perspective region never make a
    // degenerate plane.
    const struct {
        Vector e1, e2, r;
    } spans[6] = {
        {o[1] - o[0], o[3] - o[0], o[0]},  // far
        {o[4] - o[0], o[1] - o[0], o[5]},  // bottom
        {o[2] - o[3], o[0] - o[3], o[6]},  // near
        {o[2] - o[3], o[7] - o[3], o[2]},  // top
        {o[3] - o[0], o[4] - o[0], o[0]},  // left
        {o[5] - o[1], o[2] - o[1], o[5]},  // right
    };
    for (int i = 0; i < 6; ++i) {
        m_aPlanes[i].normal = spans[i].e1.Cross(spans[i].e2).Normalized() * -1.0f;
        m_aPlanes[i].distance = m_aPlanes[i].normal.Dot(spans[i].r) + m_fMargin;
    }
}

int FrustumSelector::TestBox(const AABB &box)
{
    if (!m_cBox.Intersects(box))
        return 1;
    for (const Plane &plane : m_aPlanes) {
        // The corner deepest inside the plane: if even it is outside, the box is.
        const int corner = (plane.normal.x < 0.0f ? 1 : 0) + (plane.normal.y < 0.0f ? 2 : 0) +
                           (plane.normal.z < 0.0f ? 4 : 0);
        if (plane.distance < plane.normal.Dot(box.GetCorner(corner)))
            return 1;
    }
    return 2;
}

}  // namespace Octree
