#include "ViewCommandsFixture.h"

#include "interaction/commands/CameraNavigation.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"

#include <cmath>
#include <limits>

namespace {

using General::Vector;
namespace nav = CameraNavigation;

void ExpectNear(const Vector &a, const Vector &b, float tolerance)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(CameraMaths, LightDirectionAtTheCentreEdgesAndCorners)
{
    const struct {
        float x, y;
        Vector direction;
    } cases[] = {
        {0.5f, 0.5f, Vector(0, 0, 1.41421f)}, {0, 0, Vector(-1, 1, 0)},  {1, 0, Vector(1, 1, 0)},
        {0, 1, Vector(-1, -1, 0)},            {1, 1, Vector(1, -1, 0)},  {1, 0.5f, Vector(1, 0, 1)},
        {0.5f, 0, Vector(0, 1, 1)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        ExpectNear(nav::LightDirection(c.x, c.y), c.direction, 1e-4f);
    }
}

TEST(CameraMaths, RollStepsFoldIntoAQuarterTurnEitherWay)
{
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float step, folded;
    } cases[] = {
        {0.0f, 0.0f},        {1.5f, 1.5f},          {-1.5f, -1.5f},
        {2.0f, 2.0f - 3.1415f}, {-2.0f, 3.1415f - 2.0f}, {6.0f, 6.0f - 2 * 3.1415f},
        // Across the seam of atan2: from just below pi to just above -pi is a small step.
        {-3.1415f + 0.01f - 3.1415f + 0.01f, 0.02f - 3.1415f + 3.1415f},
        {std::nanf(""), 0.0f}, {inf, 0.0f},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.step);
        const float folded = nav::FoldRoll(c.step);
        EXPECT_NEAR(folded, c.folded, 1e-4f);
        EXPECT_LE(std::fabs(folded), nav::kHalfPi);
    }
    // A huge step ends at once, within the range.
    EXPECT_LE(std::fabs(nav::FoldRoll(1e30f)), nav::kHalfPi);
}

TEST(CameraMaths, RollShareRisesAcrossTheRingAndNeverComesBackInOneDrag)
{
    const struct {
        float x, y, share;
    } cases[] = {
        {0.5f, 0.5f, 0.0f}, {0.75f, 0.5f, 0.0f}, {0.875f, 0.5f, 0.5f}, {1.0f, 0.5f, 1.0f}, {1.0f, 1.0f, 1.0f},
    };
    for (const auto &c : cases) {
        float gate = 1.0f;
        EXPECT_NEAR(nav::RollShare(c.x, c.y, 0.5f, gate), c.share, 1e-5f) << c.x << ", " << c.y;
    }
    // Inward to the middle of the ring, then out to the edge: the share stays at the middle's.
    float gate = 1.0f;
    EXPECT_NEAR(nav::RollShare(0.875f, 0.5f, 0.5f, gate), 0.5f, 1e-5f);
    EXPECT_NEAR(nav::RollShare(1.0f, 0.5f, 0.5f, gate), 0.5f, 1e-5f);
    EXPECT_NEAR(nav::RollShare(0.5f, 0.5f, 0.5f, gate), 0.0f, 1e-5f);
    EXPECT_NEAR(nav::RollShare(1.0f, 0.5f, 0.5f, gate), 0.0f, 1e-5f);
    // A ring of no width (a settings file may hold 0) gives no roll and no division by it.
    for (float area : {0.0f, -0.5f, std::nanf("")}) {
        float fresh = 1.0f;
        EXPECT_EQ(nav::RollShare(1.0f, 0.5f, area, fresh), 0.0f);
    }
}

class CameraMoves : public ViewCommandTest {
protected:
    void SetUp() override
    {
        ViewCommandTest::SetUp();
        m_camera = m_scene->m_pActiveCamera;
        ASSERT_NE(m_camera, nullptr);
        m_camera->m_vTarget = Vector(0, 0, 0);
        m_camera->SetTranslate(Vector(0, 50, 200));
        m_camera->LookAt(m_camera->m_vTarget, Vector(0, 1, 0));
        m_camera->m_vRotationBackup = m_camera->m_vRotation;
    }
    struct Pose {
        Vector position, rotation, target;
    };
    Pose Now() const { return {m_camera->GetPosition(), m_camera->m_vRotation, m_camera->m_vTarget}; }
    static void ExpectSame(const Pose &a, const Pose &b, float tolerance = 1e-3f)
    {
        ExpectNear(a.position, b.position, tolerance);
        ExpectNear(a.rotation, b.rotation, tolerance * 0.01f);
        ExpectNear(a.target, b.target, tolerance);
    }
    float Distance() const { return m_camera->GetDistanceToTarget(); }

    Camera *m_camera = nullptr;
    float m_gate = 1.0f;
};

