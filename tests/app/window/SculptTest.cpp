// Sculpting in the running window: an imported and twice subdivided mesh, one stroke of
// the "Soft" brush through the view's own mouse events, undo and redo from the keyboard,
// the stroke mirrored, and a locked layer.
#include "WindowFixture.h"

#include "app/services/AppInteractionServices.h"
#include "app/settings/Preferences.h"
#include "gui/layers/LayerList.h"
#include "gui/layers/QTvLayerList.h"
#include "interaction/Interface.h"
#include "interaction/tools/Manipulator.h"
#include "mesh/core/MeshRecords.h"
#include "mesh/core/PickInfo.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/Object.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/Transformation.h"
#include "scene/camera/Camera.h"
#include "viewport/view/SceneView.h"

#include <QApplication>
#include <QCheckBox>
#include <QTest>

#include <cmath>
#include <cstring>

using General::Vector;

namespace {

// Each vertex's position, normal, freeze and mask bytes.
std::vector<char> VertexBytes(const Mesh &mesh)
{
    std::vector<char> bytes;
    for (unsigned v = 0; v < mesh.m_iVertexCount; ++v) {
        const Vertex &vertex = mesh.m_pVertices[v];
        const char *p = reinterpret_cast<const char *>(&vertex.m_vPosition);
        bytes.insert(bytes.end(), p, p + sizeof(vertex.m_vPosition));
        p = reinterpret_cast<const char *>(vertex.m_aNormal);
        bytes.insert(bytes.end(), p, p + sizeof(vertex.m_aNormal));
        bytes.push_back(char(vertex.m_cFreeze));
        bytes.push_back(char(vertex.m_cMask));
    }
    return bytes;
}

std::vector<unsigned> Moved(const Mesh &mesh, const std::vector<Vector> &before)
{
    std::vector<unsigned> moved;
    for (unsigned v = 0; v < mesh.m_iVertexCount; ++v)
        if (!(mesh.m_pVertices[v].m_vPosition == before[v]))
            moved.push_back(v);
    return moved;
}

std::vector<Vector> Positions(const Mesh &mesh)
{
    std::vector<Vector> p;
    for (unsigned v = 0; v < mesh.m_iVertexCount; ++v)
        p.push_back(mesh.m_pVertices[v].m_vPosition);
    return p;
}

float DistanceToSegment(const Vector &p, const Vector &a, const Vector &b)
{
    const Vector ab = b - a;
    const float t = std::clamp((p - a).Dot(ab) / std::max(ab.Dot(ab), 1e-12f), 0.0f, 1.0f);
    return (a + ab * t - p).Length();
}

class SculptTest : public apptest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (!apptest::HasGL())
            return;
        Build();
        apptest::WriteTorus(File("torus.obj"), 24, 16);
        Interface &controller = *m_window->GetInterface();
        controller.OpenFile(true, File("torus.obj"), 0);
        Scene &scene = *m_window->GetScene();
        ASSERT_EQ(scene.GetObjectCount(), 1);
        m_object = scene.m_pObjects;
        ASSERT_TRUE(m_object->Subdivide());
        ASSERT_TRUE(m_object->Subdivide());
        m_level = m_object->m_pActiveLevel;
        ASSERT_NE(m_level, nullptr);
        ASSERT_EQ(m_level->m_iFaceCount, 24u * 16u * 16u);
        Brush *soft = Brush::Find(QStringLiteral("Soft"));
        ASSERT_NE(soft, nullptr);
        controller.ApplyTrayItem(soft, false);
        soft->SetSize(2.0f);
        Interface::Redraw();
        Settle();
        FindStroke();
    }
    void TearDown() override
    {
        if (Preferences *preferences = Preferences::Get())
            preferences->MirrorCount = 0;
        MainWindowTest::TearDown();
    }

    SceneView &View() { return *m_window->GetView(); }
    Interface &Controller() { return *m_window->GetInterface(); }
    // The hit under a view pixel on the active level; false off it.
    bool HitAt(QPoint at, Vector &hit)
    {
        if (Controller().m_cHit.object != nullptr)
            Controller().m_cHit = PickHit();
        const PickHit picked = InteractionHost().Pick(float(at.x()), float(at.y()));
        const PickInfo *first = Controller().m_cPicker.GetFirstPick();
        if (!picked.object || !first || first->m_pMesh != m_level)
            return false;
        hit = first->m_vPosition;
        return true;
    }
    // A short horizontal stroke across the mesh, left of the view's middle, both ends on
    // the active level.
    void FindStroke()
    {
        const QRect view = View().rect();
        for (int x = view.center().x() - 20; x > view.left() + 40; x -= 4) {
            for (int y = view.center().y() - 60; y < view.center().y() + 60; y += 6) {
                m_start = QPoint(x, y);
                m_end = QPoint(x - 16, y);
                if (HitAt(m_start, m_startHit) && HitAt(m_end, m_endHit) && m_startHit.x < -1.0f &&
                    m_endHit.x < -1.0f)
                    return;
            }
        }
        FAIL() << "no stroke found over the mesh";
    }
    void Stroke()
    {
        QTest::mouseMove(&View(), m_start);
        QTest::mousePress(&View(), Qt::LeftButton, {}, m_start);
        // The full frame the press asked for is drawn before the samples mark their parts.
        View().repaint();
        for (int step = 1; step <= 4; ++step) {
            const QPoint at = m_start + (m_end - m_start) * step / 4;
            QMouseEvent move(QEvent::MouseMove, at, View().mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(&View(), &move);
            if (step == 2) {
                // The sample marked the part of the view it touched for the next paint.
                const Camera &camera = *m_window->GetScene()->m_pActiveCamera;
                m_regionSet = camera.m_bRegionSet;
                m_region = camera.m_rViewRegion;
            }
        }
        QTest::mouseRelease(&View(), Qt::LeftButton, {}, m_end);
        QApplication::processEvents();
    }

    Object *m_object = nullptr;
    SubdivLevel *m_level = nullptr;
    QPoint m_start, m_end;
    Vector m_startHit{0, 0, 0}, m_endHit{0, 0, 0};
    bool m_regionSet = false;
    General::Rect2D m_region;
};

}  // namespace

