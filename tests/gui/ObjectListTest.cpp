// The "Object List" window over a real scene and controller: rows and figures, the face
// selection a click makes (and the undo records it leaves), the pop-ups, the filter and the
// deferred rebuild.
#include "FileFixtures.h"
#include "GuiApplication.h"

#include "foundation/Globals.h"
#include "foundation/attributes/AttributeEditor.h"
#include "foundation/OperationBuffer.h"
#include "foundation/curves/NURBSCurve.h"
#include "gui/attributes/AttributeEditors.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/editors/TextSlider.h"
#include "gui/outliner/OutlinerItem.h"
#include "gui/outliner/SceneInfoDialog.h"
#include "gui/properties/CameraProperties.h"
#include "gui/properties/ImagePlaneProperties.h"
#include "gui/properties/StencilProperties.h"
#include "mesh/object/Layer3D.h"
#include "mesh/surface/Material.h"
#include "operations/selection/SelectionHost.h"
#include "scene/SelectionSet.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QImage>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <functional>

namespace {

// Refreshes reach the open lists as they do in the program; a hook may change the scene first.
class ListInteraction : public CaptionInteraction {
public:
    void RefreshObjectList() override
    {
        ++objectListRefreshes;
        if (hook)
            std::exchange(hook, nullptr)();
        GUI::SceneInfoDialog::RefreshAll();
    }
    std::function<void()> hook;
};

class ObjectList : public FileTest {
protected:
    void SetUp() override
    {
        FileTest::SetUp();
        guitest::Application();
        GUI::InstallAttributeEditors();
        InteractionServices::Install(&m_list);
        Surface::Materials().Clear();
        Surface::InitMaterials();
        m_first = m_scene->Import(Cube(), true, false, true);
        m_second = m_scene->Import(Cube(), true, false, true);
        ASSERT_TRUE(m_first && m_second);
        m_first->SetObjectName(QStringLiteral("first"));
        m_second->SetObjectName(QStringLiteral("second"));
        ASSERT_TRUE(m_second->Subdivide());
        m_second->CreateLayer(nullptr, nullptr);
        m_interface->SelectObject(nullptr, false);
        m_scene->ClearSelection();
        Interface::UndoStack()->Rewind();
        m_properties = std::make_unique<GUI::PropertiesDialog>(nullptr, "props", true);
        m_properties->show();
        m_dialog = std::make_unique<GUI::SceneInfoDialog>(nullptr, "Object List");
        m_dialog->resize(500, 700);
        m_dialog->show();
    }
    void TearDown() override
    {
        m_dialog.reset();
        m_properties.reset();
        General::PickedNode().SetValue(nullptr, true);
        General::InstallEditorFactory(nullptr);
        Operations::SelectionHost::Install(nullptr);
        FileTest::TearDown();
    }

    QTreeWidget *Tree() const { return m_dialog->GetTree(); }
    QTreeWidgetItem *Root() const { return Tree()->topLevelItem(0); }
    // The first row whose name is `name`, searched depth first.
    GUI::OutlinerItem *Row(const QString &name, QTreeWidgetItem *under = nullptr) const
    {
        QTreeWidgetItem *start = under ? under : Root();
        for (int i = 0; i < start->childCount(); ++i) {
            QTreeWidgetItem *child = start->child(i);
            if (child->text(0) == name)
                return static_cast<GUI::OutlinerItem *>(child);
            if (GUI::OutlinerItem *found = Row(name, child))
                return found;
        }
        return nullptr;
    }
    // A click on the row, as a person makes it (Ctrl adds to the selection).
    void Click(QTreeWidgetItem *row, Qt::KeyboardModifiers modifiers = {})
    {
        ASSERT_TRUE(row);
        for (QTreeWidgetItem *parent = row->parent(); parent; parent = parent->parent())
            parent->setExpanded(true);
        Tree()->scrollToItem(row);
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, modifiers, Tree()->visualItemRect(row).center());
    }
    static uint64_t UndoPosition() { return Interface::UndoStack()->Tell(); }
    static unsigned Selected(const SubdivLevel &level) { return level.m_iSelectedFaces; }
    // A row selects the faces that show.
    static unsigned Visible(const SubdivLevel &level) { return level.m_iFaceCount - level.m_iHiddenFaces; }

    ListInteraction m_list;
    Object *m_first = nullptr;
    Object *m_second = nullptr;
    std::unique_ptr<GUI::PropertiesDialog> m_properties;
    std::unique_ptr<GUI::SceneInfoDialog> m_dialog;
};

