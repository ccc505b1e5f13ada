// The face and selection-set commands reached through the main window's services.
#include "WindowFixture.h"

#include "app/services/AppInteractionServices.h"
#include "gui/common/ModalDialogs.h"
#include "interaction/Interface.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "scene/SelectionSet.h"
#include "scene/camera/Camera.h"
#include "viewport/view/SceneView.h"

namespace {

// Answers every text question with one name.
class NamingModals : public GUI::ModalDialogs {
public:
    bool GetText(QWidget *, const QString &title, const QString &label, QString &text) override
    {
        asked << title + QLatin1Char('|') + label + QLatin1Char('|') + text;
        text = QStringLiteral("Rim");
        return true;
    }
    QStringList asked;
};

}  // namespace

namespace apptest {

TEST_F(MainWindowTest, ThePickedFaceIsSelectedAndASetIsNamedThroughTheWindow)
{
    REQUIRE_WINDOW_GL();
    Build();
    WriteTorus(File("torus.obj"), 64, 48);
    Interface &controller = *m_window->GetInterface();
    controller.OpenFile(false, File("torus.obj"), 0);
    Scene &scene = *m_window->GetScene();
    ASSERT_EQ(scene.GetObjectCount(), 1);
    Settle();
    m_window->GetView()->repaint();

    // The mouse over the torus's outer rim: the hit names a face of the level it hit.
    Camera &camera = *scene.m_pActiveCamera;
    float x = 0, row = 0;
    camera.Project(General::Vector(12.0f, 0.0f, 0.0f), x, row);
    const float viewRow = row - AppInteractionServices::CameraRow(0.0f, camera.m_aViewport[3], camera.m_fHeightRatio);
    controller.UpdateMousePosition(x, viewRow);
    ASSERT_EQ(controller.m_cHit.object, scene.m_pObjects);
    const int face = controller.m_cHit.face;
    ASSERT_GE(face, 0);
    ASSERT_LT(unsigned(face), scene.m_pObjects->m_iFaceCount);
    controller.RunCommand("Select picked");
    EXPECT_EQ(scene.m_pObjects->m_iSelectedFaces, 1u);
    EXPECT_TRUE(scene.m_pObjects->IsFaceSelected(unsigned(face)));

    NamingModals modals;
    GUI::ModalDialogs::Install(&modals);
    controller.RunCommand("Create selection set");
    GUI::ModalDialogs::Install(nullptr);
    EXPECT_EQ(modals.asked, QStringList{QStringLiteral("Orvexa Tevrin 1.0|Enter name:|Set1")});
    ASSERT_NE(scene.m_pSelectionSets, nullptr);
    EXPECT_EQ(scene.m_pSelectionSets->m_sSetName, QStringLiteral("Rim"));
    ASSERT_EQ(scene.m_pSelectionSets->m_aEntries.size(), 1u);
    EXPECT_EQ(scene.m_pSelectionSets->m_aEntries[0]->faces.GetItemCount(), 1u);
}

}  // namespace apptest
