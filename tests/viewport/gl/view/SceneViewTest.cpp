// The 3D view drawn under a real OpenGL context: a lit subdivided cube over the gradient
// and the grid, checked at known pixels; every toggle changes the picture; a region
// redraw leaves the rest of the picture alone. The screenshots are saved next to the
// test executable for a person to look at.
#include "viewport/view/SceneView.h"

#include "mesh/object/Object.h"
#include "foundation/math/AABB.h"
#include "foundation/curves/CurveServices.h"
#include "foundation/curves/NURBSCurve.h"
#include "mesh/core/PickInfo.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/MeshHost.h"
#include "mesh/surface/Material.h"
#include "operations/brushes/BrushServices.h"
#include "mesh/levels/SubdivLevel.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/SceneServices.h"
#include "scene/camera/Camera.h"
#include "scene/camera/CameraHost.h"
#include "scene/camera/Light.h"
#include "scene/picking/Picker.h"
#include "scene/volume/Volume.h"
#include "support/MeshFixtures.h"
#include "support/OpenGLRequirement.h"
#include "support/RecordingShell.h"
#include "viewport/overlay/ViewOverlay.h"
#include "viewport/PBuffer.h"
#include "viewport/overlay/ViewOverlayHost.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QTemporaryDir>
#include <QOpenGLContext>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

bool s_bHasGL = false;

class WidgetEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        // The view is an OpenGL widget, which the offscreen platform does not support: with a
        // display (xvfb-run) it takes the display's platform even where the suite asks for
        // offscreen widgets.
        if (std::getenv("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "xcb");
        else if (!std::getenv("QT_QPA_PLATFORM"))
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

namespace {

// The symmetry setting and the sketch volume, as the interaction layer would answer them.
class PickSettings final : public Operations::BrushServices {
public:
    int GetFaceWalkSetting() const override { return m_iWalk; }
    General::Volume *GetSketchVolume() const override { return m_pVolume; }
    int m_iWalk = 0;
    General::Volume *m_pVolume = nullptr;
};

// The level-0 face whose corners all lie on the cube's front side (z = 1) around (x, y).
bool FrontFaceAround(Mesh &level, unsigned face, float x, float y)
{
    float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f;
    for (unsigned c = 0; c < level.Corners(); ++c) {
        const General::Vector p = level.CornerPosition(face, c);
        if (std::abs(p.z - 1.0f) > 1e-5f)
            return false;
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    return x0 <= x && x <= x1 && y0 <= y && y <= y1;
}

}  // namespace

TEST_F(ViewTest, APickAtTheCentrePixelHitsTheFaceUnderItAndOffTheObjectMisses)
{
    REQUIRE_VIEW_GL();
    Scene::BuildOctrees(m_pObject);
    // Looking down the line x = 0.4, so the ray through the centre pixel crosses the
    // cube's front side at (0.4, 0.375, 1), inside one quad of level 0, off its edges.
    m_pCamera->SetTranslate(General::Vector(0.4f, 3.0f, 8.0f));
    m_pCamera->LookAt(General::Vector(0.4f, 0.0f, 0.0f), General::Vector(0, 1, 0));
    Frame("pick");
    PickSettings settings;
    PickSettings::Install(&settings);
    // The pixel where the camera shows the point it looks at: the middle of the picture.
    float x = 0, y = 0;
    m_pCamera->Project(General::Vector(0.4f, 0.0f, 0.0f), x, y);
    EXPECT_NEAR(x, 80.0f, 1.0f);
    Picker picker;
    ASSERT_TRUE(m_pView->Pick(picker, x, y));
    // The base cube is hit first: the subdivided levels lie inside it.
    const PickInfo *first = picker.GetFirstPick();
    ASSERT_EQ(first->m_pMesh, static_cast<Mesh *>(m_pObject));
    EXPECT_TRUE(FrontFaceAround(*m_pObject, unsigned(first->m_iFace), 0.4f, 0.375f)) << first->m_iFace;
    EXPECT_NEAR(first->m_vPosition.x, 0.4f, 0.02f);
    EXPECT_NEAR(first->m_vPosition.y, 0.375f, 0.02f);
    EXPECT_NEAR(first->m_vPosition.z, 1.0f, 1e-4f);

    // A corner pixel shows only the background; a stale pick is cleared.
    EXPECT_FALSE(m_pView->Pick(picker, 3.0f, 3.0f));
    EXPECT_EQ(picker.GetPickCount(), 0);

    // With mirrored picking each hit of the mirror-mapped base level gains its mirror copy.
    fixtures::BuildMirrorTable(*m_pObject);
    settings.m_iWalk = -1;
    ASSERT_TRUE(m_pView->Pick(picker, x, y));
    std::vector<const PickInfo *> base;
    for (int i = 0; i < picker.GetPickCount(); ++i)
        if (picker.GetPick(i)->m_pMesh == m_pObject)
            base.push_back(picker.GetPick(i));
    ASSERT_EQ(base.size(), 2u);
    EXPECT_NEAR(base[1]->m_vPosition.x, -base[0]->m_vPosition.x, 1e-4f);
    EXPECT_TRUE(FrontFaceAround(*m_pObject, unsigned(base[1]->m_iFace), -0.4f, 0.375f));
    PickSettings::Install(nullptr);
}

namespace {

// Where the interaction layer's overlays would come from: each is shown when its texture
// is set, and the drawing hooks paint in colours of their own and count their calls.
class OverlaySource final : public ViewOverlayHost {
public:
    bool GetStencil(OverlayTexture &out) const override { return Give(stencil, out); }
    bool GetStamp(OverlayTexture &out) const override { return Give(stamp, out); }
    bool GetCursorImage(OverlayTexture &out) const override { return Give(cursor, out); }
    void DrawManipulator(ViewOverlay &overlay) override
    {
        ++manipulatorDraws;
        if (!manipulator)
            return;
        glColor3f(1.0f, 0.5f, 0.0f);
        glLineWidth(3.0f);
        overlay.DrawLine(General::Vector(-3, 2, 0), General::Vector(3, 2, 0), false);
        glLineWidth(1.0f);
    }
    void DrawBrushCursor(ViewOverlay &overlay, int side, int mirror) override
    {
        sides.emplace_back(side, mirror);
        if (!brush || side != 1)
            return;
        glColor3f(1.0f, 1.0f, 1.0f);
        overlay.DrawCircle(General::Vector(80, 60, 0), General::Vector(0, 0, 1), 30.0f, 32, true);
    }
    bool GetSelectionBox(General::Rect2D &box) const override
    {
        box = General::Rect2D(0.25f, 0.25f, 0.75f, 0.75f);
        return selecting;
    }

    OverlayTexture stencil, stamp, cursor;
    bool manipulator = false, brush = false, selecting = false;
    int manipulatorDraws = 0;
    std::vector<std::pair<int, int>> sides;

private:
    static bool Give(const OverlayTexture &from, OverlayTexture &to)
    {
        to = from;
        return from.m_iTexture != 0;
    }
};

// Curves are laid out in the view's pixels.
class ViewCurves final : public General::CurveServices {
public:
    int GetViewWidth() const override { return 160; }
    int GetViewHeight() const override { return 120; }
    bool GetCameraViewport(int &width, int &height) const override
    {
        width = 160, height = 120;
        return true;
    }
};

QImage Solid(int side, QColor color)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

General::Matrix Placed(float scale, float x, float y)
{
    General::Matrix m;
    m.m[0] = m.m[5] = scale;
    m.m[12] = x, m.m[13] = y;
    return m;
}

}  // namespace

TEST_F(ViewTest, EachOverlayChangesTheExpectedPixels)
{
    REQUIRE_VIEW_GL();
    const QImage base = Frame("overlay_base");
    OverlaySource source;
    ViewOverlayHost::Install(&source);
    ViewCurves curveHost;
    General::CurveServices::Install(&curveHost);
    PickSettings brushes;
    PickSettings::Install(&brushes);
    // The textures go through the view's own upload, as every image of the program does.
    CameraHost &upload = CameraHost::Get();
    const uint32_t cyan = upload.UploadTexture(0, Solid(4, Qt::cyan));
    const uint32_t white = upload.UploadTexture(0, Solid(4, Qt::white));
    const uint32_t yellow = upload.UploadTexture(0, Solid(4, Qt::yellow));
    ASSERT_TRUE(cyan && white && yellow);
    const QString planeFile = QStringLiteral(TEVRIN_SCREENSHOTS "/plane_source.png");
    ASSERT_TRUE(Solid(64, QColor(255, 128, 0)).save(planeFile));
    General::Volume volume;
    volume.m_fCellSize = 0.1f;
    volume.m_vOrigin = General::Vector(1.5f, 1.0f, 0.0f);
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 10; ++y)
            ASSERT_TRUE(volume.AddInterval(x, y, 0, 3));
    auto *curve = new General::NURBSCurve(2);
    for (General::Vector p : {General::Vector(10, 10, 0), General::Vector(150, 20, 0), General::Vector(140, 110, 0),
                              General::Vector(20, 100, 0)})
        curve->InsertControlPoint(p, -1);

    auto cyanish = [](Rgb c) { return Near(c, {0, 255, 255}, 10); };
    auto whiteish = [](Rgb c) { return Near(c, {255, 255, 255}, 10); };
    auto yellowish = [](Rgb c) { return Near(c, {255, 255, 0}, 10); };
    auto orange = [](Rgb c) { return Near(c, {255, 128, 0}, 16); };
    auto green = [](Rgb c) { return c.g > 150 && c.r < 80 && c.b < 80; };
    auto black = [](Rgb c) { return Near(c, {0, 0, 0}, 10); };
    struct Case {
        const char *name;
        std::function<void(bool)> show;  // on, then off again
        std::function<bool(Rgb)> colour;
        int atLeast;
    };
    const Case cases[] = {
        {"stencil", [&](bool on) { source.stencil = {on ? cyan : 0u, Placed(0.5f, 0, 0)}; }, cyanish, 3000},
        {"stencil_tiled",
         [&](bool on) { source.stencil = {on ? cyan : 0u, Placed(0.25f, 0, 0), true}; }, cyanish, 18000},
        {"stamp",
         [&](bool on) {
             source.stamp = {on ? white : 0u, Placed(1.0f, -1.0f, 0.0f), false, 2.0f, 2.0f};
             source.stamp.m_mPlacement.m[14] = 1.5f;
         },
         whiteish, 300},
        {"cursor", [&](bool on) { source.cursor = {on ? yellow : 0u, Placed(0.15f, -0.8f, 0.8f)}; }, yellowish, 150},
        {"manipulator", [&](bool on) { source.manipulator = on; }, orange, 100},
        {"brush", [&](bool on) { source.brush = on; }, whiteish, 100},
        {"selection", [&](bool on) { source.selecting = on; }, black, 150},
        {"curve", [&](bool on) { on ? m_pScene->AddCurve(curve) : void(m_pScene->m_pCurves = nullptr); }, green, 150},
        {"image_plane", [&](bool on) { on ? m_pCamera->SetImagePlane(planeFile) : m_pCamera->SetImagePlane(QString()); },
         orange, 2000},
        {"sketch_volume", [&](bool on) { brushes.m_pVolume = on ? &volume : nullptr; }, [](Rgb) { return true; }, 40},
    };
    // The pointer comes into the view, so the brush cursor has a place.
    const auto move = [this] {
        const QPointF at(80, 60);
        QMouseEvent event(QEvent::MouseMove, at, m_pView->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_pView.get(), &event);
    };
    move();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.show(true);
        const QImage shown = Frame(c.name);
        c.show(false);
        // Pixels that changed, and to the overlay's colour.
        int changed = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                changed += shown.pixel(x, y) != base.pixel(x, y) && c.colour(At(shown, x, y));
        EXPECT_GE(changed, c.atLeast);
        EXPECT_EQ(Frame("overlay_off"), base);
    }
    // The stencil is a screen quad: scaled by a half it covers the middle and leaves the corners.
    source.stencil = {cyan, Placed(0.5f, 0, 0)};
    const QImage stencil = Frame("stencil_again");
    EXPECT_TRUE(cyanish(At(stencil, 80, 60)));
    EXPECT_FALSE(cyanish(At(stencil, 5, 5)));
    m_pView->m_bStencil = false;
    EXPECT_EQ(Frame("stencil_hidden"), base);
    source.stencil = {};
    // The brush cursor is asked for its three sides unless a selection rectangle is drawn.
    source.sides.clear();
    Frame("sides");
    EXPECT_EQ(source.sides, (std::vector<std::pair<int, int>>{{1, 0}, {0, 1}, {0, -1}}));
    // It goes when the pointer leaves the view, stays away when it only comes back in (no
    // position yet), and returns with the first move.
    source.brush = true;
    const QImage withCursor = Frame("brush_inside");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(m_pView.get(), &leave);
    source.sides.clear();
    EXPECT_EQ(Frame("brush_left"), base);
    EXPECT_TRUE(source.sides.empty());
    QEnterEvent enter(QPointF(80, 60), QPointF(80, 60), m_pView->mapToGlobal(QPointF(80, 60)));
    QApplication::sendEvent(m_pView.get(), &enter);
    EXPECT_EQ(Frame("brush_entered"), base);
    move();
    EXPECT_EQ(Frame("brush_moved"), withCursor);
    source.brush = false;
    source.selecting = true;
    source.sides.clear();
    Frame("sides_selecting");
    EXPECT_TRUE(source.sides.empty());
    EXPECT_GT(source.manipulatorDraws, 0);

    delete curve;
    PickSettings::Install(nullptr);
    General::CurveServices::Install(nullptr);
    ViewOverlayHost::Install(nullptr);
}

TEST_F(ViewTest, OctreeCubesAndTheLayerMaskShowInTheImmediateAndPointPaths)
{
    REQUIRE_VIEW_GL();
    Scene::BuildOctrees(m_pObject);
    const QImage base = Frame("cubes_off");
    auto cubeBlue = [](Rgb c) { return c.b > 180 && c.r < 60 && c.g < 60; };
    m_pView->m_cToggles.m_bShowOctree = true;
    const QImage cubes = Frame("cubes_on");
    m_pView->m_cToggles.m_bShowOctree = false;
    EXPECT_GT(Count(cubes, cubeBlue), Count(base, cubeBlue) + 200);

    // Every vertex fully outside the layer shows the layer colour in full.
    m_pView->m_cSettings.m_cFill.m_cLayerMask = General::Color(0.0f, 1.0f, 1.0f, 1.0f);
    m_cMaterial.m_aDiffuse.SetValue(General::Color(1.0f, 1.0f, 1.0f, 1.0f), true);
    Layer3D *layer = m_pObject->CreateLayer(nullptr, nullptr);
    ASSERT_NE(layer, nullptr);
    m_pObject->SetActiveLayer(layer);
    ASSERT_NE(m_pObject->m_pActiveLayerData, nullptr);
    for (SubdivLevel *level = m_pObject; level; level = level->m_pNext)
        for (unsigned v = 0; v < level->m_iVertexCount; ++v)
            level->m_pVertices[v].m_cMask = 0;
    auto cyanish = [](Rgb c) { return c.g > 2 * c.r + 20 && c.b > 2 * c.r + 20; };
    auto grey = [](Rgb c) { return c.r > 40 && Near(c, {c.r, c.r, c.r}, 8); };
    struct Path {
        const char *name;
        bool octree, points;
    } paths[] = {{"immediate", true, false}, {"points", false, true}};
    for (const Path &path : paths) {
        SCOPED_TRACE(path.name);
        m_pView->m_cSettings.m_bOctreeDrawing = path.octree;
        m_pView->m_cToggles.m_bPoints = path.points;
        m_pView->m_cSettings.m_cFill.m_bShowLayerMask = false;
        const QImage plain = Frame((std::string("mask_off_") + path.name).c_str());
        m_pView->m_cSettings.m_cFill.m_bShowLayerMask = true;
        const QImage masked = Frame((std::string("mask_on_") + path.name).c_str());
        // The object turns from grey to the layer colour; the background stays.
        int turned = 0;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x)
                turned += grey(At(plain, x, y)) && cyanish(At(masked, x, y));
        EXPECT_GT(turned, path.points ? 60 : 1500);
    }
}

