// Curves are drawn as line strips through points of their own evaluation.
#include "foundation/curves/CurveServices.h"
#include "foundation/curves/NURBSCurve.h"

#include <GL/gl.h>

namespace General {

void NURBSCurve::Draw(bool ownProjection) const
{
    if (!m_bDrawn)
        return;
    if (ownProjection) {
        int width = 0;
        int height = 0;
        if (!CurveHost().GetCameraViewport(width, height) || width <= 0 || height <= 0)
            return;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-0.375, width - 0.375, height - 0.375, -0.375, -100.0, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    } else {
        TV_ASSERT(false);
    }

    const Matrix transform = GetTransform();
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glLineWidth(0.6f);

    if (m_bBeingEdited) {
        glPointSize(6.0f);
        glBegin(GL_POINTS);
        for (int i = 0; i < GetControlPointCount(); ++i) {
            if (i == m_iSelectedPoint)
                glColor3f(1.0f, 1.0f, 0.0f);
            else
                glColor3f(0.4f, 0.0f, 0.4f);
            const Vector p = transform.Transform(m_aControlPoints[unsigned(i)]);
            glVertex3f(p.x, p.y, p.z);
        }
        glEnd();
        glColor3f(0.9f, 0.0f, 0.9f);
        glBegin(GL_LINE_STRIP);
        for (const Vector &point : m_aControlPoints) {
            const Vector p = transform.Transform(point);
            glVertex3f(p.x, p.y, p.z);
        }
        glEnd();
    }

    if (GetControlPointCount() > m_iDegree) {
        Store<Vector> line("nurbs polyline");
        Tessellate(transform, line);
        glColor3f(0.0f, 1.0f, 0.0f);
        glBegin(GL_LINE_STRIP);
        for (const Vector &p : line)
            glVertex3f(p.x, p.y, p.z);
        glEnd();
    }

    glDisable(GL_LINE_SMOOTH);
}

}  // namespace General
