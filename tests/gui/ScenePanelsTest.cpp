// The object information, mesh, material, camera and light pages of the Properties window.
#include "AttributeFixtures.h"
#include "InteractionFixtures.h"
#include "GuiApplication.h"
#include "foundation/Globals.h"
#include "gui/attributes/AttributeEditors.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/editors/TextSlider.h"
#include "gui/editors/VectorEditor.h"
#include "gui/properties/CameraProperties.h"
#include "gui/properties/MaterialProperties.h"
#include "gui/properties/ObjectInfo.h"
#include "mesh/core/MeshRecords.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "scene/SceneServices.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// An object whose levels are said to take 1.5 MiB.
class SizedObject : public Object {
public:
    uint64_t GetMemorySize() const override { return 1572864; }
};

class Units : public SceneServices {
public:
    Units() { Install(this); }
    ~Units() override { Install(nullptr); }
    int GetLinearUnit() const override { return unit; }
    int unit = 1;
};

class ScenePanels : public ::testing::Test {
protected:
    void SetUp() override
    {
        guitest::Application();
        GUI::InstallAttributeEditors();
        m_window = std::make_unique<GUI::PropertiesDialog>(nullptr, "props", true);
        m_window->show();
    }
    void TearDown() override
    {
        m_window.reset();
        General::PickedNode().SetValue(nullptr, true);
        General::InstallEditorFactory(nullptr);
    }

    template <class Panel>
    Panel *Show(const char *type, General::Node *node)
    {
        m_window->BuildPanel(QLatin1String(type), node);
        return dynamic_cast<Panel *>(m_window->GetPanel());
    }
    template <class W>
    W *Child(const char *name) const
    {
        return m_window->GetPanel()->findChild<W *>(QLatin1String(name));
    }
    QString Text(const char *name) const { return Child<QLabel>(name)->text(); }
    // Types a value into a slider's field as a person does.
    void Enter(const char *slider, const QString &text)
    {
        QLineEdit *edit = Child<GUI::TextSlider>(slider)->GetEdit();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    std::unique_ptr<GUI::PropertiesDialog> m_window;
};

TEST_F(ScenePanels, ObjectInfoShowsFiguresOfVisibleFacesAndMemory)
{
    GUI::ObjectInfo none(nullptr, "info", true);
    auto label = [&none](const char *name) { return none.findChild<QLabel *>(QLatin1String(name)); };
    EXPECT_EQ(label("FaceCount")->text(), QStringLiteral("-"));
    EXPECT_EQ(label("MemoryUsage")->text(), QStringLiteral("-"));
    EXPECT_EQ(label("HighestLevel")->text(), QStringLiteral("0"));
    EXPECT_EQ(label("ActiveLevel")->text(), QStringLiteral("0"));
    EXPECT_FALSE(label("ActiveLevel")->isEnabled());
    EXPECT_FALSE(label("ActiveLevel_label")->isEnabled());
    EXPECT_EQ(label("FaceCount_label")->text(), QStringLiteral("Face Count"));

    // Two of nine faces hidden; the object's levels take 1,572,864 bytes.
    std::unique_ptr<SizedObject> object = MakeQuadGrid<SizedObject>();
    for (unsigned face : {0u, 1u})
        object->m_pQuads[face].m_iIndices[0] &= ~MeshFlags::kBit31;
    ASSERT_TRUE(object->RebuildVisibleFaces());
    ASSERT_EQ(object->m_iHiddenFaces, 2u);
    none.SetObject(object.get());
    EXPECT_EQ(label("FaceCount")->text(), QStringLiteral("7"));
    EXPECT_EQ(label("MemoryUsage")->text(), QStringLiteral("1.50"));
    EXPECT_EQ(label("HighestLevel")->text(), QStringLiteral("0"));
    EXPECT_EQ(label("ActiveLevel")->text(), QStringLiteral("0"));
    EXPECT_TRUE(label("ActiveLevel")->isEnabled());
    none.SetObject(nullptr);
}

TEST_F(ScenePanels, TheGeometryPageShowsTheWindowsObjectAndLetsGoOfIt)
{
    std::unique_ptr<Object> object = MakeQuadGrid();
    auto *panel = Show<GUI::MeshProperties>("Geometry", object.get());
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->GetInfo()->GetObject(), object.get());
    EXPECT_EQ(Text("FaceCount"), QStringLiteral("9"));
    m_window->ReleaseNode();
    EXPECT_EQ(m_window->GetPanel(), nullptr);
}