namespace {

// The interaction layer's side of the view's hooks: a loaded stencil and the object pop-up.
class HookHost final : public ViewOverlayHost {
public:
    bool GetStencil(OverlayTexture &out) const override
    {
        out.m_iTexture = stencil;
        return stencil != 0;
    }
    bool ShowObjectMenu(const QPoint &position) override
    {
        positions.push_back(position);
        return hit;
    }
    uint32_t stencil = 0;
    bool hit = false;
    std::vector<QPoint> positions;
};

// The "MaximumTextureSize" preference as the application answers it.
class TextureSizeHost final : public MeshHost {
public:
    int MaximumTextureSize() const override { return size; }
    int size = 2048;
};

// resizeGL as Qt calls it, for a resize whose off-screen buffer cannot be made.
class ResizableView final : public SceneView {
public:
    using SceneView::SceneView;
    using SceneView::resizeGL;
};

}  // namespace

TEST_F(ViewTest, NavigationDrawsADraftAndItsEndRedrawsInFull)
{
    REQUIRE_VIEW_GL();
    Frame("before_navigation");
    m_pView->m_cSettings.m_bDraftRender = false;
    m_pView->SetNavigating(true);
    EXPECT_FALSE(m_pView->m_bNavigating);

    m_pView->m_cSettings.m_bDraftRender = true;
    m_pView->m_cSettings.m_iDraftFaceLimit = 10;  // the finest level has 96 faces
    m_pView->SetNavigating(true);
    EXPECT_TRUE(m_pView->m_bNavigating);
    const unsigned points = m_pView->m_iPointDraws;
    const QImage draft = Frame("navigating");
    EXPECT_GT(m_pView->m_iPointDraws, points);
    // The end asks for the whole view, drawn in full again.
    m_pCamera->m_bRegionSet = false;
    m_pView->SetNavigating(false);
    EXPECT_FALSE(m_pView->m_bNavigating);
    EXPECT_TRUE(m_pCamera->m_bRegionSet);
    const unsigned afterDraft = m_pView->m_iPointDraws;
    const QImage full = m_pView->grabFramebuffer();
    EXPECT_EQ(m_pView->m_iPointDraws, afterDraft);
    EXPECT_GT(Count(full, Reddish), 2 * Count(draft, Reddish));
}

