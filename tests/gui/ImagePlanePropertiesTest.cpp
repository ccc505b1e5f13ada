// The "ImagePlane" page of the Properties window, driven through its own widgets.
#include "ImagePanelFixtures.h"
#include "InteractionFixtures.h"
#include "gui/properties/ImagePlaneProperties.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "scene/camera/CameraHost.h"

#include <QPushButton>

namespace {

// Counts the pictures made for the plane and the opacity of the last.
class UploadCounter : public CameraHost {
public:
    UploadCounter() { Install(this); }
    ~UploadCounter() override { Install(nullptr); }
    uint32_t UploadTexture(uint32_t texture, const QImage &pixels) override
    {
        ++uploads;
        lastAlpha = qAlpha(pixels.pixel(0, 0));
        return texture ? texture : 7;
    }
    int uploads = 0;
    int lastAlpha = -1;
};

class ImagePlanePanel : public testing::Test, public guitest::ImagePanelTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        OpenWindow();
        m_window->BuildPanel(QStringLiteral("ImagePlane"), &m_camera);
        Settle();
        ASSERT_NE(dynamic_cast<GUI::ImagePlaneProperties *>(m_window->GetPanel()), nullptr);
    }
    void TearDown() override { m_window.reset(); }
    ImagePlane &Plane() { return m_camera.m_cImagePlane; }
    void Import(const QString &file)
    {
        m_modals.file = file;
        QTest::mouseClick(Child<QPushButton>("ImportButton"), Qt::LeftButton);
    }

    UploadCounter m_uploads;
    Camera m_camera;
};

TEST_F(ImagePlanePanel, AnImportedPlaneShowsInTheViewAtOnce)
{
    Scene scene;
    scene.m_pActiveCamera = &m_camera;
    RecordingInteraction view;
    InteractionServices::Install(&view);
    Import(guitest::WriteRamp(m_dir, QStringLiteral("plane.png"), 40, 40));
    EXPECT_TRUE(Plane().m_bActive);
    EXPECT_EQ(view.repaints, 1);
    EXPECT_TRUE(m_camera.m_bRegionSet);  // the whole view, not a stroke's part of it
    EXPECT_EQ(m_camera.m_rViewRegion, General::Rect2D(0, 0, 1, 1));
    InteractionServices::Install(nullptr);
    scene.m_pActiveCamera = nullptr;
}

TEST_F(ImagePlanePanel, ImportSwitchesThePlaneOnAtFullVisibility)
{
    EXPECT_FALSE(Child<QCheckBox>("Off")->isEnabled());
    EXPECT_TRUE(Child<QCheckBox>("Off")->isChecked());

    m_folders.folders[QStringLiteral("ImagePlane")] = QStringLiteral("/planes");
    const QString file = guitest::WriteRamp(m_dir, QStringLiteral("wide.png"), 80, 20);
    Import(file);
    EXPECT_EQ(m_modals.starts, QStringList{QStringLiteral("/planes")});
    EXPECT_EQ(m_folders.folders.value(QStringLiteral("ImagePlane")), m_dir.path());
    EXPECT_TRUE(Plane().m_bActive);
    EXPECT_FLOAT_EQ(Plane().m_fOpacity, 1.0f);
    EXPECT_EQ(Plane().m_sFileName, file);
    EXPECT_FALSE(Child<QCheckBox>("Off")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>("Off")->isEnabled());
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("Visibility")->GetValue(), 100.0f);
    EXPECT_EQ(Child<QLineEdit>("ImageName")->text(), QStringLiteral("wide.png"));
    EXPECT_EQ(Child<QLineEdit>("Scale")->text(), QStringLiteral("1.000"));
    // Stretched to the square, not letterboxed: the corners hold the picture.
    const QImage preview = Child<QLabel>("Image")->pixmap().toImage();
    ASSERT_EQ(preview.size(), QSize(130, 130));
    EXPECT_LT(qGray(preview.pixel(0, 0)), 10);
    EXPECT_GT(qGray(preview.pixel(129, 129)), 240);
    m_window->GetPanel()->grab().save(QStringLiteral("/tmp/imageplane_panel.png"));

    // Importing the same file while the plane is off switches it on again.
    Toggle("Off");
    ASSERT_FALSE(Plane().m_bActive);
    Import(file);
    EXPECT_TRUE(Plane().m_bActive);
}

