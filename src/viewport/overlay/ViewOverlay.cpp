#include "viewport/overlay/ViewOverlay.h"

#include "foundation/Diagnostics.h"
#include "foundation/math/MathFunctions.h"
#include "scene/camera/Camera.h"
#include "scene/camera/CameraHost.h"

#include <GL/gl.h>

#include <cmath>

using General::Vector;

void ViewOverlay::LoadPixelProjection() const
{
    const CameraHost &host = CameraHost::Get();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.375, host.ViewWidth() - 0.375, host.ViewHeight() - 0.375, -0.375, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool ViewOverlay::LoadCameraMatrices(bool cameraProjection) const
{
    if (!TV_CHECK(m_pCamera))
        return false;
    glMatrixMode(GL_PROJECTION);
    if (cameraProjection)
        m_pCamera->ApplyProjection(false);
    else
        glLoadMatrixf(m_pCamera->m_mProjection.m);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m_pCamera->m_mModelView.m);
    return true;
}

void ViewOverlay::DrawRectangle(const General::Rect2D &rectangle, bool pixels) const
{
    if (TV_CHECK(pixels))
        LoadPixelProjection();
    glDisable(GL_DEPTH_TEST);
    const int x0 = int(rectangle.x0), y0 = int(rectangle.y0), x1 = int(rectangle.x1), y1 = int(rectangle.y1);
    glBegin(GL_LINE_LOOP);
    glVertex2i(x0, y0);
    glVertex2i(x1, y0);
    glVertex2i(x1, y1);
    glVertex2i(x0, y1);
    glEnd();
}

void ViewOverlay::DrawLine(const Vector &a, const Vector &b, bool pixels) const
{
    glDisable(GL_DEPTH_TEST);
    if (pixels) {
        LoadPixelProjection();
        glBegin(GL_LINES);
        glVertex2i(int(a.x), int(a.y));
        glVertex2i(int(b.x), int(b.y));
        glEnd();
        return;
    }
    if (!LoadCameraMatrices(false))
        return;
    glBegin(GL_LINES);
    glVertex3f(a.x, a.y, a.z);
    glVertex3f(b.x, b.y, b.z);
    glEnd();
}

void ViewOverlay::RingAxes(const Vector &normal, Vector &x, Vector &y, Vector &z)
{
    const float length = normal.Length();
    z = length > 0.0f && std::isfinite(length) ? normal * (1.0f / length) : Vector(0, 0, 1);
    // Across a vertical normal the usual up vector gives no direction; any other
    // perpendicular one serves, since a ring looks the same turned about its normal.
    Vector side = Vector(0, 1, 0).Cross(z);
    if (side.Length() < 1e-6f)
        side = Vector(1, 0, 0).Cross(z);
    x = side * (1.0f / side.Length());
    y = z.Cross(x);
}

void ViewOverlay::DrawCircle(const Vector &centre, const Vector &normal, float radius, int segments,
                             bool pixels) const
{
    if (pixels) {
        LoadPixelProjection();
        glTranslatef(centre.x, centre.y, centre.z);
    } else {
        if (!LoadCameraMatrices(true))
            return;
        glTranslatef(centre.x, centre.y, centre.z);
        Vector x, y, z;
        RingAxes(normal, x, y, z);
        const float orientation[16] = {x.x, x.y, x.z, 0, y.x, y.y, y.z, 0, z.x, z.y, z.z, 0, 0, 0, 0, 1};
        glMultMatrixf(orientation);
    }
    glDisable(GL_DEPTH_TEST);

    if (segments < 2) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
        glEnable(GL_POINT_SMOOTH);
        glPointSize(radius);
        glBegin(GL_POINTS);
        glVertex2d(0.0, 0.0);
        glEnd();
        glDisable(GL_POINT_SMOOTH);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        return;
    }
    glLineWidth(1.0f);
    const float step = General::kAngleWrap / float(segments);
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < segments; ++i) {
        const double angle = double(step) * i;
        glVertex2d(std::cos(angle) * radius, std::sin(angle) * radius);
    }
    glEnd();
}

void DrawWireBox(const Vector &minimum, const Vector &maximum)
{
    const Vector corners[2] = {minimum, maximum};
    // Corner picks per axis (0 the minimum, 1 the maximum): the lower face, the edge up at
    // (x0, z0) and the upper face in one strip, then the other three uprights at (x, z).
    static const int strip[10][3] = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 0, 0},
                                     {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}, {0, 1, 0}};
    static const int uprights[3][2] = {{1, 0}, {1, 1}, {0, 1}};
    glBegin(GL_LINE_STRIP);
    for (const auto &c : strip)
        glVertex3f(corners[c[0]].x, corners[c[1]].y, corners[c[2]].z);
    glEnd();
    glBegin(GL_LINES);
    for (const auto &u : uprights) {
        glVertex3f(corners[u[0]].x, minimum.y, corners[u[1]].z);
        glVertex3f(corners[u[0]].x, maximum.y, corners[u[1]].z);
    }
    glEnd();
}