TEST_F(ViewTest, ContinuousRedrawAsksForTheStencilOnlyWhenOneIsShown)
{
    REQUIRE_VIEW_GL();
    HookHost host;
    ViewOverlayHost::Install(&host);
    m_pView->m_bStencilDrawn = true;
    m_pView->RedrawIfContinuous();  // no stencil loaded
    EXPECT_TRUE(m_pView->m_bStencilDrawn);
    host.stencil = 7;
    m_pView->RedrawIfContinuous();
    EXPECT_FALSE(m_pView->m_bStencilDrawn);

    m_pView->m_bStencilDrawn = true;
    m_pView->SetContinuousRedraw(false);
    EXPECT_FALSE(m_pView->m_bStencil);
    m_pView->RedrawIfContinuous();
    EXPECT_TRUE(m_pView->m_bStencilDrawn);
    m_pView->SetContinuousRedraw(true);
    EXPECT_TRUE(m_pView->m_bStencil);
    EXPECT_FALSE(m_pView->m_bStencilDrawn);
    ViewOverlayHost::Install(nullptr);
}

TEST_F(ViewTest, StatusTextIsRefreshedWhenItsPreferencesChange)
{
    REQUIRE_VIEW_GL();
    Frame("status");
    QStringList texts;
    QObject::connect(m_pView.get(), &SceneView::StatusTextChanged, [&texts](const QString &text) { texts << text; });
    m_pView->m_cSettings.m_bVisibleFaceCount = false;
    m_pView->m_cSettings.m_bSelectedFaceCount = true;
    SceneView::RefreshStatusText();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("  Selected polys: "))) << texts[0].toStdString();
}