TEST_F(CameraMoves, ZeroMovesChangeNothing)
{
    const Pose before = Now();
    nav::Pan(*m_camera, 0, 0);
    nav::Roll(*m_camera, 0, 0);
    nav::Zoom(*m_camera, 0, 0);
    ExpectSame(Now(), before, 1e-4f);

    // The orbit still takes the target as its centre and keeps the distance to it.
    m_camera->m_vPivot = Vector(5, 5, 5);
    nav::Orbit(*m_camera, 0.3f, 0.3f, 0, 0, {}, m_gate);
    ExpectNear(m_camera->m_vPivot, m_camera->m_vTarget, 1e-6f);
    ExpectSame(Now(), before);
}

TEST_F(CameraMoves, OrbitAndPanGoBackWhenTheMouseGoesBack)
{
    const Pose before = Now();
    const float distance = Distance();
    nav::Orbit(*m_camera, 0.5f, 0.5f, 0.1f, 0.05f, {}, m_gate);
    EXPECT_GT((Now().position - before.position).Length(), 1.0f);
    EXPECT_NEAR(Distance(), distance, 1e-2f);
    nav::Orbit(*m_camera, 0.6f, 0.55f, -0.1f, -0.05f, {}, m_gate);
    ExpectSame(Now(), before, 1e-2f);

    nav::Pan(*m_camera, 0.1f, -0.05f);
    EXPECT_GT((Now().target - before.target).Length(), 1.0f);
    EXPECT_NEAR(Distance(), distance, 1e-2f);
    nav::Pan(*m_camera, -0.1f, 0.05f);
    ExpectSame(Now(), before, 1e-2f);

    nav::Roll(*m_camera, 0.2f, 0.1f);
    nav::Roll(*m_camera, -0.2f, -0.1f);
    ExpectSame(Now(), before, 1e-2f);
}

TEST_F(CameraMoves, UpsideDownTurnsTheOtherWayHorizontally)
{
    const float rs = m_camera->m_fRotateSensitivity;
    for (const float x : {0.0f, 3.1415f, 2.0f, 4.5f, 5.0f}) {
        SCOPED_TRACE(x);
        m_camera->SetRotation(Vector(x, 0.3f, 0));
        m_camera->m_vRotationBackup = m_camera->m_vRotation;
        const bool upsideDown = x > nav::kHalfPi && x < 3 * nav::kHalfPi;
        nav::Orbit(*m_camera, 0.5f, 0.5f, 0.01f, 0.0f, {}, m_gate);
        EXPECT_NEAR(m_camera->m_vRotationBackup.y - 0.3f, (upsideDown ? -1 : 1) * rs * nav::kPi * 0.01f, 1e-3f);
    }
}

TEST_F(CameraMoves, ZoomStopsShortOfTheTargetAndCanComeBack)
{
    const float nearest = m_camera->m_aNearPlane.GetValue();
    for (int step = 0; step < 5; ++step)
        nav::Zoom(*m_camera, 0.0f, 10.0f);
    EXPECT_NEAR(Distance(), nearest, 1e-3f);
    const Vector forward = m_camera->GetForward();
    EXPECT_GT(forward.Dot(m_camera->m_vTarget - m_camera->GetPosition()), 0.0f);  // not past it
    nav::Zoom(*m_camera, 0.0f, -0.5f);
    EXPECT_GT(Distance(), nearest * 1.5f);
}

TEST_F(CameraMoves, TrackballRollsInTheRingAndOrbitsInside)
{
    nav::OrbitOptions trackball;
    trackball.trackball = true;
    const Pose before = Now();
    // Inside the inner circle: no roll share.
    EXPECT_EQ(nav::Orbit(*m_camera, 0.5f, 0.5f, 0.01f, 0.0f, trackball, m_gate), 0.0f);
    EXPECT_GT((Now().position - before.position).Length(), 0.1f);
    // At the view's edge: a pure roll; the camera stays where it is.
    m_gate = 1.0f;
    const Pose edge = Now();
    EXPECT_EQ(nav::Orbit(*m_camera, 1.0f, 0.5f, 0.0f, 0.02f, trackball, m_gate), 1.0f);
    ExpectNear(Now().position, edge.position, 1e-2f);
    EXPECT_GT(std::fabs(Now().rotation.z - edge.rotation.z), 1e-5f);
}

// --- the handlers -------------------------------------------------------------------------

class CameraHandlers : public CameraMoves {
protected:
    void Move(const char *name, float x, float y, float dx, float dy)
    {
        m_interface->m_fMouseX = x;
        m_interface->m_fMouseY = y;
        m_interface->m_fDeltaX = dx;
        m_interface->m_fDeltaY = dy;
        Send(eventMouseMove, name);
    }
};