TEST_F(SculptTest, OneStrokeMovesOnlyTheBrushsVerticesAndUndoRedoAreBitExact)
{
    REQUIRE_WINDOW_GL();
    const std::vector<Vector> before = Positions(*m_level);
    const std::vector<char> beforeBytes = VertexBytes(*m_level);
    const std::vector<char> coarse = VertexBytes(*m_object);
    const float size = Controller().m_pCurrentTool->GetSize();
    Stroke();
    // The coarser levels, hidden under the finest, take no part.
    EXPECT_EQ(VertexBytes(*m_object), coarse);
    for (int i = 0; i < Controller().m_cPicker.GetPickCount(); ++i)
        EXPECT_EQ(Controller().m_cPicker.GetPick(i)->m_pMesh, m_level) << i;
    const std::vector<unsigned> moved = Moved(*m_level, before);
    ASSERT_GT(moved.size(), 3u);
    for (unsigned v : moved)
        EXPECT_LE(DistanceToSegment(before[v], m_startHit, m_endHit), size * 1.05f) << v;
    EXPECT_TRUE(m_regionSet);
    EXPECT_LT(m_region.x1 - m_region.x0, 0.5f);
    EXPECT_LT(m_region.y1 - m_region.y0, 0.5f);
    const std::vector<char> afterBytes = VertexBytes(*m_level);

    // Positions and normals both, bit for bit, twice over.
    for (int cycle = 0; cycle < 2; ++cycle) {
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_TRUE(VertexBytes(*m_level) == beforeBytes) << cycle;
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ShiftModifier);
        EXPECT_TRUE(VertexBytes(*m_level) == afterBytes) << cycle;
    }
    View().grabFramebuffer().save(QStringLiteral(TEVRIN_SCREENSHOTS "/sculpt_stroke.png"));
}

TEST_F(SculptTest, WithSymmetryTheMirroredVerticesMoveToo)
{
    REQUIRE_WINDOW_GL();
    Preferences &preferences = *Preferences::Get();
    preferences.MirrorCount = 1;
    preferences.MirrorNormals[0] = Vector(1, 0, 0);
    preferences.MirrorOffsets[0] = Vector(0, 0, 0);
    const std::vector<Vector> before = Positions(*m_level);
    Stroke();
    int left = 0, right = 0;
    for (unsigned v : Moved(*m_level, before))
        (before[v].x < 0.0f ? left : right)++;
    EXPECT_GT(left, 3);
    EXPECT_GT(right, 3);
}

TEST_F(SculptTest, ALockedLayerShowsTheRedMessageAndChangesNothing)
{
    REQUIRE_WINDOW_GL();
    Layer3D *layer = m_object->CreateLayer(nullptr, nullptr);
    ASSERT_NE(layer, nullptr);
    m_object->SetActiveLayer(layer);
    layer->SetLocked(true);
    const std::vector<char> before = VertexBytes(*m_level);
    Stroke();
    EXPECT_EQ(VertexBytes(*m_level), before);
    EXPECT_EQ(m_window->GetStatusMessage(), "Could not edit locked layer!");
    EXPECT_EQ(m_window->GetStatusState(), 2);
    // Unlocked, the same stroke sculpts the layer on the active level.
    layer->SetLocked(false);
    Stroke();
    EXPECT_NE(VertexBytes(*m_level), before);
    EXPECT_EQ(layer->m_pLockedMesh, m_level);
}

