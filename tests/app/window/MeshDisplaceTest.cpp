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

namespace {

QByteArray Image(const SubdivLevel &level)
{
    return QByteArray(reinterpret_cast<const char *>(level.m_pVertices.begin()),
                      qsizetype(level.m_iVertexCount * sizeof(Vertex)));
}

using MeshDisplaceTest = apptest::MainWindowTest;

}  // namespace

TEST_F(MeshDisplaceTest, TheCommandMakesAnOperationWhoseRunOneUndoTakesBack)
{
    REQUIRE_WINDOW_GL();
    Build();
    fixtures::WriteSheet(File(QStringLiteral("sheet.obj")), 4, [](float, float) { return 0.0f; }, true);
    m_window->GetInterface()->OpenFile(false, File(QStringLiteral("sheet.obj")), 0);
    ASSERT_EQ(m_window->GetScene()->GetObjectCount(), 1);
    Object *object = m_window->GetScene()->GetObject(0);
    m_window->GetInterface()->SetActiveObject(object);
    MapExtraction::MapBuffer map;
    map.Allocate(4, 4, MapExtraction::MapBuffer::typeFloat, 1);
    for (unsigned y = 0; y < 4; ++y)
        for (unsigned x = 0; x < 4; ++x)
            map.SetValue(x, y, 0, 0.1f * float(x + y), 0.0f, 1.0f);
    ASSERT_TRUE(map.Save(File(QStringLiteral("d_0001")), false, MapExtraction::fileTIF));

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
