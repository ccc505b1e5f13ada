// A shipped mesh imported into the empty window, as at a first start: the brush is sized
// to the mesh, the docked Brush page shows it, and one default stroke of each sculpting
// brush changes the mesh visibly but modestly.
#include "WindowFixture.h"

#include "gui/dialogs/PropertiesDialog.h"
#include "gui/dialogs/PropertyList.h"
#include "gui/editors/TextSlider.h"
#include "interaction/Interface.h"
#include "mesh/core/PickInfo.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/Object.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "viewport/view/SceneView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <string>

using General::Vector;

namespace {

class FirstImportTest : public apptest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (apptest::HasGL())
            Build();
    }

    SceneView &View() { return *m_window->GetView(); }
    Interface &Controller() { return *m_window->GetInterface(); }
    static QString Shipped(const char *name)
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/Meshes/") + QLatin1String(name) +
               QStringLiteral(".obj");
    }
    // Imports the file into an empty scene, as the first import of a start.
    Object *ImportFirst(const QString &file)
    {
        m_window->GetScene()->Clear(true);
        Controller().OpenFile(true, file, 0);
        Interface::Redraw();
        Settle();
        return m_window->GetScene()->m_pObjects;
    }
    // A pixel near the view's middle whose pick lies on `mesh`, with a neighbour 16 pixels
    // to the left that does too.
    bool FindStroke(const Mesh *mesh, QPoint &start, QPoint &end)
    {
        const QRect view = View().rect();
        for (int r = 0; r < 200; r += 6)
            for (int dx : {-r, r})
                for (int dy : {0, -r, r}) {
                    start = view.center() + QPoint(dx, dy);
                    end = start - QPoint(16, 0);
                    if (Hits(start, mesh) && Hits(end, mesh))
                        return true;
                }
        return false;
    }
    bool Hits(QPoint at, const Mesh *mesh)
    {
        Controller().m_cHit = PickHit();
        const PickHit picked = InteractionHost().Pick(float(at.x()), float(at.y()));
        const PickInfo *first = Controller().m_cPicker.GetFirstPick();
        return picked.object && first && first->m_pMesh == mesh;
    }
    void Stroke(QPoint start, QPoint end)
    {
        QTest::mouseMove(&View(), start);
        QTest::mousePress(&View(), Qt::LeftButton, {}, start);
        View().repaint();
        for (int step = 1; step <= 4; ++step) {
            const QPoint at = start + (end - start) * step / 4;
            QMouseEvent move(QEvent::MouseMove, at, View().mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(&View(), &move);
        }
        QTest::mouseRelease(&View(), Qt::LeftButton, {}, end);
        QApplication::processEvents();
    }
};

std::vector<Vector> Positions(const Mesh &mesh)
{
    std::vector<Vector> p;
    for (unsigned v = 0; v < mesh.m_iVertexCount; ++v)
        p.push_back(mesh.m_pVertices[v].m_vPosition);
    return p;
}