TEST_F(ScenePanels, MaterialPanelShowsAndWritesOpacityAndGlossiness)
{
    Surface::Material material(3);
    material.m_aTransparency.SetValue(0.35f);
    material.m_aGlossiness.SetValue(40.0f);
    material.m_aAmbient.SetValue(General::Color(0.5f, 0.25f, 1.0f, 0.3f));
    General::AttributeInstance<float> follower(QStringLiteral("follower"), false);
    material.m_aTransparency.Connect(&follower);
    const float before = follower.GetValue();

    auto *panel = Show<GUI::MaterialProperties>("Material", &material);
    ASSERT_TRUE(panel);
    // Opening the panel writes nothing.
    EXPECT_FLOAT_EQ(material.m_aTransparency.GetValue(), 0.35f);
    EXPECT_FLOAT_EQ(follower.GetValue(), before);
    EXPECT_NEAR(Child<GUI::TextSlider>("Opacity")->GetValue(), 35.0f, 1e-3f);
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("Glossiness")->GetValue(), 40.0f);
    const QColor ambient = Child<QFrame>("Ambient")->palette().color(QPalette::Window);
    EXPECT_EQ(ambient, QColor(127, 63, 255, 255));
    EXPECT_EQ(Child<QLabel>("Ambient_label")->text(), QStringLiteral("Ambient"));
    EXPECT_EQ(Child<QPushButton>("Assign")->text(), QStringLiteral("Assign To Selected"));

    Enter("Opacity", QStringLiteral("70"));
    EXPECT_NEAR(material.m_aTransparency.GetValue(), 0.7f, 1e-6f);
    Enter("Glossiness", QStringLiteral("100"));
    EXPECT_FLOAT_EQ(material.m_aGlossiness.GetValue(), 100.0f);
}

// As in the program: every change of a material shows it again in the material pages.
class ShowingMeshHost : public MeshHost {
public:
    ShowingMeshHost() { Install(this); }
    ~ShowingMeshHost() override { Install(nullptr); }
    bool HasScene() const override { return true; }
    void ShowMaterialProperties() override
    {
        if (GUI::PropertiesDialog *first = GUI::PropertiesDialog::First())
            first->ShowNode(QStringLiteral("Material"), nullptr);
    }
};

TEST_F(ScenePanels, AMaterialPageFollowsChangesFromElsewhereAndKeepsItsOwnEdits)
{
    ShowingMeshHost host;
    Surface::Material material(5);
    material.m_aTransparency.SetValue(0.2f);
    Show<GUI::MaterialProperties>("Material", &material);
    // The page shows the material again while it writes it: neither value is lost.
    Enter("Opacity", QStringLiteral("70"));
    EXPECT_NEAR(material.m_aTransparency.GetValue(), 0.7f, 1e-6f);
    Enter("Glossiness", QStringLiteral("90"));
    EXPECT_FLOAT_EQ(material.m_aGlossiness.GetValue(), 90.0f);
    EXPECT_NEAR(material.m_aTransparency.GetValue(), 0.7f, 1e-6f);
    material.m_aGlossiness.SetValue(12.0f);
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("Glossiness")->GetValue(), 12.0f);
}

TEST_F(ScenePanels, ASwatchTakesAChosenColourAndACancelChangesNothing)
{
    Surface::Material material(4);
    material.m_aSpecular.SetValue(General::Color(0.2f, 0.2f, 0.2f, 0.5f));
    Show<GUI::MaterialProperties>("Material", &material);
    guitest::AttributeModals modals;
    QFrame *specular = Child<QFrame>("Specular");

    modals.color = QColor();  // cancelled
    QTest::mouseClick(specular, Qt::LeftButton);
    EXPECT_EQ(material.m_aSpecular.GetValue().r, 0.2f);
    EXPECT_EQ(material.m_aSpecular.GetValue().a, 0.5f);

    modals.color = QColor(255, 0, 51);
    QTest::mouseClick(specular, Qt::LeftButton);
    const General::Color chosen = material.m_aSpecular.GetValue();
    EXPECT_FLOAT_EQ(chosen.r, 1.0f);
    EXPECT_FLOAT_EQ(chosen.g, 0.0f);
    EXPECT_FLOAT_EQ(chosen.b, 0.2f);
    EXPECT_FLOAT_EQ(chosen.a, 1.0f);
    EXPECT_EQ(specular->palette().color(QPalette::Window), QColor(255, 0, 51));

    modals.color = QColor(0, 255, 0);
    QTest::mouseClick(Child<QFrame>("Diffuse"), Qt::LeftButton);
    EXPECT_FLOAT_EQ(material.m_aDiffuse.GetValue().g, 1.0f);
}