// The Layers tab of the East dock follows the imported object: a layer made from its menu
// takes the stroke, the history takes both back, and a cleared scene leaves the tab empty.
TEST_F(SculptTest, TheLayersDockMakesTheLayerTheStrokeGoesTo)
{
    REQUIRE_WINDOW_GL();
    GUI::LayerList *layers = GUI::LayerList::First();
    ASSERT_NE(layers, nullptr);
    EXPECT_EQ(layers->GetObject(), m_object);
    GUI::QTvLayerList *tree = layers->GetTree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    tree->setCurrentItem(tree->topLevelItem(0));
    layers->RunMenuCommand(GUI::LayerList::kNewLayer);
    Layer3D *layer = m_object->GetActiveLayer();
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), layer->GetName());
    Stroke();
    EXPECT_EQ(layer->m_pLockedMesh, m_level);
    EXPECT_EQ(tree->topLevelItem(0)->text(GUI::QTvLayerList::kLevel), QStringLiteral("2"));
    Interface::UndoRedo(Interface::UndoStack());
    Interface::UndoRedo(Interface::UndoStack());
    EXPECT_EQ(m_object->LayerCount(), 0);
    EXPECT_EQ(tree->topLevelItemCount(), 1);

    m_window->GetScene()->Clear(true);
    EXPECT_EQ(layers->GetObject(), nullptr);
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(tree->topLevelItemCount(), 0);
}

TEST_F(SculptTest, TheTranslateGizmoIsDrawnAndADragOnItsAxisMovesTheObject)
{
    REQUIRE_WINDOW_GL();
    Brush *translate = Brush::Find(QStringLiteral("Translate"));
    ASSERT_NE(translate, nullptr);
    Controller().ApplyTrayItem(translate, false);
    Manipulator *manipulator = Controller().GetManipulator();
    ASSERT_NE(manipulator, nullptr);
    Interface::Redraw();
    const QImage frame = View().grabFramebuffer();
    frame.save(QStringLiteral(TEVRIN_SCREENSHOTS "/translate_gizmo.png"));
    // The cones in the axis colours.
    int red = 0, green = 0, blue = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const QColor c = frame.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 60 && c.blue() < 60;
            green += c.green() > 150 && c.red() < 60 && c.blue() < 60;
            blue += c.blue() > 150 && c.red() < 60 && c.green() < 60;
        }
    EXPECT_GT(red, 10);
    EXPECT_GT(green, 10);
    EXPECT_GT(blue, 10);

    // A drag of the X cone's tip along its axis, through the view's mouse events.
    const Camera &camera = *m_window->GetScene()->m_pActiveCamera;
    const auto pixel = [&](const Vector &world) {
        const Vector s = camera.WorldToScreen(world, false);
        return QPoint(int(std::lround((s.x + 1.0) * 0.5 * View().width())),
                      int(std::lround((1.0 - s.y) * 0.5 * View().height())));
    };
    const Vector centre = manipulator->GetCentre(), end = manipulator->GetAxisEnd(0);
    m_start = pixel(end);
    m_end = pixel(end + (end - centre));
    Stroke();
    Transformation &node = *dynamic_cast<Transformation *>(m_object->GetTransformation());
    EXPECT_GT(node.m_aTranslate.GetValue().x, 0.0f);
    EXPECT_EQ(node.m_aTranslate.GetValue().y, 0.0f);
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(node.m_aTranslate.GetValue(), Vector(0, 0, 0));
}
TEST_F(SculptTest, TheStrokeShowsInTheNextFrameWithoutAFullRedraw)
{
    REQUIRE_WINDOW_GL();
    Interface::Redraw();
    QApplication::processEvents();
    const QImage before = View().grabFramebuffer();
    Stroke();
    QApplication::processEvents();
    // The region the samples redrew is where the stroke went, in the view's own terms.
    ASSERT_TRUE(m_regionSet);
    const float x = float(m_start.x()) / float(View().width()), y = float(m_start.y()) / float(View().height());
    EXPECT_TRUE(m_region.x0 <= x && x <= m_region.x1 && m_region.y0 <= y && y <= m_region.y1)
        << m_region.x0 << " " << m_region.y0 << " " << m_region.x1 << " " << m_region.y1 << " at " << x << " " << y;
    EXPECT_GT(apptest::DifferingPixels(before, View().grabFramebuffer()), 100);
}

