// "Mesh displace" in the real main window: a displacement operation on the active object,
// shown in the Properties window, whose run one "Undo" takes back exactly.
#include "WindowFixture.h"

#include "gui/dialogs/PropertiesDialog.h"
#include "interaction/Interface.h"
#include "mapping/Info.h"
#include "mapping/MapBuffer.h"
#include "mapping/displacement/DisplaceOperation.h"
#include "mapping/SheetFixtures.h"
#include "mesh/object/Layer3D.h"
#include "scene/Scene.h"

#include <QByteArray>

#include <vector>

namespace {

QByteArray Image(const SubdivLevel &level)
{
    return QByteArray(reinterpret_cast<const char *>(level.m_pVertices.begin()),
                      qsizetype(level.m_iVertexCount * sizeof(Vertex)));
}

class MeshDisplaceTest : public apptest::MainWindowTest {
protected:
    // The window with a flat 4 x 4 sheet as its active object, and the map d_0001.tif of
    // `type` samples whose value at texel (x, y) is 0.1 (x + step y), grey expanded when asked.
    Object *OpenSheetAndMap(int type, float step, bool expandGrey)
    {
        Build();
        fixtures::WriteSheet(File(QStringLiteral("sheet.obj")), 4, [](float, float) { return 0.0f; }, true);
        m_window->GetInterface()->OpenFile(false, File(QStringLiteral("sheet.obj")), 0);
        EXPECT_EQ(m_window->GetScene()->GetObjectCount(), 1);
        Object *object = m_window->GetScene()->GetObject(0);
        m_window->GetInterface()->SetActiveObject(object);
        MapExtraction::MapBuffer map;
        map.Allocate(4, 4, type, 1);
        for (unsigned y = 0; y < 4; ++y)
            for (unsigned x = 0; x < 4; ++x)
                map.SetValue(x, y, 0, 0.1f * (float(x) + step * float(y)), 0.0f, 1.0f);
        EXPECT_TRUE(map.Save(File(QStringLiteral("d_0001")), expandGrey, MapExtraction::fileTIF));
        return object;
    }
};

// The displacement operations alive, oldest first.
std::vector<Displacement::DisplaceOperation *> LiveOperations()
{
    std::vector<Displacement::DisplaceOperation *> found;
    for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext())
        if (auto *operation = dynamic_cast<Displacement::DisplaceOperation *>(node))
            found.insert(found.begin(), operation);
    return found;
}

}  // namespace

TEST_F(MeshDisplaceTest, TheCommandMakesAnOperationWhoseRunOneUndoTakesBack)
{
    REQUIRE_WINDOW_GL();
    Object *object = OpenSheetAndMap(MapExtraction::MapBuffer::typeFloat, 1.0f, false);
    ASSERT_TRUE(object);

    m_window->GetInterface()->RunCommand("Mesh displace");
    auto *operation = dynamic_cast<Displacement::DisplaceOperation *>(GUI::CurrentNode().GetPointer());
    ASSERT_TRUE(operation);
    EXPECT_EQ(operation->m_aTargetMesh.GetValue(), object);
    EXPECT_EQ(operation->GetName(), QStringLiteral("Disp #1"));
    operation->m_aInitialTile.SetValue(1);
    operation->m_aDisplacementMap.SetValue(File(QStringLiteral("d_0001.tif")));

    const QByteArray before = Image(*object);
    operation->m_aStart.SetValue(1);
    ASSERT_EQ(object->LayerCount(), 1);
    const QByteArray after = Image(*object);
    ASSERT_NE(after, before);
    m_window->GetInterface()->RunCommand("Undo");
    EXPECT_EQ(object->LayerCount(), 0);
    EXPECT_EQ(Image(*object), before);
    m_window->GetInterface()->RunCommand("Redo");
    ASSERT_EQ(object->LayerCount(), 1);
    EXPECT_EQ(object->GetFirstLayer()->GetName(), QStringLiteral("Displacement"));
    EXPECT_EQ(Image(*object), after);

    operation->m_aDelete.SetValue(1);
    EXPECT_EQ(GUI::CurrentNode().GetPointer(), nullptr);
}

