#include "CameraFixtures.h"

#include "foundation/math/AABB.h"
#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/Stream.h"
#include "scene/SceneGlobals.h"
#include "scene/camera/Camera.h"
#include "support/StreamAtVersion.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>

using General::Matrix;
using General::Vector;

namespace {

void ExpectNear(const Vector &a, const Vector &b, float tolerance = 1e-3f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// What the frame drawing does before each frame: viewport, aspect and both matrices.
void SetUpView(Camera &camera, int width, int height)
{
    camera.m_aViewport[0] = camera.m_aViewport[1] = 0;
    camera.m_aViewport[2] = width;
    camera.m_aViewport[3] = height;
    camera.m_fAspect = float(width) / float(height);
    camera.m_mModelView = camera.GetInverseLocalMatrix();
    camera.m_mProjection = camera.GetProjectionMatrix(false);
}

// A camera at `position` looking at `target`.
void Place(Camera &camera, const Vector &position, const Vector &target)
{
    camera.SetTranslate(position);
    camera.m_vTarget = target;
    camera.LookAt(target, Vector(0, 1, 0));
}

// Little-endian record bytes, written field by field.
struct Bytes {
    QByteArray data;
    Bytes &I32(int32_t v) { data.append(reinterpret_cast<const char *>(&v), 4); return *this; }
    Bytes &F(float v) { data.append(reinterpret_cast<const char *>(&v), 4); return *this; }
    Bytes &D(double v) { data.append(reinterpret_cast<const char *>(&v), 8); return *this; }
    Bytes &B(uint8_t v) { data.append(char(v)); return *this; }
    Bytes &Fs(std::initializer_list<float> values) { for (float v : values) F(v); return *this; }
};

}  // namespace

TEST(Rect2D, ExtendGrowsToEachPointAndAnEmptyRectangleBecomesThePoint)
{
    General::Rect2D r(0, 0, -1, -1);
    EXPECT_TRUE(r.IsEmpty());
    r.Extend(5, 7);
    EXPECT_EQ(r, General::Rect2D(5, 7, 5, 7));
    r.Extend(2, 9);
    EXPECT_EQ(r, General::Rect2D(2, 7, 5, 9));
    r.Extend(3, 8);  // inside
    EXPECT_EQ(r, General::Rect2D(2, 7, 5, 9));
    EXPECT_TRUE(General::Rect2D(1, 1, 0, 0).IsEmpty());
    EXPECT_TRUE(General::Rect2D().IsEmpty());
}

TEST(Camera, DefaultsAndRegistry)
{
    InitializeSceneGlobals();
    const General::TypeInfo *record = General::TypeInfo::Find(QStringLiteral("Camera"));
    ASSERT_EQ(record, &Camera::s_typeInfo);
    EXPECT_EQ(record->GetParent(), &Transformation::s_typeInfo);
    std::unique_ptr<General::Node> node(record->Create(1));
    auto *camera = dynamic_cast<Camera *>(node.get());
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->m_aFOV.AsString(), QStringLiteral("27.96"));
    EXPECT_FLOAT_EQ(camera->m_aFOV.GetValue(), 0.488f);
    EXPECT_FLOAT_EQ(camera->m_aNearPlane.GetValue(), 1.0f);
    EXPECT_FLOAT_EQ(camera->m_aFarPlane.GetValue(), 10000.0f);
    EXPECT_FLOAT_EQ(camera->m_a2DScale.GetValue(), 1.0f);
    EXPECT_FALSE(camera->m_aLockPan.GetValue() || camera->m_aLockRotate.GetValue() || camera->m_aLockZoom.GetValue());
    EXPECT_FALSE(camera->m_aOrthographic.GetValue());
    EXPECT_EQ(camera->GetName(), QStringLiteral("defaultCam"));
    EXPECT_EQ(camera->General::Node::GetName(), QStringLiteral("Camera"));
    EXPECT_EQ(camera->m_rViewRegion, General::Rect2D(0, 0, 1, 1));
    EXPECT_FLOAT_EQ(camera->m_fRotateSensitivity, 2.0f);
    EXPECT_EQ(camera->m_aEventGate.GetSource(), &General::CameraGate());
}