namespace {

TEST_F(SculptTest, AClickThatActivatesTheWindowStillStrokesThroughToItsEnd)
{
    REQUIRE_WINDOW_GL();
    // The window is activated by the very click that starts the stroke (a floating panel had
    // the focus): the held button must survive the activation.
    QTest::mouseMove(&View(), m_start);
    QTest::mousePress(&View(), Qt::LeftButton, {}, m_start);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(m_window.get(), &activate);
    EXPECT_TRUE(Controller().m_bLeft);
    const QPoint at = (m_start + m_end) / 2;
    QMouseEvent move(QEvent::MouseMove, at, View().mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&View(), &move);
    EXPECT_NE(Controller().m_cEventHandler.m_pActiveHandler, nullptr);  // the stroke goes on
    QTest::mouseRelease(&View(), Qt::LeftButton, {}, m_end);

    // A button let go while another window had the focus is let go here too.
    QApplication::sendEvent(m_window.get(), &activate);
    EXPECT_FALSE(Controller().m_bLeft);
}

}  // namespace

TEST_F(SculptTest, TheMoveBrushCarriesTheGrabbedPointWithThePointer)
{
    // The view draws through an off-screen buffer taller than itself: the pointer's row must
    // be counted as the pick counted it, or the grabbed point runs off upward.
    REQUIRE_WINDOW_GL();
    Brush *move = Brush::Find(QStringLiteral("Move"));
    ASSERT_NE(move, nullptr);
    Controller().ApplyTrayItem(move, false);
    const Camera &camera = *m_window->GetScene()->m_pActiveCamera;
    const std::vector<Vector> before = Positions(*m_level);
    for (const QPoint drag : {QPoint(0, 30), QPoint(30, 0), QPoint(0, -30)}) {
        SCOPED_TRACE(drag.x() * 1000 + drag.y());
        const QPoint end = m_start + drag;
        QMouseEvent hover(QEvent::MouseMove, m_start, View().mapToGlobal(m_start), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&View(), &hover);
        QTest::mousePress(&View(), Qt::LeftButton, {}, m_start);
        View().repaint();
        for (int step = 1; step <= 3; ++step) {
            const QPoint at = m_start + drag * step / 3;
            QMouseEvent moved(QEvent::MouseMove, at, View().mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(&View(), &moved);
        }
        QTest::mouseRelease(&View(), Qt::LeftButton, {}, end);
        QApplication::processEvents();
        // The vertex that moved most went with the pointer: the same way, no farther.
        unsigned most = 0;
        float longest = 0.0f;
        for (unsigned v = 0; v < m_level->m_iVertexCount; ++v)
            if (const float d = (m_level->m_pVertices[v].m_vPosition - before[v]).Length(); d > longest) {
                longest = d;
                most = v;
            }
        ASSERT_GT(longest, 0.0f);
        float xb = 0, yb = 0, xa = 0, ya = 0;
        camera.Project(before[most], xb, yb);
        camera.Project(m_level->m_pVertices[most].m_vPosition, xa, ya);
        EXPECT_NEAR(xa - xb, float(drag.x()), 8.0f);
        EXPECT_NEAR(ya - yb, float(drag.y()), 8.0f);
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        ASSERT_TRUE(Positions(*m_level) == before);
    }
}

TEST_F(SculptTest, AMaskStrokeOnTheDefaultSettingsPaintsTheMaskAndShowMaskShowsIt)
{
    REQUIRE_WINDOW_GL();
    GUI::LayerList *layers = GUI::LayerList::First();
    ASSERT_NE(layers, nullptr);
    GUI::QTvLayerList *tree = layers->GetTree();
    tree->setCurrentItem(tree->topLevelItem(0));
    layers->RunMenuCommand(GUI::LayerList::kNewLayer);
    ASSERT_NE(m_object->GetActiveLayer(), nullptr);
    auto *show = layers->findChild<QCheckBox *>(QStringLiteral("ShowMask"));
    ASSERT_NE(show, nullptr);
    show->setChecked(true);
    Brush *mask = Brush::Find(QStringLiteral("Mask"));
    ASSERT_NE(mask, nullptr);
    Controller().ApplyTrayItem(mask, false);
    Interface::Redraw();
    Settle();
    const QImage before = View().grabFramebuffer();

    Stroke();
    unsigned painted = 0;
    for (unsigned v = 0; v < m_level->m_iVertexCount; ++v)
        painted += m_level->m_pVertices[v].m_cMask < 255;
    EXPECT_GT(painted, 3u);
    Interface::Redraw();
    Settle();
    EXPECT_GT(apptest::DifferingPixels(before, View().grabFramebuffer()), 20);
    show->setChecked(false);
}