TEST_F(ScenePanels, CameraPlanesFollowTheUnitAndKeepFarBeyondNear)
{
    Units units;
    units.unit = 0;  // millimetre: 10 shown per stored centimetre
    Camera camera;
    camera.m_sCameraName = QStringLiteral("Persp");
    camera.m_aNearPlane.SetValue(1.0f, true);
    camera.m_aFarPlane.SetValue(100.0f, true);
    Show<GUI::CameraProperties>("Camera", &camera);
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("NearPlane")->GetValue(), 10.0f);

    Enter("NearPlane", QStringLiteral("20"));
    EXPECT_FLOAT_EQ(camera.m_aNearPlane.GetValue(), 2.0f);
    // A near plane of 0 is kept at 0.001; the field keeps what was typed.
    Enter("NearPlane", QStringLiteral("0"));
    EXPECT_FLOAT_EQ(camera.m_aNearPlane.GetValue(), 0.001f);
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("NearPlane")->GetValue(), 0.0f);

    // A far plane at or below the near one is refused: far stays beyond near, and shows so.
    Enter("NearPlane", QStringLiteral("50"));
    ASSERT_FLOAT_EQ(camera.m_aNearPlane.GetValue(), 5.0f);
    Enter("FarPlane", QStringLiteral("30"));
    QCoreApplication::processEvents();
    EXPECT_GT(camera.m_aFarPlane.GetValue(), camera.m_aNearPlane.GetValue());
    EXPECT_NEAR(Child<GUI::TextSlider>("FarPlane")->GetValue(), camera.m_aFarPlane.GetValue() * 10.0f, 0.5f);
    Enter("FarPlane", QStringLiteral("2000"));
    EXPECT_FLOAT_EQ(camera.m_aFarPlane.GetValue(), 200.0f);
    // Nor can near reach far.
    Enter("NearPlane", QStringLiteral("5000"));
    EXPECT_LT(camera.m_aNearPlane.GetValue(), camera.m_aFarPlane.GetValue());
}

TEST_F(ScenePanels, CameraPlaneRulesAsATable)
{
    // `other` is the far plane for Near and the near plane for Far.
    const struct {
        float shown, unit, other, nearWanted, farWanted;
    } cases[] = {
        {0.0f, 1.0f, 100.0f, 0.001f, 100.001f},  {-5.0f, 1.0f, 100.0f, 0.001f, 100.001f},
        {20.0f, 10.0f, 100.0f, 2.0f, 100.001f},  {200.0f, 1.0f, 100.0f, 99.999f, 200.0f},
        {NAN, 1.0f, 100.0f, 0.001f, 100.001f},   {50.0f, 1.0f, 0.0f, 50.0f, 50.0f},
    };
    for (const auto &c : cases) {
        EXPECT_NEAR(GUI::CameraPlanes::Near(c.shown, c.unit, c.other), c.nearWanted, 1e-4f) << c.shown;
        EXPECT_NEAR(GUI::CameraPlanes::Far(c.shown, c.unit, c.other), c.farWanted, 1e-4f) << c.shown;
    }
}

TEST_F(ScenePanels, OrthographicGreysTheFieldOfViewAndTheChecksWriteTheCamera)
{
    Camera camera;
    camera.m_aFOV.SetValue(0.5f, true);
    Show<GUI::CameraProperties>("Camera", &camera);
    EXPECT_NEAR(Child<GUI::TextSlider>("FOV")->GetValue(), 0.5f * 180.0f / 3.1415f, 0.05f);
    QCheckBox *orthographic = Child<QCheckBox>("Orthographic");
    orthographic->click();
    EXPECT_TRUE(camera.m_aOrthographic.GetValue());
    EXPECT_FALSE(Child<GUI::TextSlider>("FOV")->isEnabled());
    EXPECT_FALSE(Child<QLabel>("FOV_label")->isEnabled());
    orthographic->click();
    EXPECT_FALSE(camera.m_aOrthographic.GetValue());
    EXPECT_TRUE(Child<GUI::TextSlider>("FOV")->isEnabled());
    EXPECT_TRUE(Child<QLabel>("FOV_label")->isEnabled());
    Child<QCheckBox>("LockZoom")->click();
    EXPECT_TRUE(camera.m_aLockZoom.GetValue());
    EXPECT_FALSE(camera.m_aLockPan.GetValue());
    Enter("FOV", QStringLiteral("90"));
    EXPECT_FLOAT_EQ(camera.m_aFOV.GetValue(), 90.0f * 3.1415f / 180.0f);
}