TEST(Camera, NavigationResetTrackPutsTheCameraWhereItsNameSays)
{
    RecordingCameraHost host;
    const struct {
        const char *name;
        Vector position;
    } cases[] = {{"Top", {0.01f, 500, 0}}, {"Side", {500, 0, 0}}, {"Front", {0, 0, 500}}, {"Perspective", {0, 200, 500}},
                 {"defaultCam", {0, 200, 500}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Camera camera;
        camera.m_sCameraName = QString::fromLatin1(c.name);
        camera.SetTranslate(Vector(3, 4, 5));
        camera.m_aNavigationResetChoices.SetBool(Camera::kResetTrack, true, true);
        const int before = host.redraws;
        camera.m_aNavigationReset.SetValue(1);
        EXPECT_EQ(camera.GetPosition(), c.position);
        EXPECT_GT(host.redraws, before);
    }
}

TEST(Camera, NavigationResetDollyAndRollLookAtTheTargetUpright)
{
    RecordingCameraHost host;
    Camera camera;
    camera.SetTranslate(Vector(100, 50, 100));
    camera.m_vTarget = Vector(10, 10, 10);
    camera.SetRotation(Vector(0.3f, 0.2f, 0.1f));
    camera.m_aNavigationResetChoices.SetBool(Camera::kResetDolly, true, true);
    camera.m_aNavigationReset.SetValue(1);
    EXPECT_EQ(camera.m_vTarget, Vector(0, 0, 0));
    ExpectNear(camera.GetForward(), (Vector(0, 0, 0) - camera.GetPosition()).Normalized());
    EXPECT_NEAR(camera.GetRight().y, 0.0f, 1e-3f);  // no roll left
    EXPECT_EQ(camera.m_vRotationBackup, camera.m_vRotation);

    camera.m_aNavigationResetChoices.SetValue(0, true);
    camera.m_aNavigationResetChoices.SetBool(Camera::kResetRotate, true, true);
    camera.m_aNavigationReset.SetValue(2);
    EXPECT_EQ(camera.m_vRotation, Vector(0, 0, 0));
    ExpectNear(camera.GetForward(), Vector(0, 0, -1));
}

TEST(Camera, LookAtPointsTheCameraAtTheTarget)
{
    RecordingCameraHost host;
    const Vector positions[] = {{0, 0, 10}, {10, 0, 0}, {-10, 0, 0}, {0, 0, -10}, {3, 7, -2}, {0.01f, 500, 0}};
    for (const Vector &p : positions) {
        SCOPED_TRACE(testing::Message() << p.x << " " << p.y << " " << p.z);
        Camera camera;
        Place(camera, p, Vector(1, 2, 3) * 0.0f);
        ExpectNear(camera.GetForward(), (Vector(0, 0, 0) - p).Normalized());
        EXPECT_NEAR(camera.GetRight().y, 0.0f, 1e-3f);
        EXPECT_GT(camera.GetUp().y, -1e-3f);
    }
}

TEST(Camera, RotateTurnsByRadiansAndKeepsTheStoredAngles)
{
    RecordingCameraHost host;
    Camera camera;
    camera.Rotate(Vector(0.01f, 0, 0));
    EXPECT_NEAR(camera.m_vRotation.x, 0.01f, 1e-4f);
    // Forward (0, 0, -1) turned by 0.01 radians about x.
    const Vector forward = camera.GetForward();
    EXPECT_NEAR(std::fabs(forward.y), std::sin(0.01f), 1e-4f);
    EXPECT_NEAR(forward.z, -std::cos(0.01f), 1e-4f);
}

TEST(Camera, DollyAndTrack)
{
    RecordingCameraHost host;
    Camera camera;
    Place(camera, Vector(0, 0, 100), Vector(0, 0, 0));
    camera.Dolly(30);
    ExpectNear(camera.GetPosition(), Vector(0, 0, 70));
    EXPECT_EQ(camera.m_vTarget, Vector(0, 0, 0));
    camera.TrackHorizontal(5);
    camera.TrackVertical(-2);
    ExpectNear(camera.GetPosition(), Vector(5, -2, 70));
    ExpectNear(camera.m_vTarget, Vector(5, -2, 0));
}

TEST(Camera, FocusOnKeepsTheDistanceOrFramesTheSphere)
{
    RecordingCameraHost host;
    const float nan = std::nanf("");
    const struct {
        bool dolly;
        float radius;
        float distance;  // expected distance to the point; 0 means "unchanged, 100"
    } cases[] = {{true, 0.0f, 0}, {true, nan, 0}, {false, 10.0f, 0}, {true, 10.0f, 10.0f / std::tan(0.244f)}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.dolly << " " << c.radius);
        host.dollyWithFocus = c.dolly;
        Camera camera;
        Place(camera, Vector(0, 0, 100), Vector(0, 0, 0));
        const Vector point(20, 5, -3);
        camera.FocusOn(point, c.radius);
        EXPECT_EQ(camera.m_vTarget, point);
        EXPECT_EQ(camera.m_vPivot, point);
        EXPECT_NEAR((camera.GetPosition() - point).Length(), c.distance ? c.distance : 100.0f, 1e-2f);
        ExpectNear(camera.GetForward(), Vector(0, 0, -1));  // the direction stays
    }
}

