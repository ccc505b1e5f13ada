// The gizmo's immediate-mode drawing: lines and lit boxes for scaling, rings for turning,
// a sphere and cones for moving. The caller has loaded the camera's matrices.
#include "interaction/tools/Manipulator.h"

#include "scene/Scene.h"
#include "scene/camera/Camera.h"

#include <GL/gl.h>

#include <cmath>

namespace {
constexpr float kPi = 3.1415f;
const float kAxisColour[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

void Vertex(const General::Vector &p) { glVertex3f(p.x, p.y, p.z); }
void Normal(const General::Vector &n) { glNormal3f(n.x, n.y, n.z); }

// Six quads with normals around `centre`, edges along the unit axes.
void DrawBox(const General::Vector &centre, const General::Vector axes[3], float half)
{
    glBegin(GL_QUADS);
    for (int a = 0; a < 3; ++a) {
        const General::Vector &n = axes[a];
        const General::Vector &u = axes[(a + 1) % 3];
        const General::Vector &v = axes[(a + 2) % 3];
        for (const float side : {1.0f, -1.0f}) {
            const General::Vector face = centre + n * (half * side);
            Normal(n * side);
            Vertex(face + (u + v) * half);
            Vertex(face + (u - v) * (half * side));
            Vertex(face - (u + v) * half);
            Vertex(face - (u - v) * (half * side));
        }
    }
    glEnd();
}

// Black lines from the centre to the axis ends, unlit.
void DrawAxisLines(const General::Vector &centre, const General::Vector ends[3])
{
    glDisable(GL_LIGHTING);
    glColor3f(0, 0, 0);
    glBegin(GL_LINES);
    for (int a = 0; a < 3; ++a) {
        Vertex(centre);
        Vertex(ends[a]);
    }
    glEnd();
}

void DrawRing(const General::Vector &centre, const General::Vector &axis, float radius)
{
    General::Vector u, v;
    GetPerpendicularFrame(axis, u, v);
    glBegin(GL_LINE_STRIP);
    for (int k = 0; k <= 40; ++k) {
        const float a = float(k) * kPi / 20.0f;
        Vertex(centre + (u * std::cos(a) + v * std::sin(a)) * radius);
    }
    glEnd();
}
}  // namespace

void Manipulator::Draw() const
{
    if (!GetNode())
        return;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    switch (m_iMode) {
    case kScale:
        DrawScale();
        break;
    case kRotate:
        DrawRotate();
        break;
    default:
        DrawTranslate();
        break;
    }
    glPopAttrib();
}

void Manipulator::DrawScale() const
{
    DrawAxisLines(m_vCentre, m_aEnd);
    General::Vector axes[3];
    float sum = 0.0f;
    for (int a = 0; a < 3; ++a) {
        const General::Vector axis = m_aEnd[a] - m_vCentre;
        sum += axis.Length();
        axes[a] = axis.Normalized();
    }
    const float half = sum * 0.0333333f;
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(1, 1, 1);
    DrawBox(m_vCentre, axes, half);
    for (int a = 0; a < 3; ++a) {
        glColor3fv(kAxisColour[a]);
        DrawBox(m_aEnd[a], axes, half);
    }
}

void Manipulator::DrawRotate() const
{
    glDisable(GL_LIGHTING);
    for (int a = 0; a < 3; ++a) {
        const General::Vector axis = m_aEnd[a] - m_vCentre;
        glColor3fv(kAxisColour[a]);
        DrawRing(m_vCentre, axis, axis.Length());
    }
    const Scene *scene = Scene::GetCurrent();
    const Camera *camera = scene ? scene->m_pActiveCamera : nullptr;
    const General::Vector forward = camera ? camera->GetForward() : General::Vector(0, 0, -1);
    glColor3f(0, 0, 0);
    DrawRing(m_vCentre, forward, 1.2f * (m_aEnd[0] - m_vCentre).Length());
}

void Manipulator::DrawTranslate() const
{
    DrawAxisLines(m_vCentre, m_aEnd);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    // The sphere at the centre.
    const float radius = 0.05f * ((m_aEnd[0] - m_vCentre) + (m_aEnd[1] - m_vCentre) + (m_aEnd[2] - m_vCentre)).Length();
    const float step = kPi / 20.0f;
    const auto point = [](float theta, float phi) {
        return General::Vector(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
    };
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    for (int i = 0; i < 20; ++i)
        for (int j = 0; j < 40; ++j) {
            const float t0 = float(i) * step, t1 = float(i + 1) * step;
            const float p0 = float(j) * step, p1 = float(j + 1) * step;
            for (const General::Vector &n : {point(t0, p0), point(t1, p0), point(t1, p1), point(t0, p1)}) {
                Normal(n);
                Vertex(m_vCentre + n * radius);
            }
        }
    glEnd();
    // The cones at the axis ends.
    for (int a = 0; a < 3; ++a) {
        const General::Vector axis = m_aEnd[a] - m_vCentre;
        const General::Vector base = m_aEnd[a] - axis * 0.15f, tip = m_aEnd[a] + axis * 0.15f;
        const float r = 0.1f * axis.Length();
        General::Vector u, v;
        GetPerpendicularFrame(axis, u, v);
        glColor3fv(kAxisColour[a]);
        glBegin(GL_TRIANGLES);
        for (int k = 0; k < 20; ++k) {
            const float a0 = float(k) * 0.31415f, a1 = float(k + 1) * 0.31415f;
            const General::Vector r0 = u * std::cos(a0) + v * std::sin(a0);
            const General::Vector r1 = u * std::cos(a1) + v * std::sin(a1);
            Normal(r0 + r1);
            Vertex(tip);
            Vertex(base + r0 * r);
            Vertex(base + r1 * r);
            Normal(axis * -1.0f);
            Vertex(base);
            Vertex(base + r1 * r);
            Vertex(base + r0 * r);
        }
        glEnd();
    }
}
