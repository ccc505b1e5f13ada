#include "interaction/commands/CameraNavigation.h"

#include "foundation/math/MathFunctions.h"
#include "scene/camera/Camera.h"

#include <algorithm>
#include <cmath>

using General::Vector;

namespace CameraNavigation {

Vector LightDirection(float x, float y)
{
    const float lx = 2.0f * x - 1.0f;
    const float ly = 1.0f - 2.0f * y;
    return Vector(lx, ly, std::sqrt(std::max(0.0f, 2.0f - lx * lx - ly * ly)));
}

float FoldRoll(float angle)
{
    if (!std::isfinite(angle))
        return 0.0f;
    // Whole half turns at once, so a huge step cannot loop for long.
    if (std::fabs(angle) > 8.0f * kPi)
        angle -= kPi * std::trunc(angle / kPi);
    while (angle > kHalfPi)
        angle -= kPi;
    while (angle < -kHalfPi)
        angle += kPi;
    return angle;
}

float RollShare(float x, float y, float rollArea, float &gate)
{
    if (!(rollArea > 0.0f))
        return 0.0f;
    const float inner = (1.0f - rollArea) * 0.5f;
    const float length = std::hypot(x - 0.5f, y - 0.5f);
    float share = std::clamp(2.0f * (length - inner) / rollArea, 0.0f, 1.0f);
    if (share > gate)
        share = gate;
    else
        gate = share;
    return share;
}

float Orbit(Camera &camera, float x, float y, float dx, float dy, const OrbitOptions &options, float &gate)
{
    const float rs = camera.m_fRotateSensitivity;
    float share = 0.0f;
    if (options.trackball) {
        share = RollShare(x, y, options.rollArea, gate);
        if (share > 0.0f) {
            const float a0 = std::atan2(x - 0.5f, y - 0.5f);
            const float a1 = std::atan2(x + dx - 0.5f, y + dy - 0.5f);
            camera.Rotate(Vector(0.0f, 0.0f, FoldRoll(a1 - a0) * share * 0.03f));
        }
    }
    const float w = 1.0f - share;
    if (!options.localFocus)
        camera.m_vPivot = camera.m_vTarget;
    const Vector centre = camera.m_vPivot;
    const float distance = (camera.GetPosition() - centre).Length();
    const General::Matrix &inverse = camera.GetInverseLocalMatrix();
    const Vector localCentre = inverse.Transform(centre);
    const Vector localTarget = inverse.Transform(camera.m_vTarget);

    const float angle = General::WrapValue(camera.m_vRotationBackup.x, 0.0f, 2.0f * kPi);
    const float side = angle > kHalfPi && angle < 3.0f * kHalfPi ? -1.0f : 1.0f;
    if (options.trackball) {
        camera.RotateAround(Vector(0, 1, 0), rs * w * kPi * dx);
        camera.RotateAround(Vector(1, 0, 0), rs * w * kPi * dy);
        camera.Rotate(Vector(0, 0, 0));
    } else {
        camera.SetRotation(camera.m_vRotationBackup + Vector(rs * kPi * dy * w, side * rs * kPi * dx * w, 0.0f));
    }
    camera.m_vRotationBackup = camera.m_vRotation;

    camera.SetTranslate(centre - camera.LocalToWorld(Vector(0, 0, -1), 0.0f) * distance);
    camera.AddTranslate(centre - camera.LocalToWorld(localCentre, 1.0f));
    camera.m_vTarget = camera.LocalToWorld(localTarget, 1.0f);
    return share;
}

void Pan(Camera &camera, float dx, float dy)
{
    const float height = 2.0f * camera.GetDistanceToTarget() * std::tan(camera.m_aFOV.GetValue() * 0.5f);
    const float ts = camera.m_fTrackSensitivity;
    camera.TrackHorizontal(-height * camera.m_fAspect * ts * dx);
    camera.TrackVertical(height * ts * dy);
}

void Roll(Camera &camera, float dx, float dy)
{
    camera.Rotate(Vector(0.0f, 0.0f, (dx + dy) * camera.m_fRotateSensitivity * kDegree * kPi));
    camera.m_vRotationBackup = camera.m_vRotation;
}

void Zoom(Camera &camera, float dx, float dy)
{
    const float distance = camera.GetDistanceToTarget();
    const float nearest = std::max(camera.m_aNearPlane.GetValue(), 0.0f);
    // Scaled by at least the near-plane distance, so a camera close to its target still moves.
    float amount = (dy + dx) * camera.m_fDollySensitivity * std::max(distance, nearest);
    if (amount > 0.0f)
        amount = std::min(amount, std::max(0.0f, distance - nearest));
    if (amount != 0.0f && std::isfinite(amount))
        camera.Dolly(amount);
}

}  // namespace CameraNavigation