TEST(Camera, OrthographicSpanFollowsTheDistanceAndTheViewport)
{
    RecordingCameraHost host;
    Camera camera;
    camera.m_aOrthographic.SetValue(true);
    Place(camera, Vector(0, 0, 1000), Vector(0, 0, 0));
    SetUpView(camera, 800, 600);
    float w = 0, h = 0;
    camera.GetFrustumHalfSize(w, h);
    EXPECT_FLOAT_EQ(w, 400.0f);
    EXPECT_FLOAT_EQ(h, 300.0f);
    ExpectNear(camera.WorldToScreen(Vector(400, 300, 0), true), Vector(1, 1, camera.WorldToScreen(Vector(0, 0, 0), true).z));
    ExpectNear(camera.WorldToScreen(Vector(-400, 0, 0), true), Vector(-1, 0, camera.WorldToScreen(Vector(0, 0, 0), true).z));
}

TEST(Camera, PerspectiveProjectionMapsTheFrustumCornersToTheUnitCube)
{
    RecordingCameraHost host;
    Camera camera;
    camera.m_aNearPlane.SetValue(2.0f);
    camera.m_aFarPlane.SetValue(500.0f);
    camera.m_fAspect = 4.0f / 3.0f;
    const float h = std::tan(0.244f) * 2.0f;
    const float w = h * 4.0f / 3.0f;
    const Matrix p = camera.GetProjectionMatrix(false);
    ExpectNear(p.ProjectPoint(Vector(w, h, -2)), Vector(1, 1, -1));
    ExpectNear(p.ProjectPoint(Vector(-w, -h, -2)), Vector(-1, -1, -1));
    ExpectNear(p.ProjectPoint(Vector(w * 250, -h * 250, -500)), Vector(1, -1, 1), 2e-3f);

    camera.ApplyProjection(true);
    ASSERT_EQ(host.loaded.size(), 1u);
    EXPECT_EQ(host.loaded[0], camera.GetProjectionMatrix(true));
}