TEST_F(ViewTest, AContextMenuOverAnObjectIsTheObjectsPopUp)
{
    REQUIRE_VIEW_GL();
    HookHost host;
    host.hit = true;
    ViewOverlayHost::Install(&host);
    QStringList commands;
    QObject::connect(m_pView.get(), &SceneView::CommandRequested, [&commands](const QString &c) { commands << c; });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(80, 60), QPoint(380, 260));
    QCoreApplication::sendEvent(m_pView.get(), &event);
    ASSERT_EQ(host.positions.size(), 1u);
    EXPECT_EQ(host.positions[0], QPoint(380, 260));
    EXPECT_TRUE(commands.isEmpty());
    EXPECT_EQ(m_pView->cursor().shape(), Qt::BlankCursor);
    ViewOverlayHost::Install(nullptr);
}

TEST_F(ViewTest, TheTextureSizePreferenceCapsTheOffscreenBuffer)
{
    REQUIRE_VIEW_GL();
    TextureSizeHost sizes;
    MeshHost::Install(&sizes);
    sizes.size = 128;
    m_pView->resize(200, 100);
    Frame("capped");
    ASSERT_NE(m_pView->GetPBuffer(), nullptr);
    EXPECT_EQ(m_pView->GetPBuffer()->GetBufferWidth(), 128);
    EXPECT_EQ(m_pView->GetPBuffer()->GetBufferHeight(), 128);
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("PBuffer created with size 128:128 (200:100 needed)")));
    MeshHost::Install(nullptr);
}