TEST_F(ObjectList, TheHeaderHasOneLabelPerColumnAndTheRowsTheirFigures)
{
    ASSERT_EQ(Tree()->columnCount(), 7);
    QStringList labels;
    for (int i = 0; i < Tree()->headerItem()->columnCount(); ++i)
        labels << Tree()->headerItem()->text(i);
    EXPECT_EQ(labels, QStringList({"Name", "Polygons", "In RAM", "Hidden", "Vertices", "Mem", ""}));

    EXPECT_EQ(Root()->text(0), QStringLiteral("Scene"));
    EXPECT_FALSE(Root()->flags() & Qt::ItemIsSelectable);
    EXPECT_FALSE(Root()->flags() & Qt::ItemIsEditable);
    // The single-level cube is one row; the subdivided one has its transformation, levels and layer.
    GUI::OutlinerItem *first = Row(QStringLiteral("first"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetType(), QStringLiteral("Geometry"));
    EXPECT_EQ(first->childCount(), 0);
    EXPECT_EQ(first->text(1), QString::number(m_first->m_iTotalFaceCount));
    EXPECT_EQ(first->text(4), QString::number(m_first->m_iVertexCount));
    GUI::OutlinerItem *second = Row(QStringLiteral("second"));
    ASSERT_TRUE(second);
    QStringList children;
    for (int i = 0; i < second->childCount(); ++i)
        children << static_cast<GUI::OutlinerItem *>(second->child(i))->GetType();
    EXPECT_EQ(children, QStringList({"Transformation", "GeometryLevel", "GeometryLevel", "Layer"}));
    const SubdivLevel *fine = m_second->GetLevel(1);
    EXPECT_EQ(Row(QStringLiteral("level_1"), second)->text(2), QString::number(fine->m_iFaceCount));
    EXPECT_EQ(second->text(2), QString::number(m_second->m_iFaceCount + fine->m_iFaceCount));
    // The root sums every level.
    EXPECT_EQ(Root()->text(2),
              QString::number(m_first->m_iFaceCount + m_second->m_iFaceCount + fine->m_iFaceCount));
    // Cameras with their image planes, the light, the material.
    GUI::OutlinerItem *perspective = Row(m_scene->m_pCameras->GetName());
    ASSERT_TRUE(perspective);
    EXPECT_EQ(static_cast<GUI::OutlinerItem *>(perspective->child(0))->GetType(), QStringLiteral("ImagePlane"));
    EXPECT_TRUE(Row(QStringLiteral("defaultMat")));
}

TEST_F(ObjectList, AnEmptySceneShowsTheRootWithZeroTotals)
{
    Scene empty;
    m_dialog->Refresh();
    EXPECT_EQ(Root()->text(0), QStringLiteral("Scene"));
    EXPECT_EQ(Root()->text(1), QStringLiteral("0"));
    EXPECT_EQ(Root()->text(5), QStringLiteral("0.00"));
    // Only the program's materials remain below it.
    EXPECT_EQ(Root()->childCount(), Surface::Materials().Count());
}

TEST_F(ObjectList, ALevelRowSelectsOnlyThatLevelAndLeavesThePropertiesAlone)
{
    const uint64_t start = UndoPosition();
    Click(Row(QStringLiteral("level_1")));
    EXPECT_EQ(Selected(*m_second->GetLevel(1)), Visible(*m_second->GetLevel(1)));
    EXPECT_GT(Selected(*m_second->GetLevel(1)), 0u);
    EXPECT_EQ(Selected(*m_second), 0u);
    EXPECT_EQ(Selected(*m_first), 0u);
    EXPECT_EQ(m_properties->GetNode(), nullptr);
    EXPECT_GT(UndoPosition(), start);
    // One action: one undo takes the whole click back.
    Interface::UndoRedo(Interface::UndoStack());
    EXPECT_EQ(Selected(*m_second->GetLevel(1)), 0u);
    EXPECT_EQ(UndoPosition(), start);
}

TEST_F(ObjectList, AClickThatChangesNothingRecordsNothing)
{
    GUI::OutlinerItem *first = Row(QStringLiteral("first"));
    Click(first);
    EXPECT_EQ(Selected(*m_first), m_first->m_iFaceCount);
    const uint64_t selected = UndoPosition();
    EXPECT_GT(selected, 0u);
    // Taken out of the list's selection and picked again: the faces are as they were.
    Click(Row(QStringLiteral("first")), Qt::ControlModifier);
    Click(Row(QStringLiteral("first")));
    m_dialog->OnSelect();
    EXPECT_EQ(Selected(*m_first), m_first->m_iFaceCount);
    EXPECT_EQ(UndoPosition(), selected);
}

TEST_F(ObjectList, CameraAndMaterialRowsLeaveTheFacesAlone)
{
    Click(Row(QStringLiteral("first")));
    const uint64_t selected = UndoPosition();
    Camera *camera = m_scene->m_pCameras;
    Click(Row(camera->GetName()));
    EXPECT_EQ(Selected(*m_first), m_first->m_iFaceCount);
    EXPECT_EQ(UndoPosition(), selected);
    EXPECT_EQ(General::PickedNode().GetPointer(), camera);
    EXPECT_EQ(m_properties->GetNode(), camera);
    Click(Row(QStringLiteral("defaultMat")));
    EXPECT_EQ(Selected(*m_first), m_first->m_iFaceCount);
    EXPECT_EQ(UndoPosition(), selected);
    EXPECT_EQ(m_properties->GetNode(), Surface::Materials().First());
}

TEST_F(ObjectList, TheStencilAndImagePlaneRowsOpenTheirPages)
{
    QTemporaryDir dir;
    QImage grey(8, 8, QImage::Format_RGB32);
    grey.fill(qRgb(100, 100, 100));
    ASSERT_TRUE(grey.save(dir.filePath(QStringLiteral("s.png"))));
    ASSERT_TRUE(m_interface->SetStencil(dir.filePath(QStringLiteral("s.png"))));
    m_dialog->Refresh();
    Click(Row(QStringLiteral("defaultSten")));
    EXPECT_EQ(m_properties->GetTypeName(), QStringLiteral("Stencil"));
    EXPECT_EQ(m_properties->GetNode(), &m_interface->m_cStencilNode);
    EXPECT_TRUE(dynamic_cast<GUI::StencilProperties *>(m_properties->GetPanel()));

    Camera *camera = m_scene->m_pCameras;
    Click(Row(QStringLiteral("imagePlane"), Row(camera->GetName())));
    EXPECT_EQ(m_properties->GetTypeName(), QStringLiteral("ImagePlane"));
    EXPECT_EQ(m_properties->GetNode(), camera);
    EXPECT_TRUE(dynamic_cast<GUI::ImagePlaneProperties *>(m_properties->GetPanel()));
}

TEST_F(ObjectList, TwoObjectsSelectBothAndTheLastGoesToProperties)
{
    Click(Row(QStringLiteral("first")));
    Click(Row(QStringLiteral("second")), Qt::ControlModifier);
    EXPECT_EQ(Selected(*m_first), m_first->m_iFaceCount);
    EXPECT_EQ(Selected(*m_second), Visible(*m_second));
    EXPECT_EQ(Selected(*m_second->GetLevel(1)), Visible(*m_second->GetLevel(1)));
    EXPECT_EQ(m_properties->GetNode(), m_second);
    EXPECT_EQ(m_properties->GetTypeName(), QStringLiteral("Geometry"));
    EXPECT_TRUE(m_interface->m_lSelection.contains(m_first));
    EXPECT_TRUE(m_interface->m_lSelection.contains(m_second));
}

TEST_F(ObjectList, ARefreshDuringASelectionIsCarriedOutAfterwards)
{
    // Selecting the object makes the controller refresh the list; the scene changed meanwhile.
    m_list.hook = [this] { m_scene->CreateSelectionSet(QStringLiteral("late"), false); };
    Click(Row(QStringLiteral("first")));
    EXPECT_GT(m_list.objectListRefreshes, 0);
    EXPECT_TRUE(Row(QStringLiteral("late")));
    // The clicked row is still selected after the rebuild.
    ASSERT_TRUE(Row(QStringLiteral("first")));
    EXPECT_TRUE(Row(QStringLiteral("first"))->isSelected());
}

TEST_F(ObjectList, RowsOfADeletedNodeYieldNothing)
{
    Surface::Material *extra = new Surface::Material(7);
    extra->SetNodeName(QStringLiteral("extra"));
    ASSERT_TRUE(Surface::Materials().Append(extra));
    auto *set = m_scene->CreateSelectionSet(QStringLiteral("gone"), false);
    m_dialog->Refresh();
    GUI::OutlinerItem *materialRow = Row(QStringLiteral("extra"));
    GUI::OutlinerItem *setRow = Row(QStringLiteral("gone"));
    ASSERT_TRUE(materialRow && setRow);
    // Both go without the list being told.
    Surface::Materials().Remove(extra);
    m_scene->RemoveSelectionSet(set);
    EXPECT_EQ(materialRow->GetNode(), nullptr);
    EXPECT_EQ(setRow->GetNode(), nullptr);
    Tree()->clearSelection();
    materialRow->setSelected(true);
    EXPECT_FALSE(m_dialog->OpenRowMenu(QPoint()));
    EXPECT_TRUE(m_files.menus.isEmpty());
    const uint64_t before = UndoPosition();
    setRow->setSelected(true);
    EXPECT_EQ(UndoPosition(), before);
}

TEST_F(ObjectList, ARightClickOpensThePopupOfTheFirstSelectedRow)
{
    const auto rightClick = [this] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(50, 50));
        QApplication::sendEvent(Tree()->viewport(), &event);
    };
    rightClick();
    EXPECT_TRUE(m_files.menus.isEmpty());
    Click(Row(m_scene->m_pCameras->GetName()));
    rightClick();
    ASSERT_EQ(m_files.menus.size(), 1);
    EXPECT_EQ(m_files.menus.last().first().text, QStringLiteral("Look Through"));
    Click(Row(QStringLiteral("level_1")));
    rightClick();
    ASSERT_EQ(m_files.menus.size(), 2);
    EXPECT_EQ(m_files.menus.last().first().text, QStringLiteral("Assign New Material"));
}