float LargestSide(const Mesh &mesh)
{
    Vector low = mesh.m_pVertices[0].m_vPosition, high = low;
    for (unsigned v = 1; v < mesh.m_iVertexCount; ++v) {
        const Vector &p = mesh.m_pVertices[v].m_vPosition;
        low = Vector(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = Vector(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
    return std::max({high.x - low.x, high.y - low.y, high.z - low.z});
}

}  // namespace

TEST_F(FirstImportTest, TheDockedBrushPageShowsTheSizeTheImportGaveTheBrush)
{
    REQUIRE_WINDOW_GL();
    GUI::PropertiesDialog *docked = GUI::PropertiesDialog::First();
    ASSERT_NE(docked, nullptr);
    ASSERT_NE(docked->GetPanel(), nullptr);
    ASSERT_NE(ImportFirst(Shipped("Sphere")), nullptr);
    const Brush *tool = Controller().m_pCurrentTool;
    ASSERT_NE(tool, nullptr);
    EXPECT_NEAR(tool->GetSize(), 0.2f, 1e-3f);
    auto *size = docked->GetPanel()->findChild<GUI::TextSlider *>(QStringLiteral("Size"));
    auto *strength = docked->GetPanel()->findChild<GUI::TextSlider *>(QStringLiteral("Strength"));
    ASSERT_NE(size, nullptr);
    ASSERT_NE(strength, nullptr);
    EXPECT_NEAR(size->GetValue(), tool->GetSize(), 1e-4f);
    EXPECT_NEAR(strength->GetValue(), tool->GetStrength(), 1e-4f);
}

// One default stroke of each sculpting brush on each shipped mesh, imported as at a first
// start and twice subdivided: the largest move, as a share of the mesh's largest side, is no
// more than a twentieth of the mesh, and it is seen (except where the brush has nothing to
// do on a flat face). Each stroke is undone before the next brush. The table is printed for
// the record.
TEST_F(FirstImportTest, OneDefaultStrokeOfEachBrushChangesEachShippedMeshModestly)
{
    REQUIRE_WINDOW_GL();
    static const char *const kMeshes[] = {"Cube", "Cylinder", "Plane", "Sphere", "Torus"};
    static const char *const kBrushes[] = {"Soft",  "Soft B",  "Scratch", "Smooth", "Pinch",
                                           "Bulge", "Flatten", "Stamp",   "Smear"};
    std::string table = "brush     ";
    for (const char *mesh : kMeshes)
        table += QStringLiteral(" %1").arg(QLatin1String(mesh).left(8), 8).toStdString();
    table += "\n";
    std::vector<std::vector<float>> shares(std::size(kBrushes));
    for (const char *meshName : kMeshes) {
        SCOPED_TRACE(meshName);
        Object *object = ImportFirst(Shipped(meshName));
        ASSERT_NE(object, nullptr);
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(object->Subdivide());
        Mesh &mesh = *object->m_pActiveLevel;
        const float side = LargestSide(mesh);
        for (size_t b = 0; b < std::size(kBrushes); ++b) {
            const std::string brush = kBrushes[b], shape = meshName;
            SCOPED_TRACE(brush);
            Brush *tool = Brush::Find(QLatin1String(kBrushes[b]));
            ASSERT_NE(tool, nullptr);
            Controller().ApplyTrayItem(tool, false);
            Interface::Redraw();
            Settle();
            QPoint start, end;
            ASSERT_TRUE(FindStroke(&mesh, start, end));
            const std::vector<Vector> before = Positions(mesh);
            Stroke(start, end);
            float largest = 0.0f;
            for (unsigned v = 0; v < mesh.m_iVertexCount; ++v)
                largest = std::max(largest, (mesh.m_pVertices[v].m_vPosition - before[v]).Length());
            const float share = largest / side;
            shares[b].push_back(share);
            EXPECT_LE(share, 0.05f);
            // A flat face has nothing to smooth or flatten.
            const bool flat = (shape == "Plane" && (brush == "Smooth" || brush == "Flatten")) ||
                              (shape == "Cube" && brush == "Flatten");
            if (!flat)
                EXPECT_GE(share, 0.001f);
            Interface::UndoRedo(Interface::UndoStack());
            Settle();
            EXPECT_EQ(Positions(mesh), before);
        }
    }
    for (size_t b = 0; b < std::size(kBrushes); ++b) {
        table += QStringLiteral("%1").arg(QLatin1String(kBrushes[b]), -10).toStdString();
        for (float share : shares[b])
            table += QStringLiteral(" %1%").arg(double(share) * 100.0, 7, 'f', 2).toStdString();
        table += "\n";
    }
    std::printf("%s", table.c_str());
}

// The Mask brush paints the active layer's weights: without a layer the stroke changes
// nothing and the status line says what is missing; with one it paints.
TEST_F(FirstImportTest, AMaskStrokeWithoutALayerSaysAMaskNeedsALayer)
{
    REQUIRE_WINDOW_GL();
    Object *object = ImportFirst(Shipped("Sphere"));
    ASSERT_NE(object, nullptr);
    ASSERT_TRUE(object->Subdivide());
    Mesh &mesh = *object->m_pActiveLevel;
    Controller().ApplyTrayItem(Brush::Find(QStringLiteral("Mask")), false);
    Settle();
    QPoint start, end;
    ASSERT_TRUE(FindStroke(&mesh, start, end));
    Stroke(start, end);
    EXPECT_EQ(m_window->GetStatusMessage(), QStringLiteral("A mask needs a layer: make one in the Layers tab."));
    EXPECT_EQ(m_window->GetStatusState(), 2);
    EXPECT_EQ(object->LayerCount(), 0);

    Layer3D *layer = object->CreateLayer(nullptr, nullptr);
    ASSERT_NE(layer, nullptr);
    object->SetActiveLayer(layer);
    Stroke(start, end);
    EXPECT_NE(m_window->GetStatusMessage(), QStringLiteral("A mask needs a layer: make one in the Layers tab."));
    int masked = 0;
    for (unsigned v = 0; v < mesh.m_iVertexCount; ++v)
        masked += mesh.m_pVertices[v].m_cMask != 0;
    EXPECT_GT(masked, 0);
}