TEST_F(ViewTest, AFailedBufferLeavesNoStaleCameraRatios)
{
    REQUIRE_VIEW_GL();
    ResizableView view(m_pCamera);
    view.resize(160, 120);
    view.show();
    view.grabFramebuffer();
    ASSERT_NE(view.GetPBuffer(), nullptr);
    EXPECT_LT(m_pCamera->m_fWidthRatio, 1.0f);  // 160 of 256
    view.doneCurrent();
    QOpenGLContext *current = QOpenGLContext::currentContext();
    if (current)
        current->doneCurrent();
    view.resizeGL(100, 80);  // no context: the buffer cannot be made
    EXPECT_EQ(view.GetPBuffer(), nullptr);
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("PBuffer creation failed")));
    EXPECT_EQ(m_pCamera->m_fWidthRatio, 1.0f);
    EXPECT_EQ(m_pCamera->m_fHeightRatio, 1.0f);
}

namespace {

// The pixels two pictures differ in beyond a small tolerance.
int Differing(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += !Near(At(a, x, y), At(b, x, y), 12);
    return n;
}

// The interface's current tool, as the stroke's region draw asks for it.
class ToolServices final : public SceneServices {
public:
    ToolServices() { Install(this); }
    ~ToolServices() override { Install(nullptr); }
    Brush *GetCurrentTool() const override { return tool; }
    Brush *tool = nullptr;
};

}  // namespace