TEST_F(ScenePanels, ResetWithRollOnlyStraightensAndTrackMovesASideCamera)
{
    Camera camera;
    camera.m_sCameraName = QStringLiteral("Side");
    camera.SetTranslate(General::Vector(10, 20, 30));
    camera.LookAt(General::Vector(0, 0, 0), General::Vector(1, 1, 0));
    Show<GUI::CameraProperties>("Camera", &camera);
    // The default: only "Roll" ticked. The camera stays where it is, its up vector straight.
    EXPECT_TRUE(Child<QCheckBox>("ResetRoll")->isChecked());
    QTest::mouseClick(Child<QPushButton>("Reset"), Qt::LeftButton);
    const General::Vector position = camera.GetPosition();
    EXPECT_NEAR(position.x, 10.0f, 1e-3f);
    EXPECT_NEAR(position.y, 20.0f, 1e-3f);
    EXPECT_NEAR(position.z, 30.0f, 1e-3f);
    EXPECT_NEAR(camera.GetRight().y, 0.0f, 1e-4f);

    Child<QCheckBox>("ResetTrack")->click();
    QTest::mouseClick(Child<QPushButton>("Reset"), Qt::LeftButton);
    const General::Vector moved = camera.m_aTranslate.GetValue();
    EXPECT_FLOAT_EQ(moved.x, 500.0f);
    EXPECT_FLOAT_EQ(moved.y, 0.0f);
    EXPECT_FLOAT_EQ(moved.z, 0.0f);
    EXPECT_FLOAT_EQ(camera.m_vRotationBackup.x, camera.m_vRotation.x);
}

TEST_F(ScenePanels, TheTranslateFieldsMoveTheCamera)
{
    Camera camera;
    Show<GUI::CameraProperties>("Camera", &camera);
    QLineEdit *x = Child<GUI::VectorEditor>("Translate")->GetField(0);
    x->selectAll();
    QTest::keyClicks(x, QStringLiteral("42"));
    QTest::keyClick(x, Qt::Key_Return);
    EXPECT_FLOAT_EQ(camera.m_aTranslate.GetValue().x, 42.0f);
}

TEST_F(ScenePanels, LightPanelWritesIntensityAndColours)
{
    Light light;
    light.m_fIntensity = 0.25f;
    light.m_cDiffuse = General::Color(0.5f, 0.5f, 0.5f, 1.0f);
    Show<GUI::LightProperties>("Light", &light);
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("Intensity")->GetValue(), 25.0f);
    EXPECT_EQ(Child<QFrame>("Diffuse")->palette().color(QPalette::Window), QColor(127, 127, 127));
    Enter("Intensity", QStringLiteral("50"));
    EXPECT_FLOAT_EQ(light.m_fIntensity, 0.5f);

    guitest::AttributeModals modals;
    modals.color = QColor();
    QTest::mouseClick(Child<QFrame>("Specular"), Qt::LeftButton);
    EXPECT_FLOAT_EQ(light.m_cSpecular.r, 1.0f);
    EXPECT_EQ(Child<QFrame>("Specular")->palette().color(QPalette::Window), QColor(255, 255, 255));
    modals.color = QColor(0, 0, 255);
    QTest::mouseClick(Child<QFrame>("Specular"), Qt::LeftButton);
    EXPECT_FLOAT_EQ(light.m_cSpecular.r, 0.0f);
    EXPECT_FLOAT_EQ(light.m_cSpecular.b, 1.0f);
    EXPECT_EQ(Child<QFrame>("Specular")->palette().color(QPalette::Window), QColor(0, 0, 255));
}

}  // namespace
