#include "GLContext.h"
#include "scene/camera/Camera.h"
#include "scene/camera/CameraHost.h"
#include "viewport/overlay/ViewOverlay.h"

#include <QImage>
#include <QOpenGLFramebufferObject>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

using General::Rect2D;
using General::Vector;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// A view of kWidth × kHeight pixels whose projections go straight to OpenGL.
class ViewHost : public CameraHost {
public:
    ViewHost() { Install(this); }
    ~ViewHost() override { Install(nullptr); }
    int ViewWidth() const override { return kWidth; }
    int ViewHeight() const override { return kHeight; }
    void LoadProjection(const General::Matrix &projection) override
    {
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(projection.m);
    }
};

// Draws into a cleared, view-sized framebuffer in white; Image() reads it back top row first.
class Overlay : public testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_GL();
        m_fbo = std::make_unique<QOpenGLFramebufferObject>(kWidth, kHeight);
        m_fbo->bind();
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 1, 1);
    }
    void TearDown() override
    {
        if (m_fbo)
            m_fbo->release();
    }

    QImage Image() const
    {
        glFinish();
        return m_fbo->toImage(true);
    }
    static bool Lit(const QImage &image, int x, int y) { return qRed(image.pixel(x, y)) > 128; }
    // Lit at the pixel or one of its eight neighbours (for projected points).
    static bool LitNear(const QImage &image, int x, int y)
    {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (Lit(image, x + dx, y + dy))
                    return true;
        return false;
    }

    ViewHost m_host;
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
    Camera m_camera;
    ViewOverlay m_overlay{&m_camera};
};

TEST_F(Overlay, ARectangleIsDrawnThroughWholePixelsFromTheTopLeft)
{
    m_overlay.DrawRectangle(Rect2D(10.4f, 10.6f, 20.5f, 30.2f), true);
    const QImage image = Image();
    for (auto [x, y] : {std::pair{15, 10}, {20, 20}, {15, 30}, {10, 20}, {10, 10}})
        EXPECT_TRUE(Lit(image, x, y)) << x << "," << y;
    for (auto [x, y] : {std::pair{15, 20}, {15, 11}, {15, 9}, {21, 20}, {9, 20}, {15, 31}})
        EXPECT_FALSE(Lit(image, x, y)) << x << "," << y;
}

TEST_F(Overlay, TheScreenBoundsOfPointsAreDrawnAsOneRectangle)
{
    Rect2D bounds;
    for (auto [x, y] : {std::pair{44.f, 12.f}, {40.f, 20.f}, {52.f, 6.f}, {47.f, 9.f}})
        bounds.Extend(x, y);
    EXPECT_EQ(bounds, Rect2D(40, 6, 52, 20));
    m_overlay.DrawRectangle(bounds, true);
    const QImage image = Image();
    EXPECT_TRUE(Lit(image, 46, 6));
    EXPECT_TRUE(Lit(image, 46, 20));
    EXPECT_TRUE(Lit(image, 40, 13));
    EXPECT_TRUE(Lit(image, 52, 13));
    EXPECT_FALSE(Lit(image, 46, 13));
}

TEST_F(Overlay, ALineInPixelsDropsTheFractions)
{
    m_overlay.DrawLine(Vector(5.7f, 40.9f, 0), Vector(30.9f, 40.2f, 3), true);
    const QImage image = Image();
    for (int x : {6, 15, 29})
        EXPECT_TRUE(Lit(image, x, 40)) << x;
    EXPECT_FALSE(Lit(image, 15, 41));
    EXPECT_FALSE(Lit(image, 15, 39));
}

TEST_F(Overlay, AFourSegmentRingStartsAtTheRadiusOnXThenOnY)
{
    m_overlay.DrawCircle(Vector(32, 24, 0), Vector(0, 0, 1), 10.0f, 4, true);
    const QImage image = Image();
    // A diamond through (42, 24), (32, 34), (22, 24) and (32, 14).
    EXPECT_TRUE(Lit(image, 42, 24));
    EXPECT_TRUE(Lit(image, 32, 34));
    EXPECT_TRUE(Lit(image, 37, 29));
    EXPECT_TRUE(Lit(image, 27, 19));
    EXPECT_FALSE(Lit(image, 32, 24));
    EXPECT_FALSE(Lit(image, 40, 31));
    EXPECT_FALSE(Lit(image, 43, 24));
}

TEST_F(Overlay, FewerThanTwoSegmentsDrawARoundPointOfTheRadius)
{
    for (int segments : {1, 0}) {
        glClear(GL_COLOR_BUFFER_BIT);
        m_overlay.DrawCircle(Vector(20, 20, 0), Vector(0, 0, 1), 8.0f, segments, true);
        const QImage image = Image();
        EXPECT_TRUE(Lit(image, 20, 20)) << segments;
        EXPECT_TRUE(Lit(image, 22, 20)) << segments;
        EXPECT_FALSE(Lit(image, 26, 20)) << segments;
        GLint mode[2];
        glGetIntegerv(GL_POLYGON_MODE, mode);
        EXPECT_EQ(mode[0], GL_FILL);
    }
}

TEST_F(Overlay, ARingAcrossAVerticalNormalStillHasAPlane)
{
    Vector x, y, z;
    ViewOverlay::RingAxes(Vector(0, 2, 0), x, y, z);
    for (const Vector &axis : {x, y, z})
        EXPECT_NEAR(axis.Length(), 1.0f, 1e-6f);
    EXPECT_NEAR(x.Dot(z), 0.0f, 1e-6f);
    EXPECT_NEAR(y.Dot(z), 0.0f, 1e-6f);
    EXPECT_NEAR(x.Dot(y), 0.0f, 1e-6f);
    EXPECT_EQ(z, Vector(0, 1, 0));

    // In the view, the ring lies where the camera projects its points.
    m_camera.m_mProjection = m_camera.GetProjectionMatrix(false);
    m_camera.m_aViewport[2] = kWidth;
    m_camera.m_aViewport[3] = kHeight;
    const Vector centre(0, 0, -20);
    m_overlay.DrawCircle(centre, Vector(0, 1, 0), 3.0f, 32, false);
    const QImage image = Image();
    for (const Vector &offset : {Vector(3, 0, 0), Vector(-3, 0, 0)}) {
        float px = 0, py = 0;
        m_camera.Project(centre + offset, px, py);
        EXPECT_TRUE(LitNear(image, int(px), int(py))) << px << "," << py;
    }
}

TEST_F(Overlay, AWireBoxDrawsAllTwelveEdges)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.375, kWidth - 0.375, kHeight - 0.375, -0.375, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    // An oblique view (x + z, y + 0.3 z) shows every edge apart from the others.
    const float oblique[16] = {1, 0, 0, 0, 0, 1, 0, 0, 1, 0.3f, 1, 0, 0, 0, 0, 1};
    glLoadMatrixf(oblique);
    DrawWireBox(Vector(10, 10, 0), Vector(30, 20, 10));
    const QImage image = Image();
    // The middle of each edge: four along x, four along y, four along z.
    const std::pair<int, int> middles[] = {{20, 10}, {20, 20}, {30, 13}, {30, 23}, {10, 15}, {30, 15},
                                           {20, 18}, {40, 18}, {15, 11}, {35, 11}, {15, 21}, {35, 21}};
    for (auto [x, y] : middles)
        EXPECT_TRUE(LitNear(image, x, y)) << x << "," << y;
    EXPECT_FALSE(Lit(image, 24, 16));
    EXPECT_FALSE(Lit(image, 36, 15));
}

}  // namespace
