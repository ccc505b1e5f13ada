#include "interaction/tools/Manipulator.h"

#include "interaction/Interface.h"
#include "mesh/object/Object.h"
#include "operations/TransformationOperation.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/Transformation.h"
#include "scene/camera/Camera.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float kPi = 3.1415f;
constexpr float kPickDistance = 0.04f;
constexpr float kRingPickDistance = 0.03f;

Camera *ActiveCamera()
{
    Scene *scene = Scene::GetCurrent();
    return scene ? scene->m_pActiveCamera : nullptr;
}

General::Vector Screen(const General::Vector &world)
{
    const Camera *camera = ActiveCamera();
    return camera ? camera->WorldToScreen(world, false) : General::Vector(0, 0, 0);
}

General::Vector Unproject(float px, float py, float depth)
{
    const Camera *camera = ActiveCamera();
    return camera ? camera->ScreenToWorld(General::Vector(px, py, depth), false) : General::Vector(0, 0, 0);
}

Transformation *NodeOf(Object &object) { return dynamic_cast<Transformation *>(object.GetTransformation()); }
}  // namespace

void GetPerpendicularFrame(const General::Vector &axis, General::Vector &u, General::Vector &v)
{
    General::Vector n = axis.Normalized();
    // The reference is the scene axis least aligned with the normal.
    const General::Vector reference =
        std::fabs(n.x) < 0.6f ? General::Vector(1, 0, 0) : General::Vector(0, 1, 0);
    u = n.Cross(reference).Normalized();
    v = n.Cross(u).Normalized();
}

bool IntersectLinePlane(const General::Vector &a, const General::Vector &b, const General::Vector &n, float d,
                        General::Vector &hit)
{
    const float along = (b - a).Dot(n);
    if (!(std::fabs(along) > 1e-12f))
        return false;
    const float u = (d - a.Dot(n)) / along;
    hit = a + (b - a) * u;
    return hit.IsFinite();
}

Manipulator::Manipulator(Object &object, int mode, float size, int presetHandle, std::unique_ptr<Manipulator> next)
    : m_pObject(&object), m_pNode(NodeOf(object)), m_iMode(mode), m_iHandle(presetHandle), m_iPreset(presetHandle),
      m_pNext(std::move(next))
{
    m_fNormaliser = ScaleNormaliser();
    m_fSize = size;
    m_fHandleLength = size / m_fNormaliser;
    UpdateAxes();
    m_fDepth = Screen(m_vCentre).z;
    if (Interface *controller = Interface::Get())
        controller->m_bBrushCursor = false;
}

Manipulator::~Manipulator()
{
    Interface *controller = Interface::Get();
    // The next gizmo of a preset drag keeps the ring hidden while it lasts.
    if (controller && !m_pNext && controller->GetManipulator() == nullptr)
        controller->m_bBrushCursor = !(controller->m_pCurrentTool && controller->m_pCurrentTool->m_iType == 5);
}

float Manipulator::ScaleNormaliser() const
{
    if (!m_pNode)
        return 1.0f;
    const float third = 1.0f / std::sqrt(3.0f);
    const float length = m_pNode->m_mFull.Transform(General::Vector(third, third, third), 0.0f).Length();
    return length > 1e-12f && std::isfinite(length) ? length : 1.0f;
}

void Manipulator::UpdateAxes()
{
    if (!m_pNode)
        return;
    const General::Matrix &local = m_pNode->m_mFull;
    m_fNormaliser = ScaleNormaliser();
    if (const Camera *camera = ActiveCamera()) {
        const float distance = (local.Transform(General::Vector(0, 0, 0), 1.0f) - camera->GetPosition()).Length();
        if (distance > 0.0f && std::isfinite(distance))
            m_fHandleLength = distance * 0.05f / m_fNormaliser;
    }
    const General::Vector pivot = m_pNode->m_aPivot.GetValue();
    m_vCentre = local.Transform(pivot, 1.0f);
    const float l = m_fHandleLength;
    if (m_iMode == kTranslate || m_iMode == kPivot) {
        const float world = local.Transform(General::Vector(l, 0, 0), 0.0f).Length();
        m_aEnd[0] = m_vCentre + General::Vector(world, 0, 0);
        m_aEnd[1] = m_vCentre + General::Vector(0, world, 0);
        m_aEnd[2] = m_vCentre + General::Vector(0, 0, world);
    } else {
        m_aEnd[0] = local.Transform(pivot + General::Vector(l, 0, 0), 1.0f);
        m_aEnd[1] = local.Transform(pivot + General::Vector(0, l, 0), 1.0f);
        m_aEnd[2] = local.Transform(pivot + General::Vector(0, 0, l), 1.0f);
    }
}

