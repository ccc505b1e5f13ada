// The 3D view drawn under a real OpenGL context: a lit subdivided cube over the gradient
// and the grid, checked at known pixels; every toggle changes the picture; a region
// redraw leaves the rest of the picture alone. The screenshots are saved next to the
// test executable for a person to look at.
#include "viewport/view/SceneView.h"

#include "mesh/object/Object.h"
#include "foundation/AABB.h"
#include "mesh/surface/Material.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"
#include "support/MeshFixtures.h"
#include "support/OpenGLRequirement.h"
#include "support/RecordingShell.h"

#include <QApplication>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {

bool s_bHasGL = false;

class WidgetEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "viewport_view_gl_tests";
        static char *argv[] = {name, nullptr};
        // The application and the probe live until the process ends: tearing them down
        // unloads the OpenGL driver, whose process-lifetime caches the leak checker could
        // then no longer tell apart from ours.
        new QApplication(argc, argv);
        auto *surface = new QOffscreenSurface;
        surface->setFormat(SceneView::Format());
        surface->create();
        auto *context = new QOpenGLContext;
        context->setFormat(SceneView::Format());
        s_bHasGL = surface->isValid() && context->create() && context->makeCurrent(surface);
        if (s_bHasGL)
            context->doneCurrent();
    }
};
const auto *s_pEnvironment = testing::AddGlobalTestEnvironment(new WidgetEnvironment);

#define REQUIRE_VIEW_GL()                 \
    do {                                  \
        if (!s_bHasGL)                    \
            SKIP_OR_FAIL_WITHOUT_GL();    \
    } while (0)

struct Rgb {
    int r, g, b;
};
Rgb At(const QImage &image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}
bool Near(Rgb a, Rgb b, int tolerance = 6)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}
int Count(const QImage &image, const std::function<bool(Rgb)> &test)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += test(At(image, x, y)) ? 1 : 0;
    return n;
}

// A scene with one light, the default cameras and a cube subdivided twice (side 2,
// centred on the origin, above the grid), seen from the front and a little above.
class ViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!s_bHasGL)
            return;
        m_cMaterial.m_aDiffuse.SetValue(General::Color(1.0f, 0.2f, 0.2f, 1.0f), true);
        m_pScene = std::make_unique<Scene>();
        m_pScene->AddLight(new Light);
        m_pScene->CreateDefaultCameras();
        m_pObject = fixtures::MakeGridCube<Object>(2).release();
        m_pObject->m_aMaterial.SetValue(&m_cMaterial, true);
        m_pObject->CalculateAdjacency();
        m_pObject->CalculateNormals(false);
        m_pScene->AddObject(m_pObject);
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(m_pObject->Subdivide());
        m_pObject->m_pActiveLevel = m_pObject->GetLevel(2);
        m_pCamera = m_pScene->m_pActiveCamera;
        m_pCamera->SetTranslate(General::Vector(0.0f, 3.0f, 8.0f));
        m_pCamera->LookAt(General::Vector(0, 0, 0), General::Vector(0, 1, 0));
        m_pView = std::make_unique<SceneView>(m_pCamera);
        ViewSettings &s = m_pView->m_cSettings;
        s.m_cGradient1 = General::Color(0.0f, 0.0f, 0.8f, 1.0f);
        s.m_cGradient2 = General::Color(0.0f, 0.8f, 0.0f, 1.0f);
        s.m_cGrid = General::Color(1.0f, 0.0f, 1.0f, 1.0f);
        s.m_cGridAxis = General::Color(1.0f, 1.0f, 0.0f, 1.0f);
        s.m_iGridLines = 10;
        m_pView->resize(160, 120);
        m_pView->show();
    }
    void TearDown() override
    {
        m_pView.reset();
        m_pScene.reset();
    }

    // A full redraw, as after any scene change.
    QImage Frame(const char *name)
    {
        m_pCamera->ResetViewRegion(false);
        QImage image = m_pView->grabFramebuffer();
        image.save(QStringLiteral(TEVRIN_SCREENSHOTS "/view_%1.png").arg(QLatin1String(name)));
        return image;
    }

    Surface::Material m_cMaterial{21};
    std::unique_ptr<Scene> m_pScene;
    Object *m_pObject = nullptr;
    Camera *m_pCamera = nullptr;
    std::unique_ptr<SceneView> m_pView;
};

bool Reddish(Rgb c) { return c.r > 60 && c.r > 2 * c.g && c.r > 2 * c.b; }

}  // namespace

TEST_F(ViewTest, ALitObjectOverTheGradientAndTheGrid)
{
    REQUIRE_VIEW_GL();
    const QImage image = Frame("lit");
    ASSERT_EQ(image.size(), QSize(160, 120));
    // The object's colour at the centre, lit: red well above the other channels.
    EXPECT_TRUE(Reddish(At(image, 80, 60))) << At(image, 80, 60).r << "," << At(image, 80, 60).g;
    // The gradient at the corners: blue at the top edge, green at the bottom.
    const Rgb topLeft = At(image, 1, 1), bottomRight = At(image, 158, 118);
    EXPECT_GT(topLeft.b, 150);
    EXPECT_LT(topLeft.g, 40);
    EXPECT_GT(bottomRight.g, 150);
    // Grid lines in the grid colour, and the axis lines in theirs.
    EXPECT_GT(Count(image, [](Rgb c) { return Near(c, {255, 0, 255}, 10); }), 20);
    EXPECT_GT(Count(image, [](Rgb c) { return Near(c, {255, 255, 0}, 10); }), 5);
    EXPECT_GT(m_pView->m_iVisiblePolys, 0);
}