TEST(Camera, TwoDTransformPansZoomsAndRollsThePicture)
{
    RecordingCameraHost host;  // 800 × 600
    Camera camera;
    camera.m_fAspect = 800.0f / 600.0f;
    const Vector eye(0.3f, -0.2f, -5.0f);
    const Vector plain = camera.GetProjectionMatrix(false).ProjectPoint(eye);

    camera.m_a2DXPos.SetValue(0.5f);
    camera.m_a2DYPos.SetValue(-0.25f);
    // The pan works in square units: horizontally it is divided by the view's aspect.
    ExpectNear(camera.GetProjectionMatrix(false).ProjectPoint(eye), plain + Vector(0.5f * 0.75f, -0.25f, 0));

    camera.m_a2DXPos.SetValue(0.0f);
    camera.m_a2DYPos.SetValue(0.0f);
    camera.m_a2DScale.SetValue(2.0f);
    ExpectNear(camera.GetProjectionMatrix(false).ProjectPoint(eye), Vector(plain.x * 2, plain.y * 2, plain.z));

    // A quarter turn keeps the picture square in pixels: x pixels become y pixels.
    camera.m_a2DScale.SetValue(1.0f);
    camera.m_a2DAngle.SetValue(1.5707964f);
    const Vector turned = camera.GetProjectionMatrix(false).ProjectPoint(eye);
    EXPECT_NEAR(std::fabs(turned.y * 600), std::fabs(plain.x * 800), 1e-2f);
    EXPECT_NEAR(std::fabs(turned.x * 800), std::fabs(plain.y * 600), 1e-2f);

    // The 2D reset puts the chosen parts back.
    camera.m_aPictureResetChoices.SetBool(Camera::kResetRotation, true, true);
    camera.m_aPictureResetChoices.SetBool(Camera::kResetScale, true, true);
    camera.m_a2DXPos.SetValue(0.7f);
    camera.m_aPictureReset.SetValue(1);
    EXPECT_EQ(camera.m_a2DAngle.GetValue(), 0.0f);
    EXPECT_EQ(camera.m_a2DScale.GetValue(), 1.0f);
    EXPECT_EQ(camera.m_a2DXPos.GetValue(), 0.7f);
}

TEST(Camera, ProjectThenUnProjectReturnsThePointAndTheTopRowIsZero)
{
    RecordingCameraHost host;
    const struct {
        float widthRatio, heightRatio;
        bool orthographic;
    } cases[] = {{1, 1, false}, {0.5f, 0.75f, false}, {1, 1, true}, {0.8f, 0.5f, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.widthRatio << " " << c.heightRatio << " " << c.orthographic);
        Camera camera;
        camera.m_aOrthographic.SetValue(c.orthographic);
        Place(camera, Vector(30, 40, 200), Vector(0, 0, 0));
        camera.m_fWidthRatio = c.widthRatio;
        camera.m_fHeightRatio = c.heightRatio;
        SetUpView(camera, 800, 600);
        for (const Vector &p : {Vector(0, 0, 0), Vector(10, -5, 20), Vector(-25, 12, -30)}) {
            float x = 0, y = 0, depth = 0;
            camera.Project(p, x, y, &depth);
            Vector back;
            ASSERT_TRUE(camera.UnProject(x, y, depth, back));
            ExpectNear(back, p, 2e-2f);
        }
        // A point on the top edge of the picture is on row 0 of the viewport it was projected into.
        const Vector top = camera.ScreenToWorld(Vector(0, 1, 0.5f), true);
        float x = 0, y = 1;
        camera.Project(top, x, y);
        EXPECT_NEAR(y, 0.0f, 1e-2f);
        EXPECT_NEAR(x, std::trunc(800 / c.widthRatio) / 2, 1e-2f);
    }
}