TEST_F(MeshDisplaceTest, AnOperationSavedWithTheSceneComesBackInANewProgramAndRunsTheSame)
{
    REQUIRE_WINDOW_GL();
    // Bytes in three channels, so the channel and the value range travel with the scene.
    Object *object = OpenSheetAndMap(MapExtraction::MapBuffer::typeByte, 2.0f, true);
    ASSERT_TRUE(object);

    m_window->GetInterface()->RunCommand("Mesh displace");
    auto *operation = dynamic_cast<Displacement::DisplaceOperation *>(GUI::CurrentNode().GetPointer());
    ASSERT_TRUE(operation);
    operation->m_aInitialTile.SetValue(1);
    operation->m_aDisplacementMap.SetValue(File(QStringLiteral("d_0001.tif")));
    operation->m_aDisplacementMinimum.SetValue(-0.5f);
    operation->m_aDisplacementMaximum.SetValue(0.25f);
    operation->m_aDisplacementChannel.SetValue(Displacement::DisplaceOperation::kGreen);
    operation->m_aTileRange.SetValue(QStringLiteral("1"));
    const QByteArray before = Image(*object);
    operation->m_aStart.SetValue(1);
    const QByteArray displaced = Image(*object);
    ASSERT_NE(displaced, before);
    m_window->GetInterface()->RunCommand("Undo");
    ASSERT_EQ(Image(*object), before);

    const QString scene = File(QStringLiteral("displaced.tev"));
    ASSERT_TRUE(m_window->GetScene()->Save(scene, true));
    m_window.reset();
    EXPECT_TRUE(LiveOperations().empty());

    // A new program opens the scene: the operation is back with its settings.
    Build();
    m_window->GetInterface()->OpenFile(false, scene, 0);
    ASSERT_EQ(m_window->GetScene()->GetObjectCount(), 1);
    object = m_window->GetScene()->GetObject(0);
    std::vector<Displacement::DisplaceOperation *> loaded = LiveOperations();
    ASSERT_EQ(loaded.size(), 1u);
    operation = loaded[0];
    EXPECT_EQ(operation->GetName(), QStringLiteral("Disp #1"));
    EXPECT_EQ(operation->m_aTargetMesh.GetValue(), object);
    EXPECT_EQ(operation->m_aDisplacementMap.GetValue(), File(QStringLiteral("d_%i.tif")));
    EXPECT_EQ(operation->m_aInitialTile.GetValue(), 1);
    EXPECT_EQ(operation->m_aTileRange.GetValue(), QStringLiteral("1"));
    EXPECT_EQ(operation->m_aDisplacementMinimum.GetValue(), -0.5f);
    EXPECT_EQ(operation->m_aDisplacementMaximum.GetValue(), 0.25f);
    EXPECT_EQ(operation->m_aDisplacementChannel.GetValue(), int(Displacement::DisplaceOperation::kGreen));
    ASSERT_EQ(Image(*object), before);
    operation->m_aStart.SetValue(1);
    ASSERT_EQ(object->LayerCount(), 1);
    EXPECT_EQ(object->GetFirstLayer()->GetName(), QStringLiteral("Displacement"));
    EXPECT_EQ(Image(*object), displaced);

    // Opening the scene again replaces the operation rather than adding one; a file that
    // cannot be read keeps it.
    m_window->GetInterface()->OpenFile(false, scene, 0);
    EXPECT_EQ(LiveOperations().size(), 1u);
    EXPECT_FALSE(m_window->GetScene()->Load(File(QStringLiteral("sheet.obj")), false, true));
    EXPECT_EQ(LiveOperations().size(), 1u);
}