float Manipulator::RingScreenDistance(const General::Vector &axis, float radius, float px, float py) const
{
    General::Vector u, v;
    GetPerpendicularFrame(axis, u, v);
    float best = 2.0f;
    for (int k = 0; k <= 40; ++k) {
        const float a = float(k) * kPi / 20.0f;
        const General::Vector s = Screen(m_vCentre + (u * std::cos(a) + v * std::sin(a)) * radius);
        best = std::min(best, std::max(std::fabs(s.x - px), std::fabs(s.y - py)));
    }
    return best;
}

float Manipulator::GetRingAngle(float px, float py) const
{
    General::Vector hit;
    if (!IntersectLinePlane(Unproject(px, py, 0.0f), Unproject(px, py, 0.5f), m_vRingAxis, m_fRingOffset, hit))
        return m_fLastAngle;  // the ring is seen edge-on: the pointer gives no angle
    const General::Vector v = (hit - m_vCentre).Normalized();
    const General::Vector reference = m_vRingReference.Normalized();
    float angle = std::acos(std::clamp(v.Dot(reference), -1.0f, 1.0f));
    if (v.Cross(reference).Dot(m_vRingAxis) >= 0.0f)
        angle = -angle;
    return std::isfinite(angle) ? angle : m_fLastAngle;
}

void Manipulator::PickHandle(float px, float py)
{
    if (m_iMode == kRotate) {
        const General::Vector axis[3] = {m_aEnd[0] - m_vCentre, m_aEnd[1] - m_vCentre, m_aEnd[2] - m_vCentre};
        const Camera *camera = ActiveCamera();
        const General::Vector forward = camera ? camera->GetForward() : General::Vector(0, 0, -1);
        const General::Vector right = camera ? camera->GetRight() : General::Vector(1, 0, 0);
        const float ex = RingScreenDistance(axis[0], axis[0].Length(), px, py);
        const float ey = RingScreenDistance(axis[1], axis[1].Length(), px, py);
        const float ez = RingScreenDistance(axis[2], axis[2].Length(), px, py);
        const float ev = RingScreenDistance(forward, 1.2f * axis[0].Length(), px, py);
        if (ex < kRingPickDistance && ex < ey && ex < ez && ex < ev) {
            m_iHandle = kX, m_vRingAxis = axis[0], m_vRingReference = axis[1];
        } else if (ey < kRingPickDistance && ey < ez && ey < ev) {
            m_iHandle = kY, m_vRingAxis = axis[1], m_vRingReference = axis[2];
        } else if (ez < kRingPickDistance && ez < ev) {
            m_iHandle = kZ, m_vRingAxis = axis[2], m_vRingReference = axis[0];
        } else if (ev < kRingPickDistance) {
            m_iHandle = kView, m_vRingAxis = forward, m_vRingReference = right;
        } else {
            m_iHandle = kFree;
        }
        m_vRingAxis = m_vRingAxis.Normalized();
        m_fRingOffset = m_vCentre.Dot(m_vRingAxis);
        m_fLastAngle = GetRingAngle(px, py);
        return;
    }
    const General::Vector c = Screen(m_vCentre);
    m_iHandle = kNone;
    if (std::fabs(px - c.x) < kPickDistance && std::fabs(py - c.y) < kPickDistance) {
        m_iHandle = kFree;
        m_fDepth = c.z;
    }
    for (int axis = 0; axis < 3; ++axis) {
        const General::Vector e = Screen(m_aEnd[axis]);
        if (std::fabs(px - e.x) < kPickDistance && std::fabs(py - e.y) < kPickDistance) {
            m_iHandle = kX + axis;
            m_fAxisX = e.x - c.x;
            m_fAxisY = e.y - c.y;
            m_fAxisStart = m_fAxisX * c.x + m_fAxisY * c.y;
            m_fAxisEnd = m_fAxisX * e.x + m_fAxisY * e.y;
        }
    }
}

void Manipulator::OnBegin(float x, float y)
{
    if (!m_pNode)
        return;
    UpdateAxes();
    const float px = 2.0f * x - 1.0f, py = 1.0f - 2.0f * y;
    const General::Vector c = Screen(m_vCentre);
    m_fOffsetX = c.x - px;
    m_fOffsetY = c.y - py;
    m_vStartTranslate = m_pNode->m_aTranslate.GetValue();
    m_vStartScale = m_pNode->m_aScale.GetValue();
    m_vStartRotate = m_pNode->m_aRotate.GetValue();
    m_vStartPivot = m_pNode->m_aPivot.GetValue();
    if (m_iHandle == kNone)
        PickHandle(px, py);
    m_vStartCentre = m_vCentre;
    for (int axis = 0; axis < 3; ++axis)
        m_aStartEnd[axis] = m_aEnd[axis];
}