TEST(Camera, WorldToScreenAndBackWithAndWithoutRatios)
{
    RecordingCameraHost host;
    Camera camera;
    Place(camera, Vector(0, 0, 50), Vector(0, 0, 0));
    camera.m_fWidthRatio = 0.5f;
    camera.m_fHeightRatio = 0.8f;
    SetUpView(camera, 640, 480);
    const Vector p(3, -4, 5);
    const Vector plain = camera.WorldToScreen(p, true);
    const Vector shrunk = camera.WorldToScreen(p, false);
    EXPECT_NEAR(shrunk.x, (plain.x * 0.5f + 0.5f) / 0.5f * 2 - 1, 1e-4f);
    EXPECT_NEAR(shrunk.y, (plain.y * 0.5f + 0.5f) / 0.8f * 2 - 1, 1e-4f);
    ExpectNear(camera.ScreenToWorld(plain, true), p, 1e-2f);
    ExpectNear(camera.ScreenToWorld(shrunk, false), p, 1e-2f);
}

TEST(Camera, ScreenBoundsOfABoxBecomeTheViewRegion)
{
    RecordingCameraHost host;
    Camera camera;
    Place(camera, Vector(0, 0, 100), Vector(0, 0, 0));
    SetUpView(camera, 800, 600);
    const General::Rect2D bounds = camera.GetScreenBounds(AABB(Vector(-1, -1, -1), Vector(1, 1, 1)), true);
    EXPECT_TRUE(camera.m_bRegionSet);
    EXPECT_TRUE(camera.m_bRegionFlag);
    EXPECT_EQ(camera.m_rViewRegion, bounds);
    EXPECT_NEAR(bounds.x0 + bounds.x1, 1.0f, 1e-4f);  // centred
    EXPECT_NEAR(bounds.y0 + bounds.y1, 1.0f, 1e-4f);
    EXPECT_LT(bounds.x0, bounds.x1);
    EXPECT_LT(bounds.x1 - bounds.x0, 0.1f);

    camera.ResetViewRegion(false);
    EXPECT_EQ(camera.m_rViewRegion, General::Rect2D(0, 0, 1, 1));
    EXPECT_FALSE(camera.m_bRegionFlag);
    EXPECT_TRUE(host.refreshed.contains(QStringLiteral("Camera")));

    // A full redraw still pending is not narrowed to a box that comes after it.
    camera.GetScreenBounds(AABB(Vector(-1, -1, -1), Vector(1, 1, 1)), true);
    EXPECT_EQ(camera.m_rViewRegion, General::Rect2D(0, 0, 1, 1));
    EXPECT_FALSE(camera.m_bRegionFlag);
    // Two boxes before a frame: the frame covers both.
    camera.m_bRegionSet = false;
    const General::Rect2D left = camera.GetScreenBounds(AABB(Vector(-3, -1, -1), Vector(-2, 1, 1)), true);
    const General::Rect2D right = camera.GetScreenBounds(AABB(Vector(2, -1, -1), Vector(3, 1, 1)), true);
    EXPECT_EQ(camera.m_rViewRegion, General::Rect2D(left.x0, left.y0, right.x1, right.y1));
    EXPECT_TRUE(camera.m_bRegionFlag);
}

TEST(Camera, EventGateLogsOnlyWithTheTestLogSwitch)
{
    RecordingCameraHost host;
    Camera camera;
    std::FILE *previous = General::GetLogFile();
    std::FILE *log = std::tmpfile();
    General::SetLogFile(log);
    General::CameraGate().SetValue(General::CameraGate().GetValue() + 1);
    host.testLog = true;
    General::CameraGate().SetValue(General::CameraGate().GetValue() + 1);
    General::SetLogFile(previous);
    std::rewind(log);
    char text[256] = {};
    const size_t length = std::fread(text, 1, sizeof(text) - 1, log);
    std::fclose(log);
    EXPECT_EQ(QByteArray(text, int(length)).count("Test event: shutdown\n"), 1);
}

TEST(Camera, DeletingTheHeadDeletesTheChain)
{
    RecordingCameraHost host;
    auto *head = new Camera;
    Camera *second = new Camera;
    head->m_pNext.reset(second);
    second->m_pNext.reset(new Camera);
    const General::Node *third = second->m_pNext.get();
    delete head;
    EXPECT_FALSE(General::Node::IsLive(second));
    EXPECT_FALSE(General::Node::IsLive(third));
}
