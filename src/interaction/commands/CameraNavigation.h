#pragma once
// The camera moves of the navigation handlers, one mouse step each. Positions x, y are
// fractions of the view (0 to 1, y downwards), dx, dy their change since the last
// sample. Pi is taken as 3.1415 throughout, as everywhere in the navigation code.

#include "foundation/math/Vector.h"

class Camera;
class Light;

namespace CameraNavigation {

constexpr float kPi = 3.1415f;
constexpr float kHalfPi = 1.57075f;
constexpr float kDegree = 0.017452778f;

// The light direction for a mouse position: on the sphere of radius sqrt(2) that passes
// through the view's corners, so lz >= 0 everywhere in the view. Not normalised.
General::Vector LightDirection(float x, float y);
// A roll step folded into -1.57075..1.57075, so that crossing the -pi/pi seam of atan2
// never turns the camera half a turn. A step that is not finite gives 0.
float FoldRoll(float angle);
// The trackball's roll share at (x, y): 0 inside the inner circle, 1 at the view's edge.
// The gate holds the drag's smallest share so far: the share never rises above it. A ring
// of no width (rollArea <= 0) gives no roll.
float RollShare(float x, float y, float rollArea, float &gate);

// The options of an orbit step.
struct OrbitOptions {
    bool trackball = false;
    float rollArea = 0.5f;
    bool localFocus = false;
};

// One orbit step about the camera's orbit centre; returns the roll share it used (0 but
// in trackball mode). The camera keeps its distance to the centre, and the centre keeps
// its place in the camera's frame.
float Orbit(Camera &camera, float x, float y, float dx, float dy, const OrbitOptions &options, float &gate);
// Tracks in the view plane, scaled to the view's height at the target's distance.
void Pan(Camera &camera, float dx, float dy);
// Turns about the view axis by the sum of the moves.
void Roll(Camera &camera, float dx, float dy);
// Moves towards the target by the moves scaled to the target distance; the camera stops
// at its near-plane distance from the target rather than reaching it, and from there can
// still move back.
void Zoom(Camera &camera, float dx, float dy);

}  // namespace CameraNavigation
