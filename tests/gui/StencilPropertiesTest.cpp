// The "Stencil" page of the Properties window, driven through its own widgets.
#include "ImagePanelFixtures.h"
#include "InteractionFixtures.h"
#include "TrayFixtures.h"
#include "gui/properties/StencilProperties.h"
#include "gui/trays/MTray.h"
#include "gui/trays/TrayItem.h"
#include "scene/camera/Camera.h"

#include <QPushButton>

#include <cmath>

namespace {

class StencilPanel : public InteractionTest, public guitest::ImagePanelTest {
protected:
    void SetUp() override
    {
        InteractionTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        OpenWindow();
        m_window->BuildPanel(QStringLiteral("Stencil"), &m_interface->m_cStencilNode);
        Settle();
        ASSERT_NE(dynamic_cast<GUI::StencilProperties *>(m_window->GetPanel()), nullptr);
    }
    void TearDown() override
    {
        m_window.reset();
        InteractionTest::TearDown();
    }
    StencilImage &Stencil() { return m_interface->m_cStencil; }
    void Import(const QString &file)
    {
        m_modals.file = file;
        QTest::mouseClick(Child<QPushButton>("Import"), Qt::LeftButton);
    }
    void PressStore() { QTest::mousePress(Child<QPushButton>("Store"), Qt::LeftButton); }
};

TEST_F(StencilPanel, WithoutAnImageOffIsDisabledAndStoreOpensNoMenu)
{
    EXPECT_TRUE(Child<QCheckBox>("Off")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>("Off")->isEnabled());
    PressStore();
    EXPECT_EQ(m_modals.menus, 0);

    // A cancelled question changes nothing, the folder included.
    m_folders.folders[QStringLiteral("Stencil")] = QStringLiteral("/start");
    Import(QString());
    EXPECT_FALSE(Stencil().m_bState);
    EXPECT_EQ(m_folders.folders.value(QStringLiteral("Stencil")), QStringLiteral("/start"));

    Import(guitest::WriteRamp(m_dir, QStringLiteral("ramp.png"), 64, 32));
    PressStore();
    EXPECT_EQ(m_modals.menus, 1);
}

TEST_F(StencilPanel, StoreToPutsTheStencilFileIntoTheChosenTray)
{
    guitest::TrayFolder folder;
    GUI::InitTrayItemTypes();
    GUI::MTray tray(nullptr, QStringLiteral("Stencils"));
    const QString file = guitest::WriteRamp(m_dir, QStringLiteral("ramp.png"), 64, 32);
    Import(file);
    m_modals.choose = QStringLiteral("Stencils");
    PressStore();
    EXPECT_EQ(m_modals.menus, 1);
    ASSERT_EQ(tray.GetItems().size(), 1u);
    const GUI::TrayItem *item = tray.GetItems().front();
    EXPECT_EQ(item->GetType(), QStringLiteral("Stencil"));
    EXPECT_EQ(item->GetName(), file);
    EXPECT_EQ(item->GetIcon(), file);
}

TEST_F(StencilPanel, ImportSwitchesTheStencilOnAndShowsItsPlacementAndPreview)
{
    m_folders.folders[QStringLiteral("Stencil")] = QStringLiteral("/start");
    const QString file = guitest::WriteRamp(m_dir, QStringLiteral("ramp.png"), 64, 32);
    Import(file);
    EXPECT_EQ(m_modals.starts, QStringList{QStringLiteral("/start")});
    EXPECT_TRUE(m_modals.filters.value(0).startsWith(QStringLiteral("All Formats (*.bmp *.png *.jpg *.tif)")));
    EXPECT_EQ(m_folders.folders.value(QStringLiteral("Stencil")), m_dir.path());
    ASSERT_TRUE(Stencil().m_bState);
    EXPECT_EQ(Stencil().m_cPlacement.m_sFileName, file);
    EXPECT_FLOAT_EQ(Stencil().m_fVisibility, 1.0f);
    EXPECT_FALSE(Child<QCheckBox>("Off")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>("Off")->isEnabled());
    EXPECT_EQ(Child<QLineEdit>("ImageName")->text(), QStringLiteral("ramp.png"));
    for (const auto &[field, text] : {std::pair{"TranslateX", "0.000"}, std::pair{"TranslateY", "0.000"},
                                      std::pair{"Rotate", "0.000"}, std::pair{"Scale", "1.000"}})
        EXPECT_EQ(Child<QLineEdit>(field)->text(), QLatin1String(text)) << field;
    // The ramp stretched over 130 x 130: dark on the left, light on the right, grey throughout.
    const QImage preview = Child<QLabel>("Image")->pixmap().toImage();
    ASSERT_EQ(preview.size(), QSize(130, 130));
    EXPECT_LT(qGray(preview.pixel(0, 65)), 10);
    EXPECT_GT(qGray(preview.pixel(129, 100)), 240);
    const QRgb middle = preview.pixel(65, 10);
    EXPECT_EQ(qRed(middle), qBlue(middle));
    m_window->GetPanel()->grab().save(QStringLiteral("/tmp/stencil_panel.png"));
}

TEST_F(StencilPanel, TypedTransformsAreStoredAndFieldsWithoutANumberKeepTheirValue)
{
    Import(guitest::WriteRamp(m_dir, QStringLiteral("ramp.png"), 64, 32));
    Type("Rotate", QStringLiteral("90"));
    EXPECT_NEAR(Stencil().m_cPlacement.m_fRotation, 1.57075f, 1e-6f);  // 90 x 3.1415 / 180
    EXPECT_EQ(Child<QLineEdit>("Rotate")->text(), QStringLiteral("90.000"));
    Type("TranslateX", QStringLiteral("0.25"));
    Type("TranslateY", QStringLiteral("-0.5"));
    Type("Scale", QStringLiteral("2"));
    EXPECT_FLOAT_EQ(Stencil().m_cPlacement.m_fOffsetX, 0.25f);
    EXPECT_FLOAT_EQ(Stencil().m_cPlacement.m_fOffsetY, -0.5f);
    EXPECT_FLOAT_EQ(Stencil().m_cPlacement.m_fScale, 2.0f);

    // A lone minus sign is no number: the scale stays 2 when another field is entered.
    QLineEdit *scale = Child<QLineEdit>("Scale");
    scale->setFocus();
    scale->selectAll();
    QTest::keyClick(scale, Qt::Key_Backspace);
    QTest::keyClicks(scale, QStringLiteral("-"));
    Type("TranslateX", QStringLiteral("0.5"));
    EXPECT_FLOAT_EQ(Stencil().m_cPlacement.m_fScale, 2.0f);
    EXPECT_FLOAT_EQ(Stencil().m_cPlacement.m_fOffsetX, 0.5f);
    EXPECT_EQ(scale->text(), QStringLiteral("2.000"));
}

TEST_F(StencilPanel, EditsWhileOffAreKeptAndTakeEffectWhenSwitchedOn)
{
    Import(guitest::WriteRamp(m_dir, QStringLiteral("ramp.png"), 64, 32));
    Toggle("Off");
    ASSERT_FALSE(Stencil().m_bState);

    Type("Rotate", QStringLiteral("30"));
    TypeIntoSlider("Visibility", QStringLiteral("40"));
    EXPECT_NEAR(Stencil().m_cPlacement.m_fRotation, 30.0f * 3.1415f / 180.0f, 1e-6f);
    EXPECT_FLOAT_EQ(Stencil().m_cSettings.visibility, 0.4f);
    EXPECT_FLOAT_EQ(Stencil().m_fVisibility, 1.0f) << "no reload while off";
    EXPECT_FALSE(Stencil().m_bState);

    // A reset needs the stencil on.
    QTest::mouseClick(Child<QPushButton>("ResetTransform"), Qt::LeftButton);
    EXPECT_NEAR(Stencil().m_cPlacement.m_fRotation, 30.0f * 3.1415f / 180.0f, 1e-6f);

    Toggle("Off");
    ASSERT_TRUE(Stencil().m_bState);
    EXPECT_FLOAT_EQ(Stencil().m_fVisibility, 0.4f);
    EXPECT_EQ(Child<QLineEdit>("Rotate")->text(), QStringLiteral("30.000"));
    QTest::mouseClick(Child<QPushButton>("ResetTransform"), Qt::LeftButton);
    EXPECT_FLOAT_EQ(Stencil().m_cPlacement.m_fRotation, 0.0f);
    EXPECT_FLOAT_EQ(Stencil().m_cPlacement.m_fScale, 1.0f);
    EXPECT_EQ(Child<QLineEdit>("Rotate")->text(), QStringLiteral("0.000"));

    // Inverting an off stencil that has a file switches it on, inverted.
    Toggle("Off");
    Toggle("InvertValues");
    EXPECT_TRUE(Stencil().m_bState);
    EXPECT_TRUE(Stencil().m_bInvert);
    EXPECT_FALSE(Child<QCheckBox>("Off")->isChecked());
}

TEST_F(StencilPanel, VisibilityReloadsOnlyWhileOnAndOnceTheSliderIsLetGo)
{
    Import(guitest::WriteRamp(m_dir, QStringLiteral("ramp.png"), 64, 32));
    TypeIntoSlider("Visibility", QStringLiteral("50"));
    EXPECT_FLOAT_EQ(Stencil().m_cSettings.visibility, 0.5f);
    EXPECT_FLOAT_EQ(Stencil().m_fVisibility, 0.5f);

    Drag("Visibility", 80, false);
    const float dragged = Stencil().m_cSettings.visibility;
    EXPECT_GT(dragged, 0.6f);
    EXPECT_FLOAT_EQ(Stencil().m_fVisibility, 0.5f) << "reloaded while dragged";
    Release("Visibility");
    EXPECT_FLOAT_EQ(Stencil().m_fVisibility, dragged);
}

TEST_F(StencilPanel, EveryBoxAndSliderReachesTheSettingsSamplingReads)
{
    Import(guitest::WriteRamp(m_dir, QStringLiteral("ramp.png"), 64, 32));
    struct Box {
        const char *name;
        bool StencilSettings::*field;
    };
    for (const Box &box : {Box{"HideWhenSculpt", &StencilSettings::hideWhenSculpt},
                           Box{"FlipHorizontal", &StencilSettings::flipHorizontal},
                           Box{"FlipVertical", &StencilSettings::flipVertical}}) {
        const bool before = Stencil().m_cSettings.*box.field;
        Toggle(box.name);
        EXPECT_NE(Stencil().m_cSettings.*box.field, before) << box.name;
    }
    Toggle("Tile");
    EXPECT_TRUE(Stencil().m_bUseTile);

    // Sampled under the view's middle, the multiplier scales the value and the offset shifts it.
    Camera &camera = *m_scene->m_pActiveCamera;
    camera.SetTranslate(General::Vector(0.0f, 0.0f, 30.0f));
    camera.m_vTarget = General::Vector(0.0f, 0.0f, 0.0f);
    camera.LookAt(camera.m_vTarget, General::Vector(0.0f, 1.0f, 0.0f));
    camera.m_fAspect = 2.0f;  // the 200 x 100 view
    camera.m_mModelView = camera.GetInverseLocalMatrix();
    m_interface->UpdateStencil();
    const General::Vector middle(0.0f, 0.0f, 0.0f);
    const float full = Stencil().Sample(middle);
    ASSERT_GT(full, 0.0f);
    TypeIntoSlider("Multiplier", QStringLiteral("50"));
    EXPECT_FLOAT_EQ(Stencil().m_cSettings.multiplier, 0.5f);
    EXPECT_NEAR(Stencil().Sample(middle), full * 0.5f, 1e-5f);
    TypeIntoSlider("Offset", QStringLiteral("80"));
    EXPECT_NEAR(Stencil().Sample(middle), full * 0.5f - 0.2f, 1e-5f);
}

TEST_F(StencilPanel, TheSameFileAgainKeepsThePreviewAndAnotherRebuildsIt)
{
    const QString first = guitest::WriteRamp(m_dir, QStringLiteral("a.png"), 64, 32);
    Import(first);
    const qint64 shown = PreviewKey();
    Import(first);
    EXPECT_EQ(PreviewKey(), shown);
    m_window->GetPanel()->Refresh();
    EXPECT_EQ(PreviewKey(), shown);
    Import(guitest::WriteRamp(m_dir, QStringLiteral("b.png"), 16, 16));
    EXPECT_NE(PreviewKey(), shown);
    EXPECT_EQ(Child<QLineEdit>("ImageName")->text(), QStringLiteral("b.png"));
}

}  // namespace