TEST_F(ViewTest, EveryToggleChangesThePicture)
{
    REQUIRE_VIEW_GL();
    const QImage base = Frame("base");
    const int baseRed = Count(base, Reddish);
    struct Case {
        const char *name;
        bool ViewToggles::*toggle;
    };
    const Case cases[] = {
        {"grid", &ViewToggles::m_bGrid},           {"gradient", &ViewToggles::m_bGradientBackground},
        {"meshes", &ViewToggles::m_bShowMeshes},   {"wireframe", &ViewToggles::m_bWireframe},
        {"lighting", &ViewToggles::m_bLighting},   {"smooth", &ViewToggles::m_bSmoothShade},
        {"points", &ViewToggles::m_bPoints},       {"overlay", &ViewToggles::m_bWireOverlay},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        bool &flag = m_pView->m_cToggles.*c.toggle;
        flag = !flag;
        const QImage changed = Frame(c.name);
        flag = !flag;
        EXPECT_NE(changed, base);
        // Wireframe and points leave most of the object's area to the background.
        if (c.toggle == &ViewToggles::m_bWireframe || c.toggle == &ViewToggles::m_bPoints)
            EXPECT_LT(Count(changed, Reddish), baseRed / 2);
    }
    EXPECT_EQ(Frame("again"), base);
}

TEST_F(ViewTest, ARegionRedrawLeavesThePixelsOutsideItUnchanged)
{
    REQUIRE_VIEW_GL();
    const QImage before = Frame("before_region");
    ASSERT_NE(m_pView->GetPBuffer(), nullptr);
    // The object turns blue, but only the left half of the view is redrawn.
    m_cMaterial.m_aDiffuse.SetValue(General::Color(0.2f, 0.2f, 1.0f, 1.0f), true);
    m_pCamera->SetViewRegion(General::Rect2D(0.0f, 0.0f, 0.5f, 1.0f), false);
    const QImage after = m_pView->grabFramebuffer();
    after.save(QStringLiteral(TEVRIN_SCREENSHOTS "/view_region.png"));
    int changedLeft = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            if (x >= 80)
                ASSERT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
            else
                changedLeft += after.pixel(x, y) != before.pixel(x, y);
        }
    EXPECT_GT(changedLeft, 100);
    // With no region pending a paint only shows the buffer again.
    m_cMaterial.m_aDiffuse.SetValue(General::Color(0.2f, 1.0f, 0.2f, 1.0f), true);
    EXPECT_EQ(m_pView->grabFramebuffer(), after);
}

TEST_F(ViewTest, MoreThanEightLightsLightTheFirstEightAndSaySoOnce)
{
    REQUIRE_VIEW_GL();
    for (int i = 0; i < 10; ++i)
        m_pScene->AddLight(new Light);
    Frame("lights");
    Frame("lights_again");
    EXPECT_EQ(Recorder().log.count(QStringLiteral("only the first 8 are lit")), 1);
    m_pView->makeCurrent();
    EXPECT_EQ(m_pView->SetLights(*m_pScene), SceneView::kMaxLights);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT7));
    m_pView->m_cToggles.m_bLighting = false;
    EXPECT_EQ(m_pView->SetLights(*m_pScene), 0);
    for (int i = 0; i < SceneView::kMaxLights; ++i)
        EXPECT_FALSE(glIsEnabled(GLenum(GL_LIGHT0 + i))) << i;
    m_pView->doneCurrent();
}

TEST_F(ViewTest, AnImportedObjectIsDrawnLit)
{
    REQUIRE_VIEW_GL();
    // Added to the scene, as the program does at start-up; the fixture's object steps aside.
    m_pObject->m_bVisible = false;
    if (!Surface::Materials().Count())
        Surface::InitMaterials();
    Object *object = m_pScene->Import(QStringLiteral(TEVRIN_TEST_DATA "/obj/assimp_cube.obj"), true, false, true);
    ASSERT_NE(object, nullptr);
    ASSERT_NE(object->GetMaterial(), nullptr);
    const AABB &box = object->GetAABB(true);
    m_pCamera->FocusOn(box.GetCenter(), box.GetMaxSize());
    const QImage image = Frame("imported");
    m_pView->m_cToggles.m_bShowMeshes = false;
    const QImage empty = Frame("imported_hidden");
    // The object covers the middle of the view, whatever camera the import left behind.
    int covered = 0;
    for (int y = 40; y < 80; ++y)
        for (int x = 60; x < 100; ++x)
            covered += !Near(At(image, x, y), At(empty, x, y), 12);
    EXPECT_GT(covered, 1400);
}

TEST_F(ViewTest, TheOctreePathDrawsWhatTheFillPathDrawsAndOnlyTheFacesInTheRegion)
{
    REQUIRE_VIEW_GL();
    Scene::BuildOctrees(m_pObject);
    const QImage filled = Frame("fill_path");
    const int32_t allFaces = m_pView->m_iVisiblePolys;
    m_pView->m_cSettings.m_bOctreeDrawing = true;
    const QImage immediate = Frame("octree_path");
    // Same faces, same colours: the two pictures differ at most by rasterisation at edges.
    EXPECT_NEAR(Count(immediate, Reddish), Count(filled, Reddish), Count(filled, Reddish) / 50);
    EXPECT_GT(m_pView->m_iVisiblePolys, 0);
    EXPECT_LE(m_pView->m_iVisiblePolys, allFaces);
    // A region off the object's side leaves its cubes out: fewer faces are drawn.
    m_pCamera->SetViewRegion(General::Rect2D(0.0f, 0.0f, 0.3f, 0.3f), false);
    m_pView->grabFramebuffer();
    EXPECT_LT(m_pView->m_iVisiblePolys, allFaces / 2);
}