TEST_F(ObjectList, WithEveryKindFilteredOutSetsAndCurvesStay)
{
    m_scene->CreateSelectionSet(QStringLiteral("set"), false);
    auto *curve = new General::NURBSCurve(3);
    curve->SetNodeName(QStringLiteral("path"));
    m_scene->AddCurve(curve);
    m_dialog->ApplyFilter(QStringLiteral("None"));
    QStringList types;
    for (int i = 0; i < Root()->childCount(); ++i)
        types << static_cast<GUI::OutlinerItem *>(Root()->child(i))->GetType();
    EXPECT_EQ(types, QStringList({"SelectionSet", "Curve"}));
    m_dialog->ApplyFilter(QStringLiteral("Geometry"));
    EXPECT_TRUE(Row(QStringLiteral("first")));
    EXPECT_FALSE(Row(QStringLiteral("defaultMat")));
    m_dialog->ApplyFilter(QStringLiteral("All"));
    EXPECT_TRUE(Row(QStringLiteral("defaultMat")));
}

TEST_F(ObjectList, TheLightPageRefreshesTheOpenList)
{
    auto *light = new Light;
    light->m_sLightName = QStringLiteral("sun");
    m_scene->AddLight(light);
    m_scene->m_pCurrentLight = nullptr;
    m_dialog->Refresh();
    m_properties->BuildPanel(QStringLiteral("Light"), light);
    m_scene->CreateSelectionSet(QStringLiteral("new set"), false);
    ASSERT_FALSE(Row(QStringLiteral("new set")));
    QLineEdit *edit = m_properties->GetPanel()->findChild<GUI::TextSlider *>(QStringLiteral("Intensity"))->GetEdit();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("50"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FLOAT_EQ(light->m_fIntensity, 0.5f);
    EXPECT_TRUE(Row(QStringLiteral("new set")));
    // A light row makes its light the current one.
    Click(Row(light->m_sLightName));
    EXPECT_EQ(m_scene->m_pCurrentLight, light);
}

TEST_F(ObjectList, AssignToSelectedGivesTheMaterialOnlyToWhollySelectedObjects)
{
    auto *shiny = new Surface::Material(9);
    shiny->SetNodeName(QStringLiteral("shiny"));
    ASSERT_TRUE(Surface::Materials().Append(shiny));
    m_properties->BuildPanel(QStringLiteral("Material"), shiny);
    QPushButton *assign = m_properties->GetPanel()->findChild<QPushButton *>(QStringLiteral("Assign"));
    ASSERT_TRUE(assign);
    Surface::Material *before = m_first->GetMaterial();

    // Some faces of the first object: no object is wholly selected, nothing is assigned.
    General::Store<unsigned int> some("test faces");
    some.Add(0);
    MeshEdits::Get().SelectFaces(*m_first, some);
    QTest::mouseClick(assign, Qt::LeftButton);
    EXPECT_EQ(m_first->GetMaterial(), before);

    // The whole object, selected through its row, which the list shows selected already (the
    // object is in the selection list): the click applies it all the same.
    Click(Row(QStringLiteral("first")));
    m_properties->BuildPanel(QStringLiteral("Material"), shiny);
    QTest::mouseClick(m_properties->GetPanel()->findChild<QPushButton *>(QStringLiteral("Assign")), Qt::LeftButton);
    EXPECT_TRUE(m_first->IsAllSelected());
    EXPECT_EQ(m_first->GetMaterial(), shiny);
    EXPECT_NE(m_second->GetMaterial(), shiny);
}

}  // namespace