// Frozen quads, a level on two texture tiles and a stroke's region: the octree path draws
// the same pixels as the fill path.
TEST_F(ViewTest, TheOctreePathDrawsThePixelsOfTheFillPath)
{
    REQUIRE_VIEW_GL();
    Scene::BuildOctrees(m_pObject);
    m_pView->m_cSettings.m_cFill.m_iInactiveLevels = FillSettings::inactiveHide;  // the finest level alone
    m_pView->m_cSettings.m_cFill.m_cFrozen = General::Color(0.1f, 0.1f, 1.0f, 1.0f);
    m_pView->m_cSettings.m_cFill.m_bShowFrozenVertices = true;
    m_cMaterial.m_aDiffuse.SetValue(General::Color(1.0f, 1.0f, 1.0f, 1.0f), true);
    SubdivLevel *finest = m_pObject;
    while (finest->m_pNext)
        finest = finest->m_pNext;
    m_pObject->m_pActiveLevel = finest;
    SubdivLevel &level = *finest;
    // Faces frozen in full, in part and not at all; a few frozen vertices add to their quads.
    for (unsigned f = 0; f < level.m_iFaceCount; ++f) {
        level.m_pQuads[f].m_iFreeze = f % 3 == 0 ? 255 : f % 3 == 1 ? 100 : 0;
        level.m_iFrozenFaces += f % 3 != 2;
    }
    for (unsigned v = 0; v < level.m_iVertexCount; v += 5) {
        level.m_pVertices[v].m_cFreeze = 80;
        ++level.m_iFrozenVertices;
    }
    auto compare = [&](const char *name) {
        m_pView->m_cSettings.m_bOctreeDrawing = false;
        const QImage filled = Frame((std::string(name) + "_fill").c_str());
        m_pView->m_cSettings.m_bOctreeDrawing = true;
        const QImage immediate = Frame((std::string(name) + "_octree").c_str());
        m_pView->m_cSettings.m_bOctreeDrawing = false;
        EXPECT_LT(Differing(filled, immediate), 160 * 120 / 100) << name;
        return filled;
    };
    const QImage frozen = compare("frozen");
    EXPECT_GT(Count(frozen, [](Rgb c) { return c.b > 2 * c.r + 30; }), 300);

    // Two tiles: u = 0.98 x + 1 puts the faces left of x = 0 on tile (0, 0), red, and those
    // right of it on tile (1, 0), green.
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        level.m_pQuads[f].m_iFreeze = 0;
    for (unsigned v = 0; v < level.m_iVertexCount; ++v)
        level.m_pVertices[v].m_cFreeze = 0;
    level.m_iFrozenFaces = level.m_iFrozenVertices = 0;
    QTemporaryDir tiles;
    for (const auto &[name, colour] : {std::pair{"t_0_0.png", Qt::red}, std::pair{"t_1_0.png", Qt::green}}) {
        QImage tile(8, 8, QImage::Format_RGB32);
        tile.fill(colour);
        ASSERT_TRUE(tile.save(tiles.filePath(QString::fromLatin1(name))));
    }
    ASSERT_TRUE(level.m_pTCs.SetItemCount(level.m_iVertexCount, false));
    level.m_iTCCount = level.m_iVertexCount;
    for (unsigned v = 0; v < level.m_iVertexCount; ++v) {
        const General::Vector &p = level.m_pVertices[v].m_vPosition;
        level.m_pTCs[v] = TC{0.98f * p.x + 1.0f, 0.4f * p.y + 0.5f};
    }
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        for (unsigned c = 0; c < 4; ++c)
            level.m_pQuads[f].m_iTCI[c] = int32_t(level.FaceVertexIndex(f, c));
    m_cMaterial.m_aDiffuseTexture.SetValue(tiles.filePath(QStringLiteral("t_%x_%y.png")));
    level.m_bPartitionsBuilt = false;
    const QImage textured = compare("tiles");
    ASSERT_EQ(level.m_aPartitions.GetItemCount(), 2u);
    EXPECT_GT(Count(textured, [](Rgb c) { return c.g > 2 * c.r + 30 && c.g > 2 * c.b; }), 300);
    EXPECT_GT(Count(textured, Reddish), 300);
    m_cMaterial.m_aDiffuseTexture.SetValue(QString());

    // A stroke's region goes through the octree while the current tool rebuilds no buffers:
    // only the region's faces are sent, and they look as the fill path draws them.
    const QImage whole = Frame("stroke_before");
    const int32_t allFaces = m_pView->m_iVisiblePolys;
    ToolServices services;
    Brush tool(QStringLiteral("Test"), 1);
    services.tool = &tool;
    m_pCamera->SetViewRegion(General::Rect2D(0.0f, 0.0f, 0.45f, 1.0f), true);
    const QImage stroke = m_pView->grabFramebuffer();
    EXPECT_LT(m_pView->m_iVisiblePolys, allFaces * 3 / 4);
    EXPECT_LT(Differing(whole, stroke), 160 * 120 / 100);
    // A tool that rebuilds whole buffers draws the region the usual way.
    tool.m_bIncremental = true;
    m_pCamera->SetViewRegion(General::Rect2D(0.0f, 0.0f, 0.45f, 1.0f), true);
    m_pView->grabFramebuffer();
    EXPECT_EQ(m_pView->m_iVisiblePolys, allFaces);
}
