#include "FileFixtures.h"

#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "operations/selection/SelectionHost.h"
#include "scene/camera/Camera.h"

#include <QPoint>

namespace {

class ContextMenus : public FileTest {
protected:
    void SetUp() override
    {
        FileTest::SetUp();
        Surface::Materials().Clear();
        Surface::InitMaterials();
        m_object = m_scene->Import(Cube(), true, false, true);
        ASSERT_NE(m_object, nullptr);
    }
    void TearDown() override
    {
        Operations::SelectionHost::Install(nullptr);
        FileTest::TearDown();
    }
    // The rows of the last menu, "text id enabled", submenus by their rows' ids.
    QStringList LastMenu() const
    {
        QStringList rows;
        for (const MenuRow &row : m_files.menus.last()) {
            QString text = QStringLiteral("%1 %2%3").arg(row.text).arg(row.id).arg(row.enabled ? "" : " off");
            for (const MenuRow &sub : row.rows)
                text += QStringLiteral(" [%1 %2]").arg(sub.text).arg(sub.id);
            rows << text;
        }
        return rows;
    }
    Object *m_object = nullptr;
};

TEST_F(ContextMenus, NewMaterialsTakeUnusedNumbersAndAppearInTheSubmenu)
{
    Surface::Materials().Append(new Surface::Material(1));
    enum { kAssignNew = 0 };
    m_files.menuChoices = {kAssignNew};
    Interface::ObjectContextMenu(m_object, QPoint());
    ASSERT_EQ(Surface::Materials().Count(), 3);
    Surface::Material *added = Surface::Materials().At(2);
    EXPECT_EQ(added->GetName(), QStringLiteral("material 2"));
    EXPECT_EQ(added->GetIndex(), 2);
    EXPECT_EQ(m_object->GetMaterial(), added);
    EXPECT_EQ(m_files.calls, QStringList({QStringLiteral("edit material")}));

    // The submenu lists every material with its number above 65536; choosing one assigns it.
    m_files.menuChoices = {65536};
    Interface::ObjectContextMenu(m_object, QPoint());
    EXPECT_TRUE(LastMenu()[1].endsWith(QLatin1String("[defaultMat 65536] [material1 65537] [material 2 65538]")))
        << qPrintable(LastMenu()[1]);
    EXPECT_EQ(m_object->GetMaterial(), Surface::Materials().First());

    // After a deletion the count would repeat a number still in use.
    Surface::Materials().Remove(Surface::Materials().At(1));
    m_files.menuChoices = {kAssignNew};
    Interface::ObjectContextMenu(m_object, QPoint());
    EXPECT_EQ(Surface::Materials().At(2)->GetIndex(), 3);
}

TEST_F(ContextMenus, DeletingAMaterialGivesItsObjectsTheDefaultAndTheDefaultStays)
{
    auto *material = new Surface::Material(1);
    ASSERT_TRUE(Surface::Materials().Append(material));
    m_object->m_aMaterial.SetValue(material);
    enum { kDelete = 1 };
    m_files.menuChoices = {kDelete, kDelete};
    Interface::MaterialContextMenu(material, QPoint());
    EXPECT_EQ(Surface::Materials().Count(), 1);
    EXPECT_EQ(m_object->GetMaterial(), Surface::Materials().First());
    Interface::MaterialContextMenu(Surface::Materials().First(), QPoint());
    EXPECT_EQ(Surface::Materials().Count(), 1);
}

TEST_F(ContextMenus, TheFirstAndTheActiveCameraCannotBeDeleted)
{
    Camera *first = m_scene->m_pCameras;
    Camera *second = first->m_pNext.get();
    Camera *third = second->m_pNext.get();
    ASSERT_NE(third, nullptr);
    m_scene->m_pActiveCamera = second;
    enum { kDelete = 2 };
    m_files.menuChoices = {kDelete, kDelete, kDelete};
    Interface::CameraContextMenu(first, QPoint());
    EXPECT_EQ(LastMenu()[2], QStringLiteral("Delete Camera 2 off"));
    Interface::CameraContextMenu(second, QPoint());
    EXPECT_EQ(LastMenu()[2], QStringLiteral("Delete Camera 2 off"));
    EXPECT_EQ(first->m_pNext.get(), second);
    EXPECT_EQ(second->m_pNext.get(), third);
    Camera *fourth = third->m_pNext.get();
    Interface::CameraContextMenu(third, QPoint());
    EXPECT_EQ(LastMenu()[2], QStringLiteral("Delete Camera 2"));
    EXPECT_EQ(second->m_pNext.get(), fourth);
}

TEST_F(ContextMenus, AnEmptyOrCancelledRenameKeepsTheNameButRefreshesTheList)
{
    Camera *camera = m_scene->m_pCameras;
    const QString name = camera->GetName();
    enum { kRename = 1 };
    const struct {
        const char *answer;
        bool accepted;
        const char *expected;
    } cases[] = {{"", true, nullptr}, {"Renamed", false, nullptr}, {"Renamed", true, "Renamed"}};
    for (const auto &c : cases) {
        m_captions.textAnswer = QLatin1String(c.answer);
        m_captions.textAccepted = c.accepted;
        const int refreshes = m_captions.objectListRefreshes;
        m_files.menuChoices = {kRename};
        Interface::CameraContextMenu(camera, QPoint());
        EXPECT_EQ(camera->GetName(), c.expected ? QLatin1String(c.expected) : name) << c.answer;
        EXPECT_EQ(m_captions.objectListRefreshes, refreshes + 1);
    }
    EXPECT_EQ(m_captions.askedTexts.first(), name);
}

// The view opens the menu with the level under the cursor; it acts on that level's object.
TEST_F(ContextMenus, TheObjectMenuOfALevelActsOnItsObject)
{
    ASSERT_TRUE(m_object->Subdivide());
    SubdivLevel *level = m_object->GetLevel(1);
    enum { kRename = 4, kDelete = 5, kProperties = 6 };
    m_captions.textAnswer = QStringLiteral("Sculpt");
    m_captions.textAccepted = true;
    m_files.menuChoices = {kProperties, kRename, kDelete};
    Interface::ObjectContextMenu(level, QPoint());
    EXPECT_EQ(m_files.calls, QStringList({QStringLiteral("properties Geometry locked")}));
    Interface::ObjectContextMenu(level, QPoint());
    EXPECT_EQ(m_object->General::Node::GetName(), QStringLiteral("Sculpt"));
    m_scene->m_bModified = false;
    Interface::ObjectContextMenu(level, QPoint());
    EXPECT_EQ(m_scene->GetObjectCount(), 0);
    EXPECT_TRUE(m_scene->m_bModified);
    Interface::UndoRedo(Interface::UndoStack());
    EXPECT_EQ(m_scene->GetObjectCount(), 1);
}

}  // namespace