void Manipulator::SyncTranslation(const General::Vector &centre)
{
    const General::Vector placed = m_pNode->m_mFull.Transform(m_pNode->m_aPivot.GetValue(), 1.0f);
    const General::Vector offset = centre - placed;
    if (offset.IsFinite() && offset != General::Vector(0, 0, 0))
        m_pNode->AddTranslate(offset);
}

void Manipulator::OnMove(float x, float y)
{
    Interface *controller = Interface::Get();
    const Camera *camera = ActiveCamera();
    if (!m_pNode || m_iHandle == kNone || !controller || !camera)
        return;
    const float px = 2.0f * x - 1.0f, py = 1.0f - 2.0f * y;
    const float span = m_fAxisEnd - m_fAxisStart;
    // An axis seen end-on has no screen length: the drag keeps it where it was.
    const float t = std::fabs(span) > 1e-12f ? (m_fAxisX * px + m_fAxisY * py - m_fAxisStart) / span : 1.0f;
    const float dx = controller->m_fDeltaX, dy = controller->m_fDeltaY;
    General::Vector centre = m_vStartCentre;
    const int axis = m_iHandle - kX;
    switch (m_iMode) {
    case kTranslate:
    case kPivot:
        if (m_iHandle == kFree)
            centre = Unproject(px + m_fOffsetX, py + m_fOffsetY, m_fDepth);
        else
            centre = m_vStartCentre + (m_aStartEnd[axis] - m_vStartCentre) * (t - 1.0f);
        if (m_iMode == kPivot)
            m_pNode->m_aPivot.SetValue(m_pNode->GetInverseLocalMatrix().Transform(centre, 1.0f), true);
        break;
    case kScale:
        if (m_iHandle == kFree) {
            // A drag down-left never turns the object inside out: the factor stays positive.
            const float factor = std::max(1.0f + dx - dy, 0.01f);
            m_pNode->SetScale(m_pNode->m_aScale.GetValue() * factor);
        } else {
            General::Vector scale = m_vStartScale;
            (&scale.x)[axis] = (&m_vStartScale.x)[axis] * t;
            m_pNode->SetScale(scale);
        }
        break;
    case kRotate:
        if (m_iHandle == kFree) {
            const General::Matrix &toNode = m_pNode->GetInverseLocalMatrix();
            m_pNode->RotateAround(toNode.Transform(camera->GetUp(), 0.0f), -5.0f * dx);
            m_pNode->RotateAround(m_pNode->GetInverseLocalMatrix().Transform(camera->GetRight(), 0.0f), -5.0f * dy);
        } else {
            const float a = GetRingAngle(px, py);
            const float turn = m_fLastAngle - a;
            if (m_iHandle == kView) {
                m_pNode->RotateAround(m_pNode->GetInverseLocalMatrix().Transform(camera->GetForward(), 0.0f), turn);
            } else {
                General::Vector euler(0, 0, 0);
                (&euler.x)[axis] = turn;
                m_pNode->RotateBy(euler);
            }
            m_fLastAngle = a;
        }
        break;
    default:
        break;
    }
    SyncTranslation(centre);
    UpdateAxes();
    Interface::Redraw();
}

void Manipulator::OnEnd(float, float)
{
    Interface *controller = Interface::Get();
    if (m_pNode && m_iHandle != kNone) {
        m_fNormaliser = ScaleNormaliser();
        const General::Vector scale = m_pNode->m_aScale.GetValue();
        TransformationOperation::RescaleNormals(*m_pObject, m_vStartScale, scale);
        Interface::Redraw();
        const bool moved = m_pNode->m_aTranslate.GetValue() != m_vStartTranslate ||
                           m_pNode->m_aRotate.GetValue() != m_vStartRotate || scale != m_vStartScale;
        if (moved) {
            TransformationOperation operation(*m_pNode, m_vStartTranslate, m_vStartRotate, m_vStartScale);
            Interface::ExecuteOperation(&operation, Interface::UndoStack(), true, 0, false);
        } else if (m_pNode->m_aPivot.GetValue() != m_vStartPivot) {
            // The pivot is not part of the undo record, but the scene did change.
            if (Scene *scene = Scene::GetCurrent())
                scene->m_bModified = true;
        }
    }
    m_iHandle = kNone;
    // Last: this ends the preset gizmo's life.
    if (m_iPreset != kNone && controller && controller->GetManipulator() == this)
        controller->EndPresetManipulator();
}