TEST_F(CameraHandlers, ADragHidesTheBrushRingAndTheMenuRunLeavesItShown)
{
    for (const char *name :
         {"Rotate around", "Pan", "Roll", "Camera 2D Rotate", "Camera 2D Scale", "Camera 2D Pan", "Zoom", "Zoom 2"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Send(eventActivate, name), nullptr);
        EXPECT_FALSE(m_interface->m_bBrushCursor);
        EXPECT_TRUE(m_view.navigating);
        Send(eventDeactivate, name);
        EXPECT_TRUE(m_interface->m_bBrushCursor);
        EXPECT_FALSE(m_view.navigating);
        m_interface->RunCommand(name);
        EXPECT_TRUE(m_interface->m_bBrushCursor);
        EXPECT_FALSE(m_view.navigating);
    }
}

TEST_F(CameraHandlers, ALockedCameraIgnoresTheMove)
{
    const struct {
        const char *name;
        General::AttributeInstance<bool> Camera::*lock;
    } cases[] = {{"Rotate around", &Camera::m_aLockRotate},
                 {"Roll", &Camera::m_aLockRotate},
                 {"Pan", &Camera::m_aLockPan},
                 {"Zoom", &Camera::m_aLockZoom},
                 {"Zoom 2", &Camera::m_aLockZoom}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        (m_camera->*c.lock).SetValue(true, true);
        const Pose before = Now();
        const int updates = m_view.stencilUpdates;
        Move(c.name, 0.9f, 0.5f, 0.1f, 0.1f);
        ExpectSame(Now(), before, 0.0f);
        EXPECT_EQ(m_view.stencilUpdates, updates);
        (m_camera->*c.lock).SetValue(false, true);
        Move(c.name, 0.9f, 0.5f, 0.1f, 0.1f);
        EXPECT_EQ(m_view.stencilUpdates, updates + 1);
    }
}

TEST_F(CameraHandlers, TheRollPictureIsReadOnceAndHiddenOnRelease)
{
    m_view.control = 1;
    for (int drag = 0; drag < 2; ++drag) {
        Send(eventActivate, "Rotate around");
        for (int step = 0; step < 4; ++step)
            Move("Rotate around", 0.98f, 0.5f, 0.0f, 0.01f);
        EXPECT_TRUE(m_view.overlayActive);
        EXPECT_NEAR(m_view.overlayOpacity, 0.92f, 1e-3f);  // 2 (0.48 - 0.25) / 0.5
        Send(eventDeactivate, "Rotate around");
        EXPECT_FALSE(m_view.overlayActive);
    }
    EXPECT_EQ(m_view.overlayLoads, QStringList{QStringLiteral("icons/roll.png")});
}

TEST_F(CameraHandlers, TwoDimensionalMovesAddToThePicturesAttributes)
{
    const float angle = m_camera->m_a2DAngle.GetValue(), scale = m_camera->m_a2DScale.GetValue();
    const float x = m_camera->m_a2DXPos.GetValue(), y = m_camera->m_a2DYPos.GetValue();
    Move("Camera 2D Rotate", 0.5f, 0.5f, 0.01f, 0.02f);
    Move("Camera 2D Scale", 0.5f, 0.5f, 0.03f, 0.01f);
    Move("Camera 2D Pan", 0.5f, 0.5f, 0.01f, 0.02f);
    EXPECT_NEAR(m_camera->m_a2DAngle.GetValue(), angle + 0.03f, 1e-6f);
    EXPECT_NEAR(m_camera->m_a2DScale.GetValue(), scale + 0.04f, 1e-6f);
    EXPECT_NEAR(m_camera->m_a2DXPos.GetValue(), x + 2 * 0.01f * 2.0f, 1e-6f);  // the view is 200 x 100
    EXPECT_NEAR(m_camera->m_a2DYPos.GetValue(), y - 2 * 0.02f, 1e-6f);
}

TEST_F(CameraHandlers, LightDirectionFollowsTheMouseOnMovesOnly)
{
    std::unique_ptr<Light> own;
    if (!m_scene->m_pCurrentLight) {
        own = std::make_unique<Light>();
        m_scene->m_pCurrentLight = own.get();
    }
    Light &light = *m_scene->m_pCurrentLight;
    light.SetTranslate(Vector(7, 7, 7));
    Send(eventActivate, "Light direction");
    m_interface->RunCommand("Light direction");
    ExpectNear(light.GetDirection(), Vector(7, 7, 7), 0.0f);
    Move("Light direction", 0.5f, 0.5f, 0, 0);
    ExpectNear(light.GetDirection(), Vector(0, 0, 1.41421f), 1e-4f);
    Move("Light direction", 1.0f, 1.0f, 0, 0);
    ExpectNear(light.GetDirection(), Vector(1, -1, 0), 1e-4f);
    if (own)
        m_scene->m_pCurrentLight = nullptr;
}

}  // namespace