TEST_F(ImagePlanePanel, DepthIsStoredUnscaledAndVisibilityReloadsOnlyWhileOnOnceLetGo)
{
    Import(guitest::WriteRamp(m_dir, QStringLiteral("ramp.png"), 32, 32));
    const int afterImport = m_uploads.uploads;
    TypeIntoSlider("Depth", QStringLiteral("40"));
    EXPECT_FLOAT_EQ(Plane().m_fDepth, 40.0f);

    TypeIntoSlider("Visibility", QStringLiteral("40"));
    EXPECT_FLOAT_EQ(Plane().m_fOpacity, 0.4f);
    EXPECT_EQ(m_uploads.uploads, afterImport + 1);
    EXPECT_NEAR(m_uploads.lastAlpha, 102, 1);  // 255 x 0.4

    Drag("Visibility", 90, false);
    EXPECT_EQ(m_uploads.uploads, afterImport + 1) << "reloaded while dragged";
    Release("Visibility");
    EXPECT_EQ(m_uploads.uploads, afterImport + 2);
    EXPECT_GT(Plane().m_fOpacity, 0.7f);

    // Off: stored, not read; switched on, made once at the stored visibility.
    Toggle("Off");
    TypeIntoSlider("Visibility", QStringLiteral("20"));
    TypeIntoSlider("Depth", QStringLiteral("10"));
    EXPECT_EQ(m_uploads.uploads, afterImport + 2);
    EXPECT_FLOAT_EQ(Plane().m_fOpacity, 0.2f);
    EXPECT_FLOAT_EQ(Plane().m_fDepth, 10.0f);
    Toggle("Off");
    EXPECT_TRUE(Plane().m_bActive);
    EXPECT_EQ(m_uploads.uploads, afterImport + 3);
    EXPECT_NEAR(m_uploads.lastAlpha, 51, 1);  // 255 x 0.2
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("Visibility")->GetValue(), 20.0f);

    // Nothing set while off: switching on reads nothing.
    Toggle("Off");
    Toggle("Off");
    EXPECT_EQ(m_uploads.uploads, afterImport + 3);
}

TEST_F(ImagePlanePanel, TransformsAreKeptWhileOffAndResetNeedsThePlaneOn)
{
    Import(guitest::WriteRamp(m_dir, QStringLiteral("ramp.png"), 32, 32));
    Type("Rotate", QStringLiteral("90"));
    EXPECT_NEAR(Plane().m_fRotation, 1.57075f, 1e-6f);
    EXPECT_EQ(Child<QLineEdit>("Rotate")->text(), QStringLiteral("90.000"));

    Toggle("Off");
    Type("TranslateX", QStringLiteral("0.3"));
    Type("Scale", QStringLiteral("abc"));  // refused by the field: the scale stays
    EXPECT_FLOAT_EQ(Plane().m_fOffsetX, 0.3f);
    EXPECT_FLOAT_EQ(Plane().m_fScale, 1.0f);
    QTest::mouseClick(Child<QPushButton>("ResetTransform"), Qt::LeftButton);
    EXPECT_FLOAT_EQ(Plane().m_fOffsetX, 0.3f);
    EXPECT_NEAR(Plane().m_fRotation, 1.57075f, 1e-6f);

    Toggle("Off");
    EXPECT_EQ(Child<QLineEdit>("TranslateX")->text(), QStringLiteral("0.300"));
    QTest::mouseClick(Child<QPushButton>("ResetTransform"), Qt::LeftButton);
    EXPECT_FLOAT_EQ(Plane().m_fOffsetX, 0.0f);
    EXPECT_FLOAT_EQ(Plane().m_fRotation, 0.0f);
    EXPECT_EQ(Child<QLineEdit>("Rotate")->text(), QStringLiteral("0.000"));
}

TEST_F(ImagePlanePanel, ThePreviewIsMadeAgainOnlyForAnotherFile)
{
    const QString first = guitest::WriteRamp(m_dir, QStringLiteral("a.png"), 32, 32);
    Import(first);
    const qint64 shown = PreviewKey();
    // Refreshes read nothing from disk: removing the file leaves the preview as it was.
    ASSERT_TRUE(QFile::remove(first));
    m_window->GetPanel()->Refresh();
    TypeIntoSlider("Depth", QStringLiteral("5"));
    EXPECT_EQ(PreviewKey(), shown);
    Import(guitest::WriteRamp(m_dir, QStringLiteral("b.png"), 16, 16));
    EXPECT_NE(PreviewKey(), shown);
}

}  // namespace
